// The seeded lattice and its noises, observed through the public functions: the lattice itself,
// the three single-octave noises against a direct evaluation of the lattice formula, and the
// octave sums against a plain re-evaluation with a given octave count and band.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "math/noise_lattice.h"
#include "support/test_host.h"
#include "built_lattice.h"

namespace brumo {
namespace {

using test::builtLattice;
using test::randomService;

// The noise formula written out directly over the lattice's tables, with floor and masked
// integer indices: corner hash z first and x last, interpolation along x, then y, then z.
float directNoise(const NoiseLattice& lattice, const Vector3& p, int fade) {
    const int ix = static_cast<int>(std::floor(p.x));
    const int iy = static_cast<int>(std::floor(p.y));
    const int iz = static_cast<int>(std::floor(p.z));
    const float fx = p.x - static_cast<float>(ix);
    const float fy = p.y - static_cast<float>(iy);
    const float fz = p.z - static_cast<float>(iz);
    const int32_t* P = lattice.permutation;
    float c[2][2][2];
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j)
            for (int k = 0; k < 2; ++k) {
                const int h = P[(ix + i + P[(iy + j + P[(iz + k) & 255]) & 255]) & 255];
                const Vector3& g = lattice.gradients[h];
                c[i][j][k] = g.x * (fx - i) + g.y * (fy - j) + g.z * (fz - k);
            }
    auto weight = [fade](float f) {
        if (fade == 0) return f < 0.0f ? 0.0f : (f > 1.0f ? 1.0f : f);
        if (fade == 1) return f * f * (3.0f - 2.0f * f);
        return f * f * f * (10.0f - 15.0f * f + 6.0f * f * f);
    };
    const float wx = weight(fx), wy = weight(fy), wz = weight(fz);
    auto lerp = [](float a, float b, float w) { return a + (b - a) * w; };
    const float a0 = lerp(c[0][0][0], c[1][0][0], wx);
    const float a1 = lerp(c[0][1][0], c[1][1][0], wx);
    const float b0 = lerp(c[0][0][1], c[1][0][1], wx);
    const float b1 = lerp(c[0][1][1], c[1][1][1], wx);
    return lerp(lerp(a0, a1, wy), lerp(b0, b1, wy), wz);
}

// A spread of points with fractional parts everywhere in the cell, negatives included.
Vector3 samplePoint(int i) {
    return {-40.0f + static_cast<float>(i) * 0.37312f, 17.0f - static_cast<float>(i) * 0.2191f,
            static_cast<float>(i % 97) * -0.6133f + 3.1f};
}

TEST(NoiseLattice, CreationAndBuilding) {
    NoiseLattice lattice;
    lattice.create(randomService());
    EXPECT_FALSE(lattice.ready);
    EXPECT_EQ(lattice.maxFrequency, 100);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(lattice.permutation[i], i);

    // The seed is the next number of the module's random service, the host's.
    randomService()->setRandomSeed(99);
    const int32_t expectedSeed = randomService()->nextRandom();
    randomService()->setRandomSeed(99);
    lattice.create();
    EXPECT_EQ(lattice.seed, expectedSeed);

    lattice.buildLattice(randomService());
    ASSERT_TRUE(lattice.ready);
    bool seen[256] = {};
    int moved = 0;
    for (int i = 0; i < 256; ++i) {
        const int32_t v = lattice.permutation[i];
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 256);
        EXPECT_FALSE(seen[v]) << "permutation repeats " << v;
        seen[v] = true;
        if (v != i) ++moved;
        EXPECT_NEAR(length(lattice.gradients[i]), 1.0f, 1e-6f) << "gradient " << i;
    }
    EXPECT_GT(moved, 200);

    // A ready lattice is not rebuilt, even when its seed changed.
    const int32_t before = lattice.permutation[17];
    lattice.seed += 1;
    lattice.buildLattice(randomService());
    EXPECT_EQ(lattice.permutation[17], before);
}

TEST(NoiseLattice, EqualSeedsGiveEqualLatticesWhateverCameBefore) {
    const NoiseLattice fresh = builtLattice(4242);

    // Rebuilt from other seeds first, then reseeded to the same seed.
    NoiseLattice reseeded = builtLattice(7);
    reseeded.seed = 12345;
    reseeded.ready = false;
    reseeded.buildLattice(randomService());
    reseeded.seed = 4242;
    reseeded.ready = false;
    reseeded.buildLattice(randomService());

    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(reseeded.permutation[i], fresh.permutation[i]) << i;
        ASSERT_EQ(reseeded.gradients[i], fresh.gradients[i]) << i;
    }
    const NoiseLattice other = builtLattice(4243);
    int differing = 0;
    for (int i = 0; i < 256; ++i) differing += other.permutation[i] != fresh.permutation[i];
    EXPECT_GT(differing, 200);
}

TEST(NoiseLattice, NoisesFollowTheLatticeFormula) {
    NoiseLattice lattice = builtLattice(31337);
    for (int i = 0; i < 2000; ++i) {
        const Vector3 p = samplePoint(i);
        ASSERT_EQ(lattice.gradientNoiseLinear(p), directNoise(lattice, p, 0)) << i;
        ASSERT_EQ(lattice.gradientNoiseCubic(p), directNoise(lattice, p, 1)) << i;
        ASSERT_EQ(lattice.gradientNoiseQuintic(p), directNoise(lattice, p, 2)) << i;
    }
    // The noise is not trivially zero and stays within the bound of unit gradients.
    float largest = 0.0f;
    for (int i = 0; i < 2000; ++i)
        largest = std::fmax(largest, std::fabs(lattice.gradientNoiseQuintic(samplePoint(i))));
    EXPECT_GT(largest, 0.2f);
    EXPECT_LT(largest, 1.5f);
}

TEST(NoiseLattice, ZeroAtLatticePointsAndWrappingCells) {
    NoiseLattice lattice = builtLattice(5);
    const float integers[] = {0.0f, 1.0f, -1.0f, 7.0f, -255.0f, 256.0f, 1e6f, -3e7f};
    for (float x : integers)
        for (float y : integers) {
            const Vector3 p{x, y, -x};
            EXPECT_EQ(lattice.gradientNoiseLinear(p), 0.0f);
            EXPECT_EQ(lattice.gradientNoiseCubic(p), 0.0f);
            EXPECT_EQ(lattice.gradientNoiseQuintic(p), 0.0f);
        }

    // Negative cells hash through the same mask: cell -1 is cell 255, and the lattice repeats
    // every 256 cells.
    const Vector3 negative{-0.5f, 0.25f, 0.75f};
    EXPECT_EQ(lattice.gradientNoiseCubic(negative), lattice.gradientNoiseCubic({255.5f, 0.25f, 0.75f}));
    EXPECT_EQ(lattice.gradientNoiseCubic(negative), directNoise(lattice, negative, 1));
    EXPECT_NE(lattice.gradientNoiseCubic(negative), 0.0f);
    for (int i = 0; i < 200; ++i) {
        const Vector3 p{static_cast<float>(i) * 0.125f + 0.0625f, 0.375f, -2.75f};
        const Vector3 q{p.x + 256.0f * 1000.0f, p.y - 256.0f * 7.0f, p.z + 256.0f};
        ASSERT_EQ(lattice.gradientNoiseQuintic(p), lattice.gradientNoiseQuintic(q)) << i;
    }
}

TEST(NoiseLattice, AnyFloatIsSafe) {
    NoiseLattice lattice = builtLattice(8);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const Vector3 bad[] = {{nan, 0.5f, 0.5f}, {0.5f, nan, 0.5f}, {0.5f, 0.5f, -nan},
                           {inf, 0.5f, 0.5f}, {0.5f, -inf, 0.5f}, {0.5f, 0.5f, inf}};
    for (const Vector3& p : bad) {
        EXPECT_EQ(lattice.gradientNoiseLinear(p), 0.0f);
        EXPECT_EQ(lattice.gradientNoiseCubic(p), 0.0f);
        EXPECT_EQ(lattice.gradientNoiseQuintic(p), 0.0f);
        EXPECT_TRUE(std::isfinite(lattice.fractalSumScaled(p, 0.5f, 0.002f)));
        EXPECT_TRUE(std::isfinite(lattice.turbulenceScaled(p, 0.5f, 0.002f)));
        EXPECT_TRUE(std::isfinite(lattice.fractalSumSpectral(p, 0.5f, 0.002f)));
        EXPECT_TRUE(std::isfinite(lattice.ridgedSum(p, 0.002f)));
    }
    EXPECT_EQ(lattice.fractalSumScaled({nan, 1.5f, 0.25f}, 0.5f, 0.002f), 0.0f);

    // Coordinates far beyond the int range are whole multiples of 256: they land on cell 0.
    const float huge[] = {3e9f, -3e9f, 1e20f, -1e30f, std::numeric_limits<float>::max()};
    for (float h : huge) {
        EXPECT_EQ(lattice.gradientNoiseCubic({h, 0.3f, 0.7f}), lattice.gradientNoiseCubic({0.0f, 0.3f, 0.7f}));
        EXPECT_EQ(lattice.gradientNoiseQuintic({0.4f, h, 0.6f}), lattice.gradientNoiseQuintic({0.4f, 0.0f, 0.6f}));
        EXPECT_TRUE(std::isfinite(lattice.ridgedSum({h, h, 0.5f}, 0.002f)));
    }
    // Just inside the int range the cell index must not overflow while the corners are hashed.
    const float edge = 2147483520.0f;  // 2^31 - 128, cell 128
    EXPECT_EQ(lattice.gradientNoiseCubic({edge, 0.3f, 0.7f}), lattice.gradientNoiseCubic({128.0f, 0.3f, 0.7f}));
    EXPECT_EQ(lattice.gradientNoiseCubic({0.2f, -edge, 0.7f}), lattice.gradientNoiseCubic({0.2f, 128.0f, 0.7f}));
}

TEST(NoiseLattice, BuiltOnFirstUse) {
    NoiseLattice lattice;
    lattice.create();
    lattice.seed = 2024;
    const float first = lattice.gradientNoiseQuintic({0.3f, 0.6f, 0.9f});
    EXPECT_TRUE(lattice.ready);
    const NoiseLattice reference = builtLattice(2024);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(lattice.permutation[i], reference.permutation[i]);
    EXPECT_EQ(first, directNoise(reference, {0.3f, 0.6f, 0.9f}, 2));
}

// The octave sums re-evaluated plainly from the single-octave noises, for a given number of
// full octaves and a given band top fmax (the partial octave fades by 2 (fmax - f) / fmax).
enum class Sum { scaled, turbulence, spectral, ridged };

float plainSum(NoiseLattice& lattice, Sum kind, const Vector3& p, float parameter, int fullOctaves,
               float fmax) {
    float sum = 0.0f, amp = 1.0f, e = 0.0f, weight = 1.0f, f = 1.0f;
    for (int octave = 0; octave <= fullOctaves; ++octave) {
        const bool partial = octave == fullOctaves;
        float fade = 1.0f;
        if (partial) fade = std::fmin(1.0f, std::fmax(0.0f, 2.0f * (fmax - f) / fmax));
        const Vector3 q{p.x * f, p.y * f, p.z * f};
        switch (kind) {
            case Sum::scaled:
                sum += partial ? lattice.gradientNoiseQuintic(q) * (fade * amp) / f
                               : lattice.gradientNoiseQuintic(q) * amp / f;
                amp *= parameter;
                break;
            case Sum::turbulence:
                sum += partial ? std::fabs(lattice.gradientNoiseQuintic(q)) * (fade * amp) / f
                               : std::fabs(lattice.gradientNoiseQuintic(q)) * amp / f;
                amp *= parameter;
                break;
            case Sum::spectral:
                sum += partial ? lattice.gradientNoiseQuintic(q) * fade * std::pow(2.13f, e)
                               : std::pow(2.13f, e) * lattice.gradientNoiseQuintic(q);
                e -= parameter;
                break;
            case Sum::ridged: {
                const float s = 1.0f - std::fabs(lattice.gradientNoiseCubic(q));
                const float t = s * s * weight * (1.0f / f);
                sum += partial ? t * fade : t;
                weight = std::fmin(1.0f, std::fmax(0.0f, t));
                break;
            }
        }
        f *= 2.13f;
    }
    return sum;
}

float librarySum(NoiseLattice& lattice, Sum kind, const Vector3& p, float parameter, float width) {
    switch (kind) {
        case Sum::scaled: return lattice.fractalSumScaled(p, parameter, width);
        case Sum::turbulence: return lattice.turbulenceScaled(p, parameter, width);
        case Sum::spectral: return lattice.fractalSumSpectral(p, parameter, width);
        case Sum::ridged: return lattice.ridgedSum(p, width);
    }
    return 0.0f;
}

constexpr Sum kAllSums[] = {Sum::scaled, Sum::turbulence, Sum::spectral, Sum::ridged};

TEST(OctaveSums, WorkedBandOfTheEffects) {
    // Width 0.002 and maxFrequency 100: full octaves at 1, 2.13, 4.5369, 9.6636, 20.583, 43.842
    // and a partial one near 93.38 with fade near 0.132.
    const float expected[] = {1.0f, 2.13f, 4.5369f, 9.6636f, 20.583f, 43.842f, 93.38f};
    float f = 1.0f;
    for (float e : expected) {
        EXPECT_NEAR(f, e, 0.01f);
        f *= 2.13f;
    }
    f = 1.0f;
    for (int i = 0; i < 6; ++i) f *= 2.13f;
    EXPECT_NEAR(2.0f * (100.0f - f) / 100.0f, 0.132f, 0.0005f);

    NoiseLattice lattice = builtLattice(77);
    ASSERT_EQ(lattice.maxFrequency, 100);
    for (Sum kind : kAllSums) {
        int mismatchWithFewer = 0, mismatchWithMore = 0;
        for (int i = 0; i < 300; ++i) {
            const Vector3 p = samplePoint(i) * 0.173f;
            const float value = librarySum(lattice, kind, p, 0.55f, 0.002f);
            ASSERT_EQ(value, plainSum(lattice, kind, p, 0.55f, 6, 100.0f)) << "sum " << int(kind) << " at " << i;
            mismatchWithFewer += value != plainSum(lattice, kind, p, 0.55f, 5, 100.0f);
            mismatchWithMore += value != plainSum(lattice, kind, p, 0.55f, 7, 100.0f);
        }
        // The comparison can tell octave counts apart, except for the ridged sum, whose weights
        // have faded below float precision by the last octaves.
        if (kind != Sum::ridged) {
            EXPECT_GT(mismatchWithFewer, 250);
            EXPECT_GT(mismatchWithMore, 250);
        }
    }

    // maxFrequency 64 (the other setting the effects use): fmax 64, limit 32, five full octaves.
    lattice.maxFrequency = 64;
    for (Sum kind : kAllSums)
        for (int i = 0; i < 100; ++i) {
            const Vector3 p = samplePoint(i) * 0.31f;
            ASSERT_EQ(librarySum(lattice, kind, p, 0.5f, 0.002f), plainSum(lattice, kind, p, 0.5f, 5, 64.0f));
        }
}

TEST(OctaveSums, BandFloorAndCeilingLeaveOneOctave) {
    NoiseLattice lattice = builtLattice(1234);
    // A footprint so wide that fmax would fall below 2, or maxFrequency 2: a single octave at
    // f = 1 with fade 1.
    for (int i = 0; i < 200; ++i) {
        const Vector3 p = samplePoint(i) * 0.21f;
        const float n = lattice.gradientNoiseQuintic(p);
        const float c = lattice.gradientNoiseCubic(p);
        const float ridge = (1.0f - std::fabs(c)) * (1.0f - std::fabs(c));
        for (float width : {0.25f, 1.0f, 1e6f}) {
            EXPECT_EQ(lattice.fractalSumScaled(p, 0.7f, width), n);
            EXPECT_EQ(lattice.turbulenceScaled(p, 0.7f, width), std::fabs(n));
            EXPECT_EQ(lattice.fractalSumSpectral(p, 0.3f, width), n);
            EXPECT_EQ(lattice.ridgedSum(p, width), ridge);
        }
    }
    lattice.maxFrequency = 2;
    for (int i = 0; i < 200; ++i) {
        const Vector3 p = samplePoint(i) * 0.21f;
        const float n = lattice.gradientNoiseQuintic(p);
        for (float width : {0.002f, 1e-9f, 0.0f, 0.1f}) {
            EXPECT_EQ(lattice.fractalSumScaled(p, 0.7f, width), n);
            EXPECT_EQ(lattice.fractalSumSpectral(p, 0.3f, width), n);
        }
    }
    // Just below the floor the partial octave is the second one: fmax 4 gives limit 2, one full
    // octave, then f = 2.13 fading by 2 (4 - 2.13) / 4.
    lattice.maxFrequency = 100;
    for (int i = 0; i < 100; ++i) {
        const Vector3 p = samplePoint(i) * 0.21f;
        ASSERT_EQ(lattice.fractalSumScaled(p, 0.6f, 0.125f), plainSum(lattice, Sum::scaled, p, 0.6f, 1, 4.0f));
    }
}

}  // namespace
}  // namespace brumo
