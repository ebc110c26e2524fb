// Seeded gradient-noise lattice: a 256-entry permutation and unit gradients, three single-octave
// gradient noises that differ only in their interpolation weights, and four band-limited octave
// sums. Plain data with no allocation; owners embed it by value.
#pragma once

#include <cmath>
#include <cstdint>

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

    // Evaluation on a lattice known to be ready.
    enum class Fade { linear, cubic, quintic };
    template <Fade fade>
    float evaluate(const Vector3& p) const;

    // To be called after permutation or gradients were written other than by create and
    // buildLattice: the vector lanes then derive their tables afresh.
    void latticeChanged() { laneTables.made = 0; }

    // What the vector lanes look up, derived from permutation and gradients at the first batch
    // after create, buildLattice or latticeChanged. Entry k pairs the corners hashed to k and to
    // k + 1, which the two x corners of a cell always are.
    struct LaneTables {
        // P[k] in the low 16 bits, P[k + 1] in the high 16 bits, both masked to 0..255.
        int32_t hashPairs[256];
        // Gradient component (x, y, z) of corner P[k] in the low float, of P[k + 1] in the high.
        int64_t gradientPairs[3][256];
        // The same two gradients as one row (x, y, z, 0 of P[k], then of P[k + 1]), for the sets
        // that load rows and transpose them instead of gathering.
        float gradientRows[256][8];
        uint8_t made;
    };
    LaneTables laneTables;

private:
    void ensureReady();
    const LaneTables& currentLaneTables();
    void noiseMany(Fade fade, int32_t count, const Vector3* points, float* out);
    bool octaveSumInLanes(int32_t kind, float parameter, float width, int32_t count, const Vector3* points,
                          float* out);
};

constexpr float kLacunarity = 2.13f;

namespace noise_detail {

// Splits a coordinate into its lattice cell, wrapped to 0..255 (the lattice repeats every 256
// cells), and the offset inside the cell. Any finite float works; false for NaN and infinities.
inline bool latticeCell(float x, int32_t& cell, float& offset) {
    if (std::fabs(x) < 2147483648.0f) {
        int32_t i = static_cast<int32_t>(x);
        if (x < static_cast<float>(i)) --i;
        offset = x - static_cast<float>(i);
        cell = i & 255;
        return true;
    }
    if (!std::isfinite(x)) return false;
    // Beyond the int range every float is a multiple of 256: cell 0, offset 0.
    cell = 0;
    offset = 0.0f;
    return true;
}

inline float lerp(float a, float b, float w) { return a + (b - a) * w; }

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

}  // namespace noise_detail

template <NoiseLattice::Fade fade>
inline float NoiseLattice::evaluate(const Vector3& p) const {
    int32_t ix, iy, iz;
    float fx, fy, fz;
    if (!noise_detail::latticeCell(p.x, ix, fx) || !noise_detail::latticeCell(p.y, iy, fy) ||
        !noise_detail::latticeCell(p.z, iz, fz))
        return 0.0f;

    // Corner hash: z first, x last, every index masked into the 256 entries.
    const int32_t* P = permutation;
    const int32_t hz0 = P[iz & 255];
    const int32_t hz1 = P[(iz + 1) & 255];
    const int32_t hy00 = P[(iy + hz0) & 255];
    const int32_t hy10 = P[(iy + 1 + hz0) & 255];
    const int32_t hy01 = P[(iy + hz1) & 255];
    const int32_t hy11 = P[(iy + 1 + hz1) & 255];
    auto corner = [&](int32_t hy, int i, float dx, float dy, float dz) {
        const Vector3& g = gradients[P[(ix + i + hy) & 255]];
        return g.x * dx + g.y * dy + g.z * dz;
    };
    const float gx = fx - 1.0f;
    const float gy = fy - 1.0f;
    const float gz = fz - 1.0f;
    const float c000 = corner(hy00, 0, fx, fy, fz);
    const float c100 = corner(hy00, 1, gx, fy, fz);
    const float c010 = corner(hy10, 0, fx, gy, fz);
    const float c110 = corner(hy10, 1, gx, gy, fz);
    const float c001 = corner(hy01, 0, fx, fy, gz);
    const float c101 = corner(hy01, 1, gx, fy, gz);
    const float c011 = corner(hy11, 0, fx, gy, gz);
    const float c111 = corner(hy11, 1, gx, gy, gz);

    float wx, wy, wz;
    if (fade == Fade::linear) {
        wx = fx < 0.0f ? 0.0f : (fx > 1.0f ? 1.0f : fx);
        wy = fy < 0.0f ? 0.0f : (fy > 1.0f ? 1.0f : fy);
        wz = fz < 0.0f ? 0.0f : (fz > 1.0f ? 1.0f : fz);
    } else if (fade == Fade::cubic) {
        wx = fx * fx * (3.0f - 2.0f * fx);
        wy = fy * fy * (3.0f - 2.0f * fy);
        wz = fz * fz * (3.0f - 2.0f * fz);
    } else {
        wx = fx * fx * fx * (10.0f - 15.0f * fx + 6.0f * fx * fx);
        wy = fy * fy * fy * (10.0f - 15.0f * fy + 6.0f * fy * fy);
        wz = fz * fz * fz * (10.0f - 15.0f * fz + 6.0f * fz * fz);
    }

    using noise_detail::lerp;
    const float a0 = lerp(c000, c100, wx);
    const float a1 = lerp(c010, c110, wx);
    const float b0 = lerp(c001, c101, wx);
    const float b1 = lerp(c011, c111, wx);
    return lerp(lerp(a0, a1, wy), lerp(b0, b1, wy), wz);
}

inline void NoiseLattice::ensureReady() {
    if (!ready) buildLattice();
}

inline float NoiseLattice::gradientNoiseLinear(const Vector3& p) {
    ensureReady();
    return evaluate<Fade::linear>(p);
}
inline float NoiseLattice::gradientNoiseCubic(const Vector3& p) {
    ensureReady();
    return evaluate<Fade::cubic>(p);
}
inline float NoiseLattice::gradientNoiseQuintic(const Vector3& p) {
    ensureReady();
    return evaluate<Fade::quintic>(p);
}

}  // namespace brumo
