// The building blocks every effect composes its density from: the modifier pass, the vortex
// swirl, the shape mask and the noise field with its gain and bias curves.
#include <cmath>

#include "brumo/volume_modifier.h"
#include "math/shaping.h"
#include "modifiers/basic_volume_modifier.h"
#include "primitive/brumo_base.h"

namespace brumo {

namespace {

// Half-width of the cube as the mask sees it: 1 + 2^-14, so points on a face still count.
constexpr float kCubeLimit = 1.0f + kNegligible;

// False for a coordinate that is not a number, too.
inline bool withinCube(float c) { return c >= -kCubeLimit && c <= kCubeLimit; }

constexpr float kDegreesToRadians = 0.017453292f;

// Octave sums are band-limited to this footprint; the detail parameter, through the lattice's
// maxFrequency, decides how many octaves actually run.
constexpr float kNoiseWidth = 0.002f;

inline float window(bool soft, float full, float zero, float x) {
    return soft ? softStep(full, zero, x) : linearStep(full, zero, x);
}

// Positive option: full density inside 1 - b, none from 1 - a outwards.
inline float inner(bool soft, const FalloffPair& pair, float x) {
    return window(soft, 1.0f - pair.b, 1.0f - pair.a, x);
}

}  // namespace

Vector3 BrumoBase::applyModifiers(const Vector3& p) {
    Vector3 current = p;
    for (IVolumeModifier* modifier : modifiers) {
        Vector3 out = current;
        modifier->deformPoint(current, out);
        current = out;
    }
    return current;
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
    float m = parameters.meshOff != 0 ? 1.0f : meshShape.insideWeight(s);
    shapeValue = m;

    if (!withinCube(s.x) || !withinCube(s.y) || !withinCube(s.z)) {
        shapeValue = 0.0f;
        return 0.0f;
    }

    const float x = s.x;
    const float y = s.y;
    const float z = s.z;
    const float r2 = x * x + y * y + z * z;
    const float r = std::sqrt(r2);
    const float rhoZ2 = x * x + y * y;

    auto scale = [&](float factor) {
        m *= factor;
        shapeValue = m;
    };
    // Positive ball and cylinders: nothing from unit radius on (false), the soft edge inside.
    auto solid = [&](float rho2, const FalloffPair& pair) {
        if (rho2 >= 1.0f) return false;
        scale(inner(soft, pair, std::sqrt(rho2)));
        return true;
    };
    // Hollow core: density removed near the axis, untouched from unit radius on.
    auto hollowCore = [&](float rho2, const FalloffPair& pair) {
        if (rho2 < 1.0f) scale(1.0f - inner(soft, pair, std::sqrt(rho2)));
    };
    auto emptied = [&]() {
        shapeValue = 0.0f;
        return 0.0f;
    };

    // Each half takes its first option: ball, hollowed ball, then the z cylinder.
    const bool upper = z >= 0.0f;
    if ((flags & (upper ? kUpperBall : kLowerBall)) != 0) {
        if (r2 >= 1.0f) return emptied();
        scale(inner(soft, falloffs[upper ? 0 : 1], r));
    } else if ((flags & (upper ? kUpperHollowBall : kLowerHollowBall)) != 0) {
        const FalloffPair& pair = falloffs[upper ? 2 : 3];
        if (r2 < 1.0f) scale(1.0f - window(soft, pair.b, pair.a, r));
    } else if ((flags & kCylinderZ) != 0) {
        if (!solid(rhoZ2, falloffs[6])) return emptied();
    }

    if ((flags & kCylinderX) != 0 && !solid(y * y + z * z, falloffs[4])) return emptied();
    if ((flags & kCylinderY) != 0 && !solid(x * x + z * z, falloffs[5])) return emptied();
    if ((flags & kHollowCoreX) != 0) hollowCore(y * y + z * z, falloffs[7]);
    if ((flags & kHollowCoreY) != 0) hollowCore(x * x + z * z, falloffs[8]);
    if ((flags & kHollowCoreZ) != 0) hollowCore(rhoZ2, falloffs[9]);

    // Planar fades, t = 0 on the far face, 1 on the face the density fades towards.
    if ((flags & kFadePositiveX) != 0) scale(inner(soft, falloffs[10], 0.5f * x + 0.5f));
    if ((flags & kFadeNegativeX) != 0) scale(inner(soft, falloffs[13], 0.5f - 0.5f * x));
    if ((flags & kFadePositiveY) != 0) scale(inner(soft, falloffs[11], 0.5f * y + 0.5f));
    if ((flags & kFadeNegativeY) != 0) scale(inner(soft, falloffs[14], 0.5f - 0.5f * y));
    if ((flags & kFadePositiveZ) != 0) scale(inner(soft, falloffs[12], 0.5f * z + 0.5f));
    if ((flags & kFadeNegativeZ) != 0) scale(inner(soft, falloffs[15], 0.5f - 0.5f * z));

    shapeValue = m;
    return m;
}

float BrumoBase::noiseField(const Vector3& n) {
    // A host shader reads the sample point from the shading record.
    if (densityShader || colourShader) {
        shadingContext.point = {n.x, n.y, n.z};
        shadingContext.position = {n.x, n.y, n.z};
    }

    float v = 0.0f;
    switch (parameters.noiseType) {
    case 0:
        if (densityShader) {
            float result = 0.0f;
            uint8_t flag = 0;
            densityShader->evaluateValue(&result, &flag, &shadingContext);
            v = result;
        }
        break;
    case 1:
        v = lattice.fractalSumSpectral(n, 0.5f, kNoiseWidth) * 1.5f;
        break;
    case 2:
        v = lattice.turbulenceScaled(n, 0.5f, kNoiseWidth) * 1.5f;
        break;
    case 3:
        v = lattice.ridgedSum(n, kNoiseWidth);
        break;
    case 4:
        v = lattice.fractalSumScaled(n, 0.5f, kNoiseWidth) * 0.6f + 0.5f;
        break;
    default:
        break;
    }

    return shapedNoise(v);
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
    switch (parameters.noiseType) {
    case 1:
        lattice.fractalSumSpectralMany(count, points, 0.5f, kNoiseWidth, values);
        for (int32_t i = 0; i < count; ++i) values[i] = values[i] * 1.5f;
        break;
    case 2:
        lattice.turbulenceScaledMany(count, points, 0.5f, kNoiseWidth, values);
        for (int32_t i = 0; i < count; ++i) values[i] = values[i] * 1.5f;
        break;
    case 3:
        lattice.ridgedSumMany(count, points, kNoiseWidth, values);
        break;
    case 4:
        lattice.fractalSumScaledMany(count, points, 0.5f, kNoiseWidth, values);
        for (int32_t i = 0; i < count; ++i) values[i] = values[i] * 0.6f + 0.5f;
        break;
    default:
        // No field without a host shader, which the batched path never has.
        for (int32_t i = 0; i < count; ++i) values[i] = 0.0f;
        break;
    }
    for (int32_t i = 0; i < count; ++i) values[i] = shapedNoise(values[i]);
}

}  // namespace brumo
