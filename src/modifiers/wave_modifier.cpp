#include "modifiers/wave_modifier.h"

#include <cmath>

#include "modifiers/deformer_lanes.h"

namespace brumo {

namespace {

constexpr float kPi = 3.141592653589793f;

}  // namespace

WaveModifier::WaveModifier()
    : TQVComponent<WaveModifier, BasicVolumeModifier>(&parameters, sizeof(WaveParameters)),
      parameters{0.5f, 1.0f, 0.0f, 0.0f, 1.0f, kAxisZ, kWaveAlongAxis},
      range{0.0f, 1.0f},
      k(0.0f),
      phi(0.0f),
      h(0.0f) {}

void WaveModifier::updateCache() {
    const WaveParameters& p = parameters;
    updateAxis(p.axis);
    if (p.waveMode == kWaveAcrossSecond || p.waveMode == kWaveAcrossFirst || p.waveMode == kWaveAlongAxis) {
        range.set(p.start, p.end);
    } else if (p.waveMode == kWaveRadial) {
        range = {p.start, p.end};
    }
    k = p.cycles * kPi / ((range.hi - range.lo) * 0.5f);
    // A range of zero width would make k infinite and every factor NaN; with k = 0 the wave
    // keeps the one factor its phase gives, since the clamp holds u at lo anyway.
    if (!std::isfinite(k)) k = 0.0f;
    phi = p.phase * kPi;
    h = p.amplitude * 0.5f;
    needsUpdate = false;
}

void WaveModifier::deformPoint(const Vector3& in, Vector3& out) {
    if (needsUpdate) updateCache();
    deformOnePoint(*this, in, out);
}

void WaveModifier::deformPoints(int32_t count, const Vector3* in, Vector3* out) {
    if (needsUpdate) updateCache();
    deformRun(*this, count, in, out);
}

}  // namespace brumo
