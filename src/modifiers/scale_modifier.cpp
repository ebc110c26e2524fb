#include "modifiers/scale_modifier.h"

#include <cmath>

#include "modifiers/deformer_lanes.h"

namespace brumo {

namespace {

// A zero scale squeezes the effect to nothing along its axis; the far coordinate stands for
// that instead of the infinity (or 0 / 0 at the centre) of the plain division.
inline float divideByScale(float coordinate, float scale) {
    const float q = coordinate / scale;
    return std::isfinite(q) ? q : kFarCoordinate;
}

}  // namespace

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
