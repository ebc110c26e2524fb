#include "modifiers/twist_modifier.h"

#include "modifiers/deformer_lanes.h"

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
    deformOnePoint(*this, in, out);
}

void TwistModifier::deformPoints(int32_t count, const Vector3* in, Vector3* out) {
    if (needsUpdate) updateCache();
    deformRun(*this, count, in, out);
}

}  // namespace brumo
