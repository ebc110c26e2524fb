#include "modifiers/bulge_modifier.h"

#include <cmath>

#include "modifiers/deformer_lanes.h"

namespace brumo {

BulgeModifier::BulgeModifier()
    : TQVComponent<BulgeModifier, BasicVolumeModifier>(&parameters, sizeof(BulgeParameters)),
      parameters{0.5f, 0.0f, 1.0f, kAxisZ, 1, 1},
      A(0.0f),
      B(0.0f),
      C(0.0f) {}

void BulgeModifier::updateCache() {
    updateAxis(parameters.axis);
    range.set(parameters.start, parameters.end);
    const float lo = range.lo, hi = range.hi;
    const float width = hi - lo;
    A = parameters.amount * -4.0f / (width * width);
    B = -A * (hi + lo);
    C = hi * lo * A;
    // start equal to end leaves a parabola of no width (A infinite). The bulge then has nothing
    // to act on and the whole axis takes the factor of the ends: g = 0.
    if (!std::isfinite(A) || !std::isfinite(B) || !std::isfinite(C)) {
        A = 0.0f;
        B = 0.0f;
        C = 0.0f;
    }
    needsUpdate = false;
}

void BulgeModifier::deformPoint(const Vector3& in, Vector3& out) {
    if (needsUpdate) updateCache();
    deformOnePoint(*this, in, out);
}

void BulgeModifier::deformPoints(int32_t count, const Vector3* in, Vector3* out) {
    if (needsUpdate) updateCache();
    deformRun(*this, count, in, out);
}

}  // namespace brumo
