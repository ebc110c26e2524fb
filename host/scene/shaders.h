// Procedural host shaders: solid textures that effects can use as a density source (the value)
// or as a colour source. Each is one object answering both the scene's shader-object interface
// and the evaluation interface, and reads the sample point from the shading record's `position`
// (the point in the shaded object's own space), which is what a solid texture follows.
//
// Shaders keep no state after construction, so render threads may evaluate them at once.
#pragma once

#include <cstdint>
#include <string>

#include "host/common/host_object.h"
#include "qv/scene.h"

namespace brumo::host {

class Scene;

class ProceduralShader : public HostObject<IQVShaderObject, IQVShader> {
public:
    void QV_CALL shaderInterface(IQVShader** shader) override;
    void QV_CALL shaderObjectName(TQVString* text) override;
    // Writes the shader's scalar at the point (0 without a record).
    QVResult QV_CALL evaluateValue(float* value, uint8_t* flag, QVShadingRecord* record) override;
    // Writes the colour at the point and answers full coverage.
    float QV_CALL evaluateColour(QVColourRecord* colour, uint8_t* flag,
                                 QVShadingRecord* record) override;

    const std::string& name() const { return name_; }
    virtual float valueAt(const QVVector3& p) const = 0;
    virtual QVColourRecord colourAt(const QVVector3& p) const = 0;

protected:
    explicit ProceduralShader(std::string name) : name_(std::move(name)) {}

private:
    std::string name_;
};

// One colour everywhere; the value is the colour's luminance unless given.
class ConstantColourShader final : public ProceduralShader {
public:
    ConstantColourShader(std::string name, QVColourRecord colour);
    ConstantColourShader(std::string name, QVColourRecord colour, float value);
    float valueAt(const QVVector3&) const override { return value_; }
    QVColourRecord colourAt(const QVVector3&) const override { return colour_; }

private:
    QVColourRecord colour_;
    float value_;
};

// Cubes of edge `cellSize` alternating between two colours: the cube [0, cellSize)³ and every
// cube an even number of steps from it take the first colour and value 0, the others the second
// colour and value 1.
class CheckerShader final : public ProceduralShader {
public:
    CheckerShader(std::string name, float cellSize, QVColourRecord first, QVColourRecord second);
    float valueAt(const QVVector3& p) const override;
    QVColourRecord colourAt(const QVVector3& p) const override;

private:
    bool secondCell(const QVVector3& p) const;
    float inverseCellSize_;
    QVColourRecord first_;
    QVColourRecord second_;
};

// Rises linearly along z from 0 at `low` to 1 at `high`, clamped outside; the colour blends from
// `bottom` to `top` with that value.
class HeightGradientShader final : public ProceduralShader {
public:
    HeightGradientShader(std::string name, float low, float high, QVColourRecord bottom,
                         QVColourRecord top);
    float valueAt(const QVVector3& p) const override;
    QVColourRecord colourAt(const QVVector3& p) const override;

private:
    float low_;
    float high_;
    QVColourRecord bottom_;
    QVColourRecord top_;
};

// Fractal value noise: random values on the integer lattice (scaled by 1 / featureSize), blended
// with a smooth step, summed over octaves of doubling frequency and halving weight, and
// normalised to [0, 1]. The colour blends from `low` to `high` with that value.
class NoiseShader final : public ProceduralShader {
public:
    NoiseShader(std::string name, float featureSize, int octaves, uint32_t seed,
                QVColourRecord low, QVColourRecord high);
    float valueAt(const QVVector3& p) const override;
    QVColourRecord colourAt(const QVVector3& p) const override;

    // One octave: the lattice noise in [0, 1] at p (lattice units).
    float latticeNoise(float x, float y, float z) const;

private:
    float latticeValue(int32_t i, int32_t j, int32_t k) const;
    float frequency_;
    int octaves_;
    uint32_t seed_;
    QVColourRecord low_;
    QVColourRecord high_;
};

// Names of the built-in shaders every scene of the brumo tool offers.
namespace shader_names {
constexpr const char* kConstant = "Constant colour";
constexpr const char* kChecker = "Checker";
constexpr const char* kHeightGradient = "Height gradient";
constexpr const char* kNoise = "Noise";
}  // namespace shader_names

// Adds the four built-in shaders to the scene: a warm grey constant colour, a black-and-white
// checker of cell 0.5, a height gradient from dark blue at z = -1 to white at z = 1, and a noise
// of feature size 0.5 from black to white.
void addBuiltInShaders(Scene& scene);

}  // namespace brumo::host
