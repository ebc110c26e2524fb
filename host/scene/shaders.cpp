#include "host/scene/shaders.h"

#include <algorithm>
#include <cmath>

#include "host/common/text.h"
#include "host/scene/scene.h"

namespace brumo::host {

namespace {

QVColourRecord blend(const QVColourRecord& a, const QVColourRecord& b, float t) {
    return {a.red + (b.red - a.red) * t, a.green + (b.green - a.green) * t,
            a.blue + (b.blue - a.blue) * t, a.alpha + (b.alpha - a.alpha) * t};
}

float clamp01(float value) { return std::min(std::max(value, 0.0f), 1.0f); }

// Rec. 709 luminance of linear red, green, blue.
float luminance(const QVColourRecord& c) {
    return 0.2126f * c.red + 0.7152f * c.green + 0.0722f * c.blue;
}

}  // namespace

void QV_CALL ProceduralShader::shaderInterface(IQVShader** shader) {
    fillSlot<IQVShader>(shader, this);
}

void QV_CALL ProceduralShader::shaderObjectName(TQVString* text) { setText(text, name_); }

QVResult QV_CALL ProceduralShader::evaluateValue(float* value, uint8_t*, QVShadingRecord* record) {
    if (value == nullptr) return qv::kOk;
    *value = record != nullptr ? valueAt(record->position) : 0.0f;
    return qv::kOk;
}

float QV_CALL ProceduralShader::evaluateColour(QVColourRecord* colour, uint8_t*,
                                               QVShadingRecord* record) {
    if (colour == nullptr) return 1.0f;
    *colour = record != nullptr ? colourAt(record->position) : QVColourRecord{0, 0, 0, 1};
    return 1.0f;
}

ConstantColourShader::ConstantColourShader(std::string name, QVColourRecord colour)
    : ConstantColourShader(std::move(name), colour, luminance(colour)) {}

ConstantColourShader::ConstantColourShader(std::string name, QVColourRecord colour, float value)
    : ProceduralShader(std::move(name)), colour_(colour), value_(value) {}

CheckerShader::CheckerShader(std::string name, float cellSize, QVColourRecord first,
                             QVColourRecord second)
    : ProceduralShader(std::move(name)),
      inverseCellSize_(cellSize > 0.0f ? 1.0f / cellSize : 0.0f),
      first_(first),
      second_(second) {}

bool CheckerShader::secondCell(const QVVector3& p) const {
    // Floor, not truncation, so the cells do not double up across zero.
    const double sum = std::floor(double(p.x) * inverseCellSize_) +
                       std::floor(double(p.y) * inverseCellSize_) +
                       std::floor(double(p.z) * inverseCellSize_);
    return std::fmod(std::fabs(sum), 2.0) == 1.0;
}

float CheckerShader::valueAt(const QVVector3& p) const { return secondCell(p) ? 1.0f : 0.0f; }

QVColourRecord CheckerShader::colourAt(const QVVector3& p) const {
    return secondCell(p) ? second_ : first_;
}

HeightGradientShader::HeightGradientShader(std::string name, float low, float high,
                                           QVColourRecord bottom, QVColourRecord top)
    : ProceduralShader(std::move(name)), low_(low), high_(high), bottom_(bottom), top_(top) {}

float HeightGradientShader::valueAt(const QVVector3& p) const {
    if (!(high_ != low_)) return p.z >= high_ ? 1.0f : 0.0f;
    return clamp01((p.z - low_) / (high_ - low_));
}

QVColourRecord HeightGradientShader::colourAt(const QVVector3& p) const {
    return blend(bottom_, top_, valueAt(p));
}

NoiseShader::NoiseShader(std::string name, float featureSize, int octaves, uint32_t seed,
                         QVColourRecord low, QVColourRecord high)
    : ProceduralShader(std::move(name)),
      frequency_(featureSize > 0.0f ? 1.0f / featureSize : 1.0f),
      octaves_(std::max(octaves, 1)),
      seed_(seed),
      low_(low),
      high_(high) {}

float NoiseShader::latticeValue(int32_t i, int32_t j, int32_t k) const {
    // An integer hash of the lattice point and the seed; the top 24 bits become [0, 1].
    uint32_t h = seed_ * 0x9E3779B9u;
    for (uint32_t part : {uint32_t(i), uint32_t(j), uint32_t(k)}) {
        h ^= part + 0x7F4A7C15u + (h << 6) + (h >> 2);
        h ^= h >> 16;
        h *= 0x7FEB352Du;
        h ^= h >> 15;
        h *= 0x846CA68Bu;
        h ^= h >> 16;
    }
    return float(h >> 8) * (1.0f / 16777215.0f);
}

float NoiseShader::latticeNoise(float x, float y, float z) const {
    const float fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    const auto i = int32_t(fx), j = int32_t(fy), k = int32_t(fz);
    auto smooth = [](float t) { return t * t * (3.0f - 2.0f * t); };
    const float u = smooth(x - fx), v = smooth(y - fy), w = smooth(z - fz);
    auto lerp = [](float a, float b, float t) { return a + (b - a) * t; };
    auto edge = [&](int32_t dj, int32_t dk) {
        return lerp(latticeValue(i, j + dj, k + dk), latticeValue(i + 1, j + dj, k + dk), u);
    };
    return lerp(lerp(edge(0, 0), edge(1, 0), v), lerp(edge(0, 1), edge(1, 1), v), w);
}

float NoiseShader::valueAt(const QVVector3& p) const {
    float sum = 0.0f, weight = 1.0f, totalWeight = 0.0f, frequency = frequency_;
    for (int octave = 0; octave < octaves_; ++octave) {
        sum += weight * latticeNoise(p.x * frequency, p.y * frequency, p.z * frequency);
        totalWeight += weight;
        weight *= 0.5f;
        frequency *= 2.0f;
    }
    return clamp01(sum / totalWeight);
}

QVColourRecord NoiseShader::colourAt(const QVVector3& p) const {
    return blend(low_, high_, valueAt(p));
}

void addBuiltInShaders(Scene& scene) {
    const QVColourRecord black{0.0f, 0.0f, 0.0f, 1.0f};
    const QVColourRecord white{1.0f, 1.0f, 1.0f, 1.0f};
    const Ref<ProceduralShader> shaders[] = {
        Ref<ProceduralShader>::adopt(new ConstantColourShader(
            shader_names::kConstant, QVColourRecord{0.6f, 0.55f, 0.5f, 1.0f})),
        Ref<ProceduralShader>::adopt(
            new CheckerShader(shader_names::kChecker, 0.5f, black, white)),
        Ref<ProceduralShader>::adopt(
            new HeightGradientShader(shader_names::kHeightGradient, -1.0f, 1.0f,
                                     QVColourRecord{0.05f, 0.1f, 0.4f, 1.0f}, white)),
        Ref<ProceduralShader>::adopt(
            new NoiseShader(shader_names::kNoise, 0.5f, 4, 1u, black, white)),
    };
    for (const auto& shader : shaders) scene.addShader(shader.get());
}

}  // namespace brumo::host
