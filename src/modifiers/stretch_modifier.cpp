#include "modifiers/stretch_modifier.h"

#include <cmath>

#include "modifiers/deformer_lanes.h"

namespace brumo {

namespace {
constexpr float kBiasCeiling = 0.99993896484375f;  // 1 - 2^-14
}  // namespace

StretchModifier::StretchModifier()
    : TQVComponent<StretchModifier, BasicVolumeModifier>(&parameters, sizeof(StretchParameters)),
      parameters{0.5f, 0.0f, 0.0f, 1.0f, kAxisZ},
      s0(0.0f),
      s1(0.0f),
      b(0.5f),
      m(0.0f),
      h0(0.0f),
      h1(0.0f) {}

float StretchModifier::H(float t) const { return stretchCurve(*this, t); }

void StretchModifier::updateCache() {
    updateAxis(parameters.axis);
    s0 = parameters.start;
    s1 = parameters.end;
    b = 1.0f - parameters.curve;
    if (b < kSmallestFactor) b = kSmallestFactor;
    if (!(b < kBiasCeiling)) b = kBiasCeiling;
    m = std::exp(parameters.amount) - 1.0f;
    h0 = H(0.0f);
    h1 = H(1.0f);
    needsUpdate = false;
}

void StretchModifier::deformPoint(const Vector3& in, Vector3& out) {
    if (needsUpdate) updateCache();
    deformOnePoint(*this, in, out);
}

void StretchModifier::deformPoints(int32_t count, const Vector3* in, Vector3* out) {
    if (needsUpdate) updateCache();
    deformRun(*this, count, in, out);
}

}  // namespace brumo
