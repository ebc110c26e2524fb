// The prepared volume: everything the march reads that is derived from the parameter block and
// the scene (transforms, vortices, tables, scales, lattice, shaders, lights, shadow grid, mesh,
// modifiers, cube bounds, colour weights). The component builds it at the start of a render or
// sampler call, under its lock, when something it depends on changed; while marching it is only
// read (a march keeps its mesh crossings itself).
#pragma once

#include <cstdint>

#include "brumo/parameter_blocks.h"
#include "math/affine_transform.h"
#include "math/noise_lattice.h"
#include "math/vector3.h"
#include "primitive/light_sample.h"
#include "primitive/mesh_shape.h"
#include "primitive/shadow_grid.h"
#include "primitive/vortex.h"
#include "qv/class_array.h"
#include "qv/counted_ptr.h"
#include "qv/scene.h"

struct IVolumeModifier;

namespace brumo {

class BasicVolumeModifier;

// The module-wide threshold for a negligible value: minimum step, optical depth, divisor floor.
constexpr float kNegligible = 0.00006103515625f;  // 2^-14

// The primitive's cube and the reciprocal of its edge, recomputed only when size changes.
struct CubeBounds {
    float halfSize;
    Vector3 min;
    Vector3 max;
    float inverseEdge;  // 1 / (2 size)
};

struct PreparedVolume {
    PreparedVolume();
    ~PreparedVolume();
    PreparedVolume(const PreparedVolume&) = delete;
    PreparedVolume& operator=(const PreparedVolume&) = delete;

    // What depends on the parameter block alone: the octave ceiling, the noise-space transform
    // and its inverse, the shaping and bias tables (bias held within (0, 1) in the block first),
    // extinction, density scale and the colour-source weights.
    void prepareFromParameters(EffectParameters& p);
    // The cube of a primitive of this size.
    void prepareCubeBounds(float size);

    AffineTransform noiseTransform;
    AffineTransform noiseTransformInverse;
    QVClassArray<Vortex> vortices;
    // The gain curve followed by the bias curve, in one lookup; biasTable is the bias curve alone.
    QVClassArray<float> shapingTable;
    QVClassArray<float> biasTable;
    float extinction;
    float densityScale;
    NoiseLattice lattice;
    QVCountedPtr<IQVShaderObject> colourShaderRef;
    QVCountedPtr<IQVShader> colourShader;
    QVCountedPtr<IQVShaderObject> densityShaderRef;
    QVCountedPtr<IQVShader> densityShader;
    uint8_t shadowGridActive;
    float shadowGridResolution;
    ShadowGridRef shadowGrid;
    QVClassArray<LightSample> lights;
    float colourWeightDensity;
    float colourWeightShape;
    float colourWeightMixed;
    MeshShape meshShape;  // the mesh's geometry; the crossings of a ray are the march's
    QVClassArray<IVolumeModifier*> modifiers;  // each entry holds a reference
    // In step with modifiers: the module's own ones, which take runs of points; null for others.
    QVClassArray<BasicVolumeModifier*> ownModifiers;
    CubeBounds cubeBounds;
};

}  // namespace brumo
