#include "modifiers/shift_modifier.h"

namespace brumo {

ShiftModifier::ShiftModifier()
    : TQVComponent<ShiftModifier, BasicVolumeModifier>(&parameters, sizeof(ShiftParameters)),
      parameters{1.0f, 1.0f, 0.0f, 1.0f, kAxisZ},
      s0(0.0f),
      s1(0.0f),
      inv(0.0f),
      g1(0.0f),
      g2(0.0f) {}

void ShiftModifier::updateCache() {
    updateAxis(parameters.axis);
    s0 = parameters.start;
    s1 = parameters.end;
    inv = 1.0f / (s1 - s0);  // start equal to end: see clampedFraction
    g1 = parameters.shiftFirst + 1.0f;
    g2 = parameters.shiftSecond + 1.0f;
    needsUpdate = false;
}

void ShiftModifier::deformPoint(const Vector3& in, Vector3& out) {
    if (needsUpdate) updateCache();
    out = in;
    const float t = clampedFraction(in[mainAxis], s0, inv);
    const float d = t - 0.5f;
    out[firstCrossAxis] = out[firstCrossAxis] + parameters.shiftFirst * d;
    out[secondCrossAxis] = out[secondCrossAxis] + parameters.shiftSecond * d;
    out[firstCrossAxis] = out[firstCrossAxis] * g1;
    out[secondCrossAxis] = out[secondCrossAxis] * g2;
}

}  // namespace brumo
