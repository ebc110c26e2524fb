#include "modifiers/taper_modifier.h"

#include "math/shaping.h"

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
    out = in;
    float u = in[mainAxis];
    if (parameters.invert) u = -u;
    const float s = smoothStep(range.lo, range.hi, u);
    const float f = s * parameters.amount + (1.0f - parameters.amount);
    if (parameters.affectFirst) out[firstCrossAxis] = divideOrFar(out[firstCrossAxis], f);
    if (parameters.affectSecond) out[secondCrossAxis] = divideOrFar(out[secondCrossAxis], f);
}

}  // namespace brumo
