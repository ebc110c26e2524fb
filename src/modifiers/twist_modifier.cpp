#include "modifiers/twist_modifier.h"

#include <cmath>

namespace brumo {

TwistModifier::TwistModifier()
    : TQVComponent<TwistModifier, BasicVolumeModifier>(&parameters, sizeof(TwistParameters)),
      parameters{3.1415927f, 0.0f, 1.0f, kAxisZ},
      s0(0.0f),
      s1(0.0f),
      inv(0.0f),
      k(0.0f) {}

void TwistModifier::updateCache() {
    updateAxis(parameters.axis);
    s0 = parameters.start;
    s1 = parameters.end;
    inv = 1.0f / (s1 - s0);  // start equal to end: see clampedFraction
    k = 1.4142135f;
    needsUpdate = false;
}

void TwistModifier::deformPoint(const Vector3& in, Vector3& out) {
    if (needsUpdate) updateCache();
    out = in;
    const float t = clampedFraction(in[mainAxis], s0, inv);
    const float theta = parameters.angle * t;
    const float c = std::cos(theta);
    const float s = std::sin(theta);
    const float p = in[firstCrossAxis];
    const float q = in[secondCrossAxis];
    out[firstCrossAxis] = (c * p - s * q) * k;
    out[secondCrossAxis] = (s * p + c * q) * k;
}

}  // namespace brumo
