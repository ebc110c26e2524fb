#include "modifiers/scale_modifier.h"

#include "modifiers/deformer_lanes.h"

namespace brumo {

ScaleModifier::ScaleModifier()
    : TQVComponent<ScaleModifier, BasicVolumeModifier>(&parameters, sizeof(ScaleParameters)),
      parameters{1.0f, 1.0f, 1.0f} {}

void ScaleModifier::updateCache() { needsUpdate = false; }

void ScaleModifier::deformPoint(const Vector3& in, Vector3& out) {
    if (needsUpdate) updateCache();
    deformOnePoint(*this, in, out);
}

void ScaleModifier::deformPoints(int32_t count, const Vector3* in, Vector3* out) {
    if (needsUpdate) updateCache();
    deformRun(*this, count, in, out);
}

}  // namespace brumo
