#include "modifiers/shift_modifier.h"

namespace brumo {

ShiftModifier::ShiftModifier()
    : TQVComponent<ShiftModifier, BasicVolumeModifier>(&parameters, sizeof(ShiftParameters)),
      parameters{1.0f, 1.0f, 0.0f, 1.0f, kAxisZ},
      g1(0.0f),
      g2(0.0f) {}

void ShiftModifier::updateCache() {
    updateAxis(parameters.axis);
    range.set(parameters.start, parameters.end);
    g1 = parameters.shiftFirst + 1.0f;
    g2 = parameters.shiftSecond + 1.0f;
    needsUpdate = false;
}

void ShiftModifier::deformPoint(const Vector3& in, Vector3& out) {
    if (needsUpdate) updateCache();
    out = in;
    const float t = range.fraction(in[mainAxis]);
    const float d = t - 0.5f;
    out[firstCrossAxis] = out[firstCrossAxis] + parameters.shiftFirst * d;
    out[secondCrossAxis] = out[secondCrossAxis] + parameters.shiftSecond * d;
    out[firstCrossAxis] = out[firstCrossAxis] * g1;
    out[secondCrossAxis] = out[secondCrossAxis] * g2;
}

}  // namespace brumo
