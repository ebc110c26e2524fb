#include "math/noise_lattice.h"

#include "qv/services.h"

namespace brumo {

using noise_detail::bandFrequency;
using noise_detail::partialFade;

namespace {

// 2^-16: scales the low 16 random bits into [0, 1).
constexpr float kRandomScale = 0.0000152587890625f;
constexpr float kTwoPi = 6.2831855f;

RandomServiceSource randomSource = nullptr;

IQVUtilityService* latticeRandom() { return randomSource != nullptr ? randomSource() : nullptr; }

inline Vector3 octavePoint(const Vector3& p, float f) { return {p.x * f, p.y * f, p.z * f}; }

// The sum of fractalSumScaled (octave values) and turbulenceScaled (their magnitudes): each
// octave weighs amp / f, amp falling by gain from octave to octave.
template <bool magnitudes>
float scaledOctaveSum(const NoiseLattice& lattice, const Vector3& p, float gain, float width) {
    auto octave = [&lattice, &p](float f) {
        const float n = lattice.evaluate<NoiseLattice::Fade::quintic>(octavePoint(p, f));
        return magnitudes ? std::fabs(n) : n;
    };
    const float fmax = bandFrequency(width, lattice.maxFrequency);
    const float limit = fmax * 0.5f;
    float sum = 0.0f;
    float amp = 1.0f;
    float f = 1.0f;
    while (f < limit) {
        sum += octave(f) * amp / f;
        amp *= gain;
        f *= kLacunarity;
    }
    const float fade = partialFade(fmax, f);
    if (fade > 0.0f) sum += octave(f) * (fade * amp) / f;
    return sum;
}

}  // namespace

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
    laneTables.made = 0;
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
    laneTables.made = 0;
    ready = true;
}

float NoiseLattice::fractalSumScaled(const Vector3& p, float gain, float width) {
    ensureReady();
    return scaledOctaveSum<false>(*this, p, gain, width);
}

float NoiseLattice::turbulenceScaled(const Vector3& p, float gain, float width) {
    ensureReady();
    return scaledOctaveSum<true>(*this, p, gain, width);
}

float NoiseLattice::fractalSumSpectral(const Vector3& p, float h, float width) {
    ensureReady();
    const float fmax = bandFrequency(width, maxFrequency);
    const float limit = fmax * 0.5f;
    float sum = 0.0f;
    float e = 0.0f;
    float f = 1.0f;
    while (f < limit) {
        sum += std::pow(kLacunarity, e) * evaluate<Fade::quintic>(octavePoint(p, f));
        e -= h;
        f *= kLacunarity;
    }
    const float fade = partialFade(fmax, f);
    if (fade > 0.0f)
        sum += evaluate<Fade::quintic>(octavePoint(p, f)) * fade * std::pow(kLacunarity, e);
    return sum;
}

float NoiseLattice::ridgedSum(const Vector3& p, float width) {
    ensureReady();
    const float fmax = bandFrequency(width, maxFrequency);
    const float limit = fmax * 0.5f;
    float sum = 0.0f;
    float weight = 1.0f;
    float f = 1.0f;
    while (f < limit) {
        const float s = 1.0f - std::fabs(evaluate<Fade::cubic>(octavePoint(p, f)));
        // f^-1: the ridges' spectral exponent is the constant -1.
        const float t = s * s * weight * (1.0f / f);
        sum += t;
        weight = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
        f *= kLacunarity;
    }
    const float fade = partialFade(fmax, f);
    if (fade > 0.0f) {
        const float s = 1.0f - std::fabs(evaluate<Fade::cubic>(octavePoint(p, f)));
        const float t = s * s * weight * (1.0f / f);
        sum += t * fade;
    }
    return sum;
}

}  // namespace brumo
