#include "modifiers/taper_modifier.h"

#include "math/shaping.h"

namespace brumo {

TaperModifier::TaperModifier()
    : TQVComponent<TaperModifier, BasicVolumeModifier>(&parameters, sizeof(TaperParameters)),
      parameters{0.5f, 0.0f, 1.0f, kAxisZ, 0, 1, 1},
      lo(0.0f),
      hi(0.0f) {}

void TaperModifier::updateCache() {
    updateAxis(parameters.axis);
    lo = 2.0f * parameters.start - 1.0f;
    hi = 2.0f * parameters.end - 1.0f;
    needsUpdate = false;
}

void TaperModifier::deformPoint(const Vector3& in, Vector3& out) {
    if (needsUpdate) updateCache();
    out = in;
    float u = in[mainAxis];
    if (parameters.invert) u = -u;
    const float s = smoothStep(lo, hi, u);
    const float f = s * parameters.amount + (1.0f - parameters.amount);
    if (parameters.affectFirst) out[firstCrossAxis] = divideOrFar(out[firstCrossAxis], f);
    if (parameters.affectSecond) out[secondCrossAxis] = divideOrFar(out[secondCrossAxis], f);
}

}  // namespace brumo
