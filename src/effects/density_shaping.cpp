// The building blocks every effect composes its density from: the modifier pass, the vortex
// swirl, the shape mask and the noise field with its gain and bias curves.
#include <cmath>

#include "brumo/volume_modifier.h"
#include "math/shaping.h"
#include "modifiers/basic_volume_modifier.h"
#include "primitive/brumo_base.h"
#include "primitive/density_lanes.h"

namespace brumo {

namespace {

constexpr float kDegreesToRadians = 0.017453292f;

// Octave sums are band-limited to this footprint; the detail parameter, through the lattice's
// maxFrequency, decides how many octaves actually run.
constexpr float kNoiseWidth = 0.002f;

}  // namespace

Vector3 BrumoBase::applyModifiers(const Vector3& p) {
    Vector3 moved = p;
    applyModifiersMany(1, &p, &moved);
    return moved;
}

void BrumoBase::applyModifiersMany(int32_t count, const Vector3* points, Vector3* moved) {
    for (int32_t i = 0; i < count; ++i) moved[i] = points[i];
    Vector3 before[kDensityBatch];
    for (int32_t m = 0; m < modifiers.count(); ++m) {
        for (int32_t i = 0; i < count; ++i) before[i] = moved[i];
        BasicVolumeModifier* own = m < ownModifiers.count() ? ownModifiers[m] : nullptr;
        if (own != nullptr) {
            own->deformPoints(count, before, moved);
            continue;
        }
        for (int32_t i = 0; i < count; ++i) modifiers[m]->deformPoint(before[i], moved[i]);
    }
}

void BrumoBase::applyVortex(const Vortex& vortex, Vector3& q, float heightFactor) {
    const int i = vortex.axisI;
    const int j = vortex.axisJ;
    const float di = q[i] - vortex.centre[i];
    const float dj = q[j] - vortex.centre[j];
    const float d = di * di + dj * dj;
    if (d >= vortex.radiusSquared) return;

    // u runs from 1 on the axis to 0 at the radius.
    const float u = (vortex.radiusSquared - d) * vortex.inverseRadiusSquared;
    float theta = u * u * vortex.twist * heightFactor * kDegreesToRadians;
    if (vortex.reverse != 0) theta = -theta;
    const float c = std::cos(theta);
    const float s = std::sin(theta);
    q[i] = vortex.centre[i] + di * c - dj * s;
    q[j] = vortex.centre[j] + di * s + dj * c;
    q[vortex.axisK] += vortex.lift * theta;
}

void BrumoBase::applyVortices(Vector3& q, float heightFactor) const {
    for (int32_t k = vortices.count() - 1; k >= 0; --k) applyVortex(vortices[k], q, heightFactor);
}

float BrumoBase::shapeMask(const Vector3& s, uint32_t flags, const FalloffPair (&falloffs)[16],
                           bool soft) {
    float mask = 0.0f;
    shapeMaskMany(1, &s, flags, falloffs, soft, &mask);
    return mask;
}

void BrumoBase::shapeMaskMany(int32_t count, const Vector3* points, uint32_t flags, const FalloffPair (&falloffs)[16],
                              bool soft, float* out) {
    float start[kDensityBatch];
    for (int32_t i = 0; i < count; ++i) start[i] = parameters.meshOff != 0 ? 1.0f : meshShape.insideWeight(points[i]);
    shapeWeightMany(count, points, start, flags, falloffs, soft, out);
}

float BrumoBase::noiseField(const Vector3& n) {
    float v = 0.0f;
    noiseFieldMany(1, &n, &v);
    return v;
}

float BrumoBase::shapedNoise(float v) const {
    if (!(v > 0.0f))
        v = 0.0f;
    else if (v > 1.0f)
        v = 1.0f;

    // Both tables always hold 10000 entries (a primitive without them is never built).
    v = gainTable[tableIndex(v)];
    return biasTable[tableIndex(v)];
}

void BrumoBase::noiseFieldMany(int32_t count, const Vector3* points, float* values) {
    // A host shader reads the sample point from the shading record: one point at a time, the
    // record left with the last one.
    if (densityShader || colourShader) {
        for (int32_t i = 0; i < count; ++i) {
            const Vector3& n = points[i];
            shadingContext.point = {n.x, n.y, n.z};
            shadingContext.position = {n.x, n.y, n.z};
            float v = 0.0f;
            if (parameters.noiseType == kNoiseFromShader && densityShader) {
                uint8_t flag = 0;
                densityShader->evaluateValue(&v, &flag, &shadingContext);
            } else if (parameters.noiseType != kNoiseFromShader) {
                builtInField(1, &n, &v);
            }
            values[i] = shapedNoise(v);
        }
        return;
    }
    builtInField(count, points, values);
    for (int32_t i = 0; i < count; ++i) values[i] = shapedNoise(values[i]);
}

void BrumoBase::builtInField(int32_t count, const Vector3* points, float* values) {
    switch (parameters.noiseType) {
    case kSpectralSum:
        lattice.fractalSumSpectralMany(count, points, 0.5f, kNoiseWidth, values);
        for (int32_t i = 0; i < count; ++i) values[i] = values[i] * 1.5f;
        break;
    case kTurbulenceSum:
        lattice.turbulenceScaledMany(count, points, 0.5f, kNoiseWidth, values);
        for (int32_t i = 0; i < count; ++i) values[i] = values[i] * 1.5f;
        break;
    case kRidgedSum:
        lattice.ridgedSumMany(count, points, kNoiseWidth, values);
        break;
    case kFractalSum:
        lattice.fractalSumScaledMany(count, points, 0.5f, kNoiseWidth, values);
        for (int32_t i = 0; i < count; ++i) values[i] = values[i] * 0.6f + 0.5f;
        break;
    default:
        // Type 0 without a host shader, or an unknown type: no field.
        for (int32_t i = 0; i < count; ++i) values[i] = 0.0f;
        break;
    }
}

}  // namespace brumo
