#include "modifiers/punch_modifier.h"

#include "modifiers/deformer_lanes.h"

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
    deformOnePoint(*this, in, out);
}

void PunchModifier::deformPoints(int32_t count, const Vector3* in, Vector3* out) {
    if (needsUpdate) updateCache();
    deformRun(*this, count, in, out);
}

}  // namespace brumo
