#include "modifiers/shift_modifier.h"
#include "modifiers/deformer_lanes.h"

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
    deformOnePoint(*this, in, out);
}

void ShiftModifier::deformPoints(int32_t count, const Vector3* in, Vector3* out) {
    if (needsUpdate) updateCache();
    deformRun(*this, count, in, out);
}

}  // namespace brumo
