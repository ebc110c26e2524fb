#include "modifiers/stretch_modifier.h"

#include <cmath>

#include "math/shaping.h"

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

float StretchModifier::H(float t) const { return t + bias(b, smoothStep(s0, s1, t)) * m; }

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
    out = in;
    const float t = in[mainAxis] * 0.5f + 0.5f;  // not clamped: the box's outside stretches too
    const float hv = H(t);
    const float mapped = ((hv - h0) / (h1 - h0) + h0) * 2.0f - 1.0f;
    // h1 equal to h0 (an amount so negative that e^amount is 0) squeezes the whole range to
    // nothing; the far coordinate stands for that instead of 0 / 0.
    out[mainAxis] = std::isfinite(mapped) ? mapped : kFarCoordinate;
}

}  // namespace brumo
