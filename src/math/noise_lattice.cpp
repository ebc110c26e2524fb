#include "math/noise_lattice.h"

#include <cmath>
#include <cstring>

#include "math/octave_plan.h"
#include "qv/services.h"

namespace brumo {

namespace noise_one_lane {

template <SumKind kind>
struct SumKernel {
    const NoiseLattice::LaneTables& t;
    const OctavePlan& plan;
    template <int U>
    BRUMO_KERNEL_INLINE void run(const VF (&x)[U], const VF (&y)[U], const VF (&z)[U], VF (&out)[U]) const {
        octaveSum<kind, U>(t, plan, x, y, z, out);
    }
};

template <SumKind kind>
inline float octaveSumAt(const NoiseLattice::LaneTables& t, const OctavePlan& plan, const Vector3& p) {
    float value;
    groupInOneLane<1>(&p, &value, SumKernel<kind>{t, plan});
    return value;
}

}  // namespace noise_one_lane

namespace {

// 2^-16: scales the low 16 random bits into [0, 1).
constexpr float kRandomScale = 0.0000152587890625f;
constexpr float kTwoPi = 6.2831855f;

RandomServiceSource randomSource = nullptr;

IQVUtilityService* latticeRandom() { return randomSource != nullptr ? randomSource() : nullptr; }

// Highest frequency the footprint allows, kept between 2 and the lattice's maxFrequency.
inline float bandFrequency(float width, int32_t maxFrequency) {
    float fmax = 0.5f / width;
    if (fmax < 2.0f)
        fmax = 2.0f;
    else if (fmax > static_cast<float>(maxFrequency))
        fmax = static_cast<float>(maxFrequency);
    return fmax;
}

// Weight of the partial octave at frequency f, in [0, 1] (0 for a NaN band).
inline float partialFade(float fmax, float f) {
    const float fade = 2.0f * (fmax - f) / fmax;
    if (!(fade > 0.0f)) return 0.0f;
    return fade > 1.0f ? 1.0f : fade;
}

inline uint32_t bitsOf(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

}  // namespace

OctavePlan planOctaves(SumKind kind, float parameter, float width, int32_t maxFrequency) {
    OctavePlan plan;
    plan.count = 0;
    const float fmax = bandFrequency(width, maxFrequency);
    const float limit = fmax * 0.5f;
    float amp = 1.0f;
    float e = 0.0f;
    float f = 1.0f;
    auto factor = [&](float scaledFactor) {
        if (kind == SumKind::spectral) return std::pow(kLacunarity, e);
        if (kind == SumKind::ridged) return 1.0f / f;  // the ridges' spectral exponent is -1
        return scaledFactor;
    };
    while (f < limit && plan.count < kMaxOctaves - 1) {
        plan.frequency[plan.count] = f;
        plan.factor[plan.count] = factor(amp);
        ++plan.count;
        amp *= parameter;
        e -= parameter;
        f *= kLacunarity;
    }
    plan.fade = partialFade(fmax, f);
    plan.partial = plan.fade > 0.0f;
    if (plan.partial) {
        plan.frequency[plan.count] = f;
        plan.factor[plan.count] = factor(plan.fade * amp);
        ++plan.count;
    }
    return plan;
}

const OctavePlan& PlanCache::get(SumKind sumKind, float sumParameter, float sumWidth, int32_t sumMaxFrequency) {
    if (!valid || kind != sumKind || parameter != bitsOf(sumParameter) || width != bitsOf(sumWidth) ||
        maxFrequency != sumMaxFrequency) {
        plan = planOctaves(sumKind, sumParameter, sumWidth, sumMaxFrequency);
        kind = sumKind;
        parameter = bitsOf(sumParameter);
        width = bitsOf(sumWidth);
        maxFrequency = sumMaxFrequency;
        valid = true;
    }
    return plan;
}

void setLatticeRandomSource(RandomServiceSource source) { randomSource = source; }

void NoiseLattice::create() { create(latticeRandom()); }

void NoiseLattice::buildLattice() { buildLattice(latticeRandom()); }

void NoiseLattice::create(IQVUtilityService* random) {
    ready = false;
    for (int32_t i = 0; i < 256; ++i) {
        permutation[i] = i;
        gradients[i] = kZeroVector;
    }
    seed = random != nullptr ? random->nextRandom() : 0;
    maxFrequency = 100;
    planCache.valid = false;
    makeLaneTables();
}

void NoiseLattice::buildLattice(IQVUtilityService* random) {
    if (ready || random == nullptr) return;

    // Shuffle from the identity so that the lattice depends on its seed alone, not on the
    // seeds it was built with before.
    for (int32_t i = 0; i < 256; ++i) permutation[i] = i;
    random->setRandomSeed(seed);
    for (int32_t i = 0; i < 256; ++i) {
        const int32_t r = random->nextRandom();
        const int32_t j = r & 255;
        const int32_t held = permutation[i];
        permutation[i] = permutation[j];
        permutation[j] = held;
    }

    // Same sequence again: the k-th gradient comes from the same draw as the k-th swap. One
    // draw gives both the height z and the azimuth, uniform on the sphere in z.
    random->setRandomSeed(seed);
    for (int32_t k = 0; k < 256; ++k) {
        const int32_t r = random->nextRandom();
        const float u = static_cast<float>(r & 0xFFFF) * kRandomScale;
        const float z = 1.0f - 2.0f * u;
        const float rho = std::sqrt(1.0f - z * z);
        const double theta = static_cast<double>(z) * static_cast<double>(kTwoPi);
        gradients[k] = {static_cast<float>(rho * std::cos(theta)),
                        static_cast<float>(rho * std::sin(theta)), z};
    }
    makeLaneTables();
    ready = true;
}

void NoiseLattice::makeLaneTables() {
    LaneTables& t = laneTables;
    // A permutation entry outside 0..255 would index past the gradients: masked here.
    for (int32_t k = 0; k < 256; ++k) {
        const int32_t h0 = permutation[k] & 255;
        const int32_t h1 = permutation[(k + 1) & 255] & 255;
        t.hashPairs[k] = h0 | (h1 << 16);
        t.hashBytes[k] = static_cast<uint8_t>(h0);
        const Vector3& g0 = gradients[h0];
        const Vector3& g1 = gradients[h1];
        const float row[16] = {g0.z, g1.z, 0.0f, 0.0f, g0.x, g1.x, g0.y, g1.y,
                               g0.z, g1.z, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
        std::memcpy(t.gradientRows[k], row, sizeof row);
    }
    t.made = 1;
}

void NoiseLattice::octaveSumsInOneLane(int32_t kind, float parameter, float width, int32_t count,
                                       const Vector3* points, float* out) {
    using noise_one_lane::batchInOneLane;
    using noise_one_lane::SumKernel;
    const LaneTables& t = currentLaneTables();
    const SumKind sum = static_cast<SumKind>(kind);
    const OctavePlan& plan = planCache.get(sum, parameter, width, maxFrequency);
    switch (sum) {
        case SumKind::scaled: return batchInOneLane(count, points, out, SumKernel<SumKind::scaled>{t, plan});
        case SumKind::turbulence: return batchInOneLane(count, points, out, SumKernel<SumKind::turbulence>{t, plan});
        case SumKind::spectral: return batchInOneLane(count, points, out, SumKernel<SumKind::spectral>{t, plan});
        case SumKind::ridged: return batchInOneLane(count, points, out, SumKernel<SumKind::ridged>{t, plan});
    }
}

float NoiseLattice::fractalSumScaled(const Vector3& p, float gain, float width) {
    const LaneTables& t = currentLaneTables();
    return noise_one_lane::octaveSumAt<SumKind::scaled>(t, planCache.get(SumKind::scaled, gain, width, maxFrequency), p);
}

float NoiseLattice::turbulenceScaled(const Vector3& p, float gain, float width) {
    const LaneTables& t = currentLaneTables();
    return noise_one_lane::octaveSumAt<SumKind::turbulence>(t, planCache.get(SumKind::turbulence, gain, width, maxFrequency),
                                                       p);
}

float NoiseLattice::fractalSumSpectral(const Vector3& p, float h, float width) {
    const LaneTables& t = currentLaneTables();
    return noise_one_lane::octaveSumAt<SumKind::spectral>(t, planCache.get(SumKind::spectral, h, width, maxFrequency), p);
}

float NoiseLattice::ridgedSum(const Vector3& p, float width) {
    const LaneTables& t = currentLaneTables();
    return noise_one_lane::octaveSumAt<SumKind::ridged>(t, planCache.get(SumKind::ridged, 0.0f, width, maxFrequency), p);
}

}  // namespace brumo
