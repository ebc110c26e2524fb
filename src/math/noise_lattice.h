// Seeded gradient-noise lattice: a 256-entry permutation and unit gradients, three single-octave
// gradient noises that differ only in their interpolation weights, and four band-limited octave
// sums. Plain data with no allocation; owners embed it by value.
#pragma once

#include <cstdint>

#include "math/octave_plan.h"
#include "math/one_lane.h"
#include "math/vector3.h"

struct IQVUtilityService;

namespace brumo {

// Where create and buildLattice without a service take theirs from (and so does a lattice
// evaluated before it was built): the module installs its accessor at initialisation. Without
// one there is no service.
using RandomServiceSource = IQVUtilityService* (*)();
void setLatticeRandomSource(RandomServiceSource source);

struct NoiseLattice {
    int32_t permutation[256];
    Vector3 gradients[256];
    bool ready;
    int32_t maxFrequency;
    int32_t seed;

    // Unready, identity permutation, a fresh seed from the random service, frequencies up to 100.
    void create();
    void create(IQVUtilityService* random);

    // Shuffles the permutation and draws the gradients from the seed through the random
    // service; nothing while ready. The lattice depends on its seed alone.
    void buildLattice();
    void buildLattice(IQVUtilityService* random);

    float gradientNoiseLinear(const Vector3& p);
    float gradientNoiseCubic(const Vector3& p);
    float gradientNoiseQuintic(const Vector3& p);

    // Octave sums band-limited by the sample footprint width (frequency 0.5 / width, at most
    // maxFrequency, at least 2), octaves 2.13 apart, the last one faded in.
    float fractalSumScaled(const Vector3& p, float gain, float width);
    float turbulenceScaled(const Vector3& p, float gain, float width);
    float fractalSumSpectral(const Vector3& p, float h, float width);
    float ridgedSum(const Vector3& p, float width);

    // The same functions at count points at once, in the widest vector lanes the CPU offers
    // (see vector_lanes.h): out[i] is exactly what the one-point function gives for points[i].
    void gradientNoiseLinearMany(int32_t count, const Vector3* points, float* out);
    void gradientNoiseCubicMany(int32_t count, const Vector3* points, float* out);
    void gradientNoiseQuinticMany(int32_t count, const Vector3* points, float* out);
    void fractalSumScaledMany(int32_t count, const Vector3* points, float gain, float width, float* out);
    void turbulenceScaledMany(int32_t count, const Vector3* points, float gain, float width, float* out);
    void fractalSumSpectralMany(int32_t count, const Vector3* points, float h, float width, float* out);
    void ridgedSumMany(int32_t count, const Vector3* points, float width, float* out);

    enum class Fade { linear, cubic, quintic };

    // To be called after permutation or gradients were written other than by create and
    // buildLattice: the next noise then derives its tables afresh.
    void latticeChanged() { laneTables.made = 0; }

    // What the noise looks up, derived from permutation and gradients by create and buildLattice,
    // or at the first noise after latticeChanged. Entry k pairs the corners hashed to k and to
    // k + 1, which the two x corners of a cell always are.
    struct LaneTables {
        // P[k] in the low 16 bits, P[k + 1] in the high 16 bits, both masked to 0..255.
        int32_t hashPairs[256];
        // P[k] masked to 0..255, for the sets that look bytes up in registers.
        uint8_t hashBytes[256];
        // The gradients of corners P[k] and P[k + 1] as one cache line of pairs from kRowX on,
        // x0 x1 y0 y1 z0 z1, with the z pair also in front: z0 z1 0 0 x0 x1 y0 y1 z0 z1 0 0 0 0 0 0.
        // Read in 16-byte blocks, as 64-bit pairs, or as 32 bytes with the z pair after or
        // before the x and y pairs.
        alignas(64) float gradientRows[256][16];
        static constexpr int32_t kRowX = 4;  // where x0 is
        uint8_t made;
    };
    LaneTables laneTables;
    PlanCache planCache;

private:
    // The tables of a ready lattice (built first when it is not).
    const LaneTables& currentLaneTables();
    void makeLaneTables();
    void noiseMany(Fade fade, int32_t count, const Vector3* points, float* out);
    bool octaveSumInLanes(int32_t kind, float parameter, float width, int32_t count, const Vector3* points,
                          float* out);
    void octaveSumsInOneLane(int32_t kind, float parameter, float width, int32_t count, const Vector3* points,
                             float* out);
    // In lanes where they are on and the batch is worth them, else in one lane.
    void octaveSums(int32_t kind, float parameter, float width, int32_t count, const Vector3* points, float* out);
};

// How the AVX-512 sets read the gradients: gathers, or row loads and a transpose. Chosen once
// from the CPU (rows on AMD, gathers elsewhere); the bits are the same either way. For tests
// and benchmarks, which compare both in one process; not to be switched while a render runs.
// Other sets and builds without lanes keep their one way.
enum class GradientReads : int32_t { gathers, rows };
GradientReads gradientReads();
void setGradientReads(GradientReads reads);

constexpr float kLacunarity = 2.13f;

// The noise kernels in one lane: the one-point functions, and every batch without vector lanes.
// Inline, so that a caller's noises overlap as the plain scalar code did.
namespace noise_one_lane {

namespace hn = one_lane;
#include "math/lane_types-inl.h"

BRUMO_KERNEL_INLINE VI hashPair(const NoiseLattice::LaneTables& t, VI k) { return {t.hashPairs[k.raw]}; }
#include "math/noise_hash_pairs-inl.h"

struct KeyHint {
    explicit KeyHint(bool) {}
};

BRUMO_KERNEL_INLINE void gradientPair(const NoiseLattice::LaneTables& t, VI k, KeyHint&, VF (&g0)[3], VF (&g1)[3]) {
    const float* row = t.gradientRows[k.raw] + NoiseLattice::LaneTables::kRowX;
    for (int c = 0; c < 3; ++c) {
        g0[c] = {row[2 * c]};
        g1[c] = {row[2 * c + 1]};
    }
}

constexpr bool kLookAhead = true;
constexpr bool kFloorRounds = false;  // floorf is a library call without SSE4
constexpr bool kOctavesLook = false;

#include "math/noise_kernels-inl.h"

// A batch without vector lanes a few points at a time, each in a lane of its own, so that the
// chains of lookups of a group overlap: kernel.run<U>(x, y, z, out) takes U one-lane vectors.
constexpr int kGroupInOneLane = 2;

template <int U, class Kernel>
BRUMO_KERNEL_INLINE void groupInOneLane(const Vector3* points, float* out, const Kernel& kernel) {
    VF x[U], y[U], z[U], values[U];
    for (int u = 0; u < U; ++u) {
        x[u] = {points[u].x};
        y[u] = {points[u].y};
        z[u] = {points[u].z};
    }
    kernel.template run<U>(x, y, z, values);
    for (int u = 0; u < U; ++u) out[u] = values[u].raw;
}

template <class Kernel>
inline void batchInOneLane(int32_t count, const Vector3* points, float* out, const Kernel& kernel) {
    int32_t i = 0;
    for (; i + kGroupInOneLane <= count; i += kGroupInOneLane)
        groupInOneLane<kGroupInOneLane>(points + i, out + i, kernel);
    for (; i < count; ++i) groupInOneLane<1>(points + i, out + i, kernel);
}

template <NoiseLattice::Fade fade>
struct NoiseKernel {
    const NoiseLattice::LaneTables& t;
    template <int U>
    BRUMO_KERNEL_INLINE void run(const VF (&x)[U], const VF (&y)[U], const VF (&z)[U], VF (&out)[U]) const {
        noise<fade, U>(t, x, y, z, out);
    }
};

template <NoiseLattice::Fade fade>
inline float noiseAt(const NoiseLattice::LaneTables& t, const Vector3& p) {
    float value;
    groupInOneLane<1>(&p, &value, NoiseKernel<fade>{t});
    return value;
}

}  // namespace noise_one_lane

inline const NoiseLattice::LaneTables& NoiseLattice::currentLaneTables() {
    if (!ready) buildLattice();
    if (laneTables.made != 1) makeLaneTables();
    return laneTables;
}

inline float NoiseLattice::gradientNoiseLinear(const Vector3& p) {
    return noise_one_lane::noiseAt<Fade::linear>(currentLaneTables(), p);
}

inline float NoiseLattice::gradientNoiseCubic(const Vector3& p) {
    return noise_one_lane::noiseAt<Fade::cubic>(currentLaneTables(), p);
}

inline float NoiseLattice::gradientNoiseQuintic(const Vector3& p) {
    return noise_one_lane::noiseAt<Fade::quintic>(currentLaneTables(), p);
}

}  // namespace brumo
