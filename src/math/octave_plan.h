// The per-octave factors of one octave sum, worked out once per band rather than per point: the
// one loop that makes the frequencies and weights every octave sum reads.
#pragma once

#include <cstdint>

namespace brumo {

// Enough for any band: the band top is at most 2^31, so f stays below 2^30 for 28 octaves.
constexpr int32_t kMaxOctaves = 40;

enum class SumKind : int32_t { scaled, turbulence, spectral, ridged };

// Octave k samples at frequency[k] and weighs with factor[k] (amp for the scaled sums, the
// spectral weight 2.13^e, 1 / f for the ridges). When partial, the last octave is the faded one
// and, for the scaled sums, its factor already holds fade * amp.
struct OctavePlan {
    int32_t count;
    bool partial;
    float fade;
    float frequency[kMaxOctaves];
    float factor[kMaxOctaves];
};

// parameter: the gain of the scaled sums, h of the spectral sum, unused by the ridges.
OctavePlan planOctaves(SumKind kind, float parameter, float width, int32_t maxFrequency);

// The plan of the last band asked for: a march asks for the same band sample after sample, and
// working the factors out again (a pow per octave) would cost more than the noise. Plain data,
// kept by each lattice and so by the thread that uses it; invalid until the first call.
struct PlanCache {
    bool valid;
    SumKind kind;
    uint32_t parameter;  // the bits of the floats
    uint32_t width;
    int32_t maxFrequency;
    OctavePlan plan;

    const OctavePlan& get(SumKind kind, float parameter, float width, int32_t maxFrequency);
};

}  // namespace brumo
