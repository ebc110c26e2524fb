#include "modifiers/twist_modifier.h"

#include <cmath>

namespace brumo {

TwistModifier::TwistModifier()
    : TQVComponent<TwistModifier, BasicVolumeModifier>(&parameters, sizeof(TwistParameters)),
      parameters{3.1415927f, 0.0f, 1.0f, kAxisZ},
      k(0.0f) {}

void TwistModifier::updateCache() {
    updateAxis(parameters.axis);
    range.set(parameters.start, parameters.end);
    k = 1.4142135f;
    needsUpdate = false;
}

void TwistModifier::deformPoint(const Vector3& in, Vector3& out) {
    if (needsUpdate) updateCache();
    out = in;
    const float t = range.fraction(in[mainAxis]);
    const float theta = parameters.angle * t;
    const float c = std::cos(theta);
    const float s = std::sin(theta);
    const float p = in[firstCrossAxis];
    const float q = in[secondCrossAxis];
    out[firstCrossAxis] = (c * p - s * q) * k;
    out[secondCrossAxis] = (s * p + c * q) * k;
}

}  // namespace brumo
