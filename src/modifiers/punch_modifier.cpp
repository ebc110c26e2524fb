#include "modifiers/punch_modifier.h"

#include <cmath>

namespace brumo {

PunchModifier::PunchModifier()
    : TQVComponent<PunchModifier, BasicVolumeModifier>(&parameters, sizeof(PunchParameters)),
      parameters{0.5f, 0.5f, kAxisZ, 0} {}

void PunchModifier::updateCache() {
    updateAxis(parameters.axis);
    needsUpdate = false;
}

void PunchModifier::deformPoint(const Vector3& in, Vector3& out) {
    if (needsUpdate) updateCache();
    out = in;
    float u = in[mainAxis];
    if (parameters.invert) u = -u;
    if (u <= 0.0f) return;

    const float amount = parameters.amount;
    const float b = amount > 0.0f ? 1.0f : 1.0f + amount;
    const float r = 1.0f / parameters.radius;
    float f;
    if (!std::isfinite(r)) {
        // Radius 0: a dent of no width. Every point is infinitely far from the axis in units of
        // the radius (e → ∞), which leaves f = b rather than 0 × ∞ on the axis.
        f = b;
    } else {
        const float a1 = in[firstCrossAxis] * r;
        const float a2 = in[secondCrossAxis] * r;
        const float e = a1 * a1 + a2 * a2;
        const float ratio = std::isinf(e) ? 1.0f : (e - 1.0f) / (e + 1.0f);
        f = amount * (ratio - 1.0f) * 0.5f + b;
    }
    out[mainAxis] = divideOrFar(out[mainAxis], f);
}

}  // namespace brumo
