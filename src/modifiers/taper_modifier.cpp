#include "modifiers/taper_modifier.h"

#include "modifiers/deformer_lanes.h"

namespace brumo {

TaperModifier::TaperModifier()
    : TQVComponent<TaperModifier, BasicVolumeModifier>(&parameters, sizeof(TaperParameters)),
      parameters{0.5f, 0.0f, 1.0f, kAxisZ, 0, 1, 1} {}

void TaperModifier::updateCache() {
    updateAxis(parameters.axis);
    range.set(parameters.start, parameters.end);
    needsUpdate = false;
}

void TaperModifier::deformPoint(const Vector3& in, Vector3& out) {
    if (needsUpdate) updateCache();
    deformOnePoint(*this, in, out);
}

void TaperModifier::deformPoints(int32_t count, const Vector3* in, Vector3* out) {
    if (needsUpdate) updateCache();
    deformRun(*this, count, in, out);
}

}  // namespace brumo
