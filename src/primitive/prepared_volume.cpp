#include "primitive/prepared_volume.h"

#include <cmath>
#include <cstdint>

#include "brumo/parameter_codes.h"
#include "math/shaping.h"
#include "primitive/density_field.h"
#include "primitive/saturating_int.h"

namespace brumo {

namespace {

constexpr float kBiasCeiling = 0.99993896484375f;
constexpr float kTableStep = 0.00010001000191550702f;  // 1 / 9999 in single precision

// k × S × R of the noise parameters: uniform scale, per-axis scale and rotation.
AffineTransform noiseSpaceTransform(const EffectParameters& p) {
    auto inverseScale = [](float s) { return std::fabs(s) <= kNegligible ? 0.0f : 100.0f / s; };
    const float sx = inverseScale(p.noiseScaleXYZ.x);
    const float sy = inverseScale(p.noiseScaleXYZ.y);
    const float sz = inverseScale(p.noiseScaleXYZ.z);

    const float a = p.noiseRotation.x * kDegreesToRadians;
    const float b = p.noiseRotation.y * kDegreesToRadians;
    const float c = p.noiseRotation.z * kDegreesToRadians;
    const float ca = std::cos(a), sa = std::sin(a);
    const float cb = std::cos(b), sb = std::sin(b);
    const float cc = std::cos(c), sc = std::sin(c);

    // Rz(a) Ry(b) Rx(c), row by row, each row scaled by its axis.
    AffineTransform t;
    t.m[0][0] = sx * (cb * ca);
    t.m[0][1] = sx * (sb * ca * sc - cc * sa);
    t.m[0][2] = sx * (sb * ca * cc + sc * sa);
    t.m[1][0] = sy * (cb * sa);
    t.m[1][1] = sy * (sc * sb * sa + ca * cc);
    t.m[1][2] = sy * (cc * sb * sa - sc * ca);
    t.m[2][0] = sz * -sb;
    t.m[2][1] = sz * (sc * cb);
    t.m[2][2] = sz * (cc * cb);

    const float k = std::fabs(p.noiseScale) > kNegligible ? 100.0f / p.noiseScale : 0.0f;
    scaleRows(t, k);
    t.translation = p.noiseOffset;
    return t;
}

}  // namespace

PreparedVolume::PreparedVolume()
    : noiseTransform(AffineTransform::identity()),
      noiseTransformInverse(AffineTransform::identity()),
      extinction(1.0f),
      densityScale(1.0f),
      shadowGridActive(0),
      shadowGridResolution(32.0f),
      colourWeightDensity(0.0f),
      colourWeightShape(0.0f),
      colourWeightMixed(0.0f),
      cubeBounds{0.0f, {1e20f, 1e20f, 1e20f}, {-1e20f, -1e20f, -1e20f}, 0.0f} {}

PreparedVolume::~PreparedVolume() = default;

void PreparedVolume::prepareFromParameters(EffectParameters& p) {
    // Highest octave frequency; clamped first, since a huge detail would overflow the int.
    const float power = static_cast<float>(std::pow(2.0, static_cast<double>(p.detail)));
    lattice.maxFrequency = saturatingInt(2.0f * power, 0, INT32_MAX);

    noiseTransform = noiseSpaceTransform(p);
    noiseTransformInverse = noiseTransform;
    invertAffine(noiseTransformInverse);

    if (!(p.biasAmount >= kNegligible))
        p.biasAmount = kNegligible;
    else if (p.biasAmount > kBiasCeiling)
        p.biasAmount = kBiasCeiling;

    const int32_t entries = shapingTable.count() < biasTable.count() ? shapingTable.count() : biasTable.count();
    for (int32_t i = 0; i < entries; ++i) {
        const float t = static_cast<float>(i) * kTableStep;
        shapingTable[i] = gain(p.gainAmount, t);
        biasTable[i] = bias(p.biasAmount, t);
    }
    // The bias entry depends on the gain entry alone, so the two lookups of a sample become one.
    for (int32_t i = 0; i < entries; ++i) shapingTable[i] = biasTable[shapingTableIndex(shapingTable[i])];

    extinction = p.absorptionDistance > kNegligible ? 1.0f / p.absorptionDistance : 0.0f;

    // Quadratic Lagrange weights of the colour source mix for the nodes 0, 1 and 1/2.
    const float g = p.colourSourceMix;
    colourWeightDensity = g * (2.0f * g - 3.0f) + 1.0f;
    colourWeightShape = (2.0f * g - 1.0f) * g;
    colourWeightMixed = g * (4.0f - 4.0f * g);

    densityScale = 2.0f * p.densityAmount;
}

void PreparedVolume::prepareCubeBounds(float size) {
    if (cubeBounds.halfSize == size) return;
    cubeBounds.halfSize = size;
    cubeBounds.min = {-size, -size, -size};
    cubeBounds.max = {size, size, size};
    cubeBounds.inverseEdge = 1.0f / (2.0f * size);
}

}  // namespace brumo
