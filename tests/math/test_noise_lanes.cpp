// The batch noise functions against the one-point ones, bit for bit, in every vector target
// this build and CPU offer and on the one-point path ("scalar"): single noises and octave sums
// over points from everywhere a float can be, bands, gains, lattices filled by hand, counts
// that leave a partial vector; and the choice of target itself.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "math/noise_lattice.h"
#include "math/vector_lanes.h"
#include "support/test_host.h"
#include "built_lattice.h"

namespace brumo {
namespace {

using test::builtLattice;
using test::randomService;

std::vector<std::string> allTargets() {
    std::vector<std::string> names;
    for (int32_t i = 0; i < vectorTargetCount(); ++i) names.emplace_back(vectorTargetAt(i));
    return names;
}

uint32_t bitsOf(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

std::string describe(const Vector3& p) {
    char text[160];
    std::snprintf(text, sizeof text, "(%.9g, %.9g, %.9g) bits %08x %08x %08x", p.x, p.y, p.z, bitsOf(p.x),
                  bitsOf(p.y), bitsOf(p.z));
    return text;
}

// Same bits at every index (NaN results included); the first difference is reported.
void expectSameBits(const std::vector<float>& expected, const std::vector<float>& got,
                    const std::vector<Vector3>& points, const std::string& what) {
    ASSERT_EQ(expected.size(), got.size());
    if (std::memcmp(expected.data(), got.data(), expected.size() * sizeof(float)) == 0) return;
    for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(bitsOf(expected[i]), bitsOf(got[i]))
            << what << " at " << i << " of " << expected.size() << ": " << describe(points[i]) << " one point "
            << expected[i] << ", batch " << got[i];
}

// Coordinates from every region: small and large cells, beyond the int range, exact integers
// and their neighbours, the edge of the int range, zeros of both signs, subnormals, NaN and
// infinities (rare, each in a single coordinate).
float coordinate(std::mt19937& rng) {
    std::uniform_int_distribution<int> kind(0, 99);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    static const float special[] = {std::numeric_limits<float>::quiet_NaN(),
                                    -std::numeric_limits<float>::quiet_NaN(),
                                    std::numeric_limits<float>::infinity(),
                                    -std::numeric_limits<float>::infinity(),
                                    0.0f,
                                    -0.0f,
                                    1e-40f,
                                    -1e-40f,
                                    -1e-10f,
                                    1e-10f,
                                    2147483520.0f,
                                    -2147483520.0f,
                                    2147483648.0f,
                                    -2147483648.0f,
                                    std::numeric_limits<float>::max(),
                                    -std::numeric_limits<float>::max(),
                                    8388607.5f,
                                    -8388607.5f,
                                    16777215.0f};
    const int k = kind(rng);
    if (k < 40) return unit(rng) * 8.0f;
    if (k < 55) return unit(rng) * 1e6f;
    if (k < 65) return unit(rng) * 3e9f;
    if (k < 75) return std::floor(unit(rng) * 600.0f);
    if (k < 85) {
        const float whole = std::floor(unit(rng) * 600.0f);
        return std::nextafter(whole, unit(rng) < 0.0f ? -1e9f : 1e9f);
    }
    if (k < 97) return unit(rng) * 300.0f - 0.5f;
    return special[std::uniform_int_distribution<size_t>(0, std::size(special) - 1)(rng)];
}

std::vector<Vector3> mixedPoints(std::mt19937& rng, size_t count) {
    std::vector<Vector3> points(count);
    for (Vector3& p : points) p = {coordinate(rng), coordinate(rng), coordinate(rng)};
    return points;
}

// The four octave sums and the three single noises behind one switch.
enum class Function { linear, cubic, quintic, scaled, turbulence, spectral, ridged };
constexpr Function kAllFunctions[] = {Function::linear, Function::cubic,      Function::quintic, Function::scaled,
                                      Function::turbulence, Function::spectral, Function::ridged};
const char* nameOf(Function f) {
    static const char* const names[] = {"linear", "cubic", "quintic", "scaled", "turbulence", "spectral", "ridged"};
    return names[static_cast<int>(f)];
}

float onePoint(NoiseLattice& l, Function f, const Vector3& p, float parameter, float width) {
    switch (f) {
    case Function::linear: return l.gradientNoiseLinear(p);
    case Function::cubic: return l.gradientNoiseCubic(p);
    case Function::quintic: return l.gradientNoiseQuintic(p);
    case Function::scaled: return l.fractalSumScaled(p, parameter, width);
    case Function::turbulence: return l.turbulenceScaled(p, parameter, width);
    case Function::spectral: return l.fractalSumSpectral(p, parameter, width);
    case Function::ridged: return l.ridgedSum(p, width);
    }
    return 0.0f;
}

void batch(NoiseLattice& l, Function f, int32_t count, const Vector3* points, float parameter, float width,
           float* out) {
    switch (f) {
    case Function::linear: return l.gradientNoiseLinearMany(count, points, out);
    case Function::cubic: return l.gradientNoiseCubicMany(count, points, out);
    case Function::quintic: return l.gradientNoiseQuinticMany(count, points, out);
    case Function::scaled: return l.fractalSumScaledMany(count, points, parameter, width, out);
    case Function::turbulence: return l.turbulenceScaledMany(count, points, parameter, width, out);
    case Function::spectral: return l.fractalSumSpectralMany(count, points, parameter, width, out);
    case Function::ridged: return l.ridgedSumMany(count, points, width, out);
    }
}

struct Case {
    Function function;
    int32_t maxFrequency;
    float parameter;  // gain or h
    float width;
};

std::string describe(const Case& c) {
    char text[160];
    std::snprintf(text, sizeof text, "%s maxFrequency %d parameter %g width %g", nameOf(c.function),
                  c.maxFrequency, c.parameter, c.width);
    return text;
}

// Both ways the AVX-512 sets can read the gradients, whichever this CPU chose.
constexpr GradientReads kBothReads[] = {GradientReads::gathers, GradientReads::rows};
const char* nameOf(GradientReads reads) { return reads == GradientReads::rows ? "rows" : "gathers"; }

// The one-point results once, then every target's batch against them, with either read.
void expectBatchesMatch(NoiseLattice& lattice, const Case& c, const std::vector<Vector3>& points,
                        const std::vector<std::string>& targets) {
    lattice.maxFrequency = c.maxFrequency;
    ASSERT_TRUE(selectVectorTarget("scalar"));
    std::vector<float> expected(points.size());
    for (size_t i = 0; i < points.size(); ++i) expected[i] = onePoint(lattice, c.function, points[i], c.parameter, c.width);
    for (const std::string& target : targets)
        for (GradientReads reads : kBothReads) {
            ASSERT_TRUE(selectVectorTarget(target.c_str()));
            setGradientReads(reads);
            std::vector<float> got(points.size(), -7.0f);
            batch(lattice, c.function, static_cast<int32_t>(points.size()), points.data(), c.parameter, c.width,
                  got.data());
            expectSameBits(expected, got, points, target + " " + nameOf(reads) + " " + describe(c));
            if (::testing::Test::HasFatalFailure()) return;
        }
}

class NoiseLanes : public ::testing::Test {
protected:
    void TearDown() override {
        selectVectorTarget("auto");
        setGradientReads(chosenReads);
    }
    const std::vector<std::string> targets = allTargets();
    const GradientReads chosenReads = gradientReads();
};

TEST_F(NoiseLanes, TargetListAndSelection) {
    ASSERT_GE(vectorTargetCount(), 1);
    EXPECT_STREQ(vectorTargetAt(vectorTargetCount() - 1), "scalar");
    EXPECT_EQ(vectorTargetAt(vectorTargetCount()), nullptr);
    EXPECT_EQ(vectorTargetAt(-1), nullptr);

    // Automatic: the best set, lanes whenever there is one.
    ASSERT_TRUE(selectVectorTarget("auto"));
    EXPECT_STREQ(vectorTargetName(), vectorTargetAt(0));
    EXPECT_EQ(vectorLanesEnabled(), vectorTargetCount() > 1);

    for (const std::string& name : targets) {
        ASSERT_TRUE(selectVectorTarget(name.c_str())) << name;
        EXPECT_EQ(vectorTargetName(), name);
        EXPECT_EQ(vectorLanesEnabled(), name != "scalar");
    }

    // Unknown names change nothing.
    ASSERT_TRUE(selectVectorTarget(targets.front().c_str()));
    for (const char* unknown : {"", "AVX9", "Scalar", "avx2", "SCALAR", "scalar ", "AUTO"}) {
        EXPECT_FALSE(selectVectorTarget(unknown)) << unknown;
        EXPECT_EQ(vectorTargetName(), targets.front()) << unknown;
    }
    EXPECT_FALSE(selectVectorTarget(nullptr));
}

TEST_F(NoiseLanes, SingleNoisesAtPointsFromEverywhere) {
    std::mt19937 rng(1);
    for (int32_t seed : {11, 4242, -9}) {
        NoiseLattice lattice = builtLattice(seed);
        const std::vector<Vector3> points = mixedPoints(rng, 200000);
        for (Function f : {Function::linear, Function::cubic, Function::quintic}) {
            expectBatchesMatch(lattice, {f, 100, 0.0f, 0.0f}, points, targets);
            if (HasFatalFailure()) return;
        }
    }
}

// Points along rays, as the marches take them: most vectors of lanes hold one cell or two.
// Then vectors whose first and last lanes share a cell with another cell between them.
TEST_F(NoiseLanes, PointsAlongRaysAndVectorsThatReturnToTheirFirstCell) {
    std::mt19937 rng(6);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    NoiseLattice lattice = builtLattice(5);
    std::vector<Vector3> points;
    for (int ray = 0; ray < 400; ++ray) {
        const Vector3 start{unit(rng) * 20.0f, unit(rng) * 20.0f, unit(rng) * 20.0f};
        const float length = std::pow(10.0f, 1.5f * unit(rng) - 1.0f);
        const Vector3 step{unit(rng) * length, unit(rng) * length, unit(rng) * length};
        const int samples = 1 + static_cast<int>(rng() % 70);
        Vector3 p = start;
        for (int k = 0; k < samples; ++k, p = p + step) points.push_back(p);
    }
    while (points.size() % 16 != 0) points.push_back(points.back());
    for (int v = 0; v < 60; ++v) {
        const Vector3 home{unit(rng) * 20.0f, unit(rng) * 20.0f, unit(rng) * 20.0f};
        const Vector3 away = home + Vector3{1.0f, v % 3 == 0 ? 1.0f : 0.0f, 0.0f};
        for (int lane = 0; lane < 16; ++lane) points.push_back(lane == 1 + v % 14 ? away : home);
    }
    for (Function f : kAllFunctions) {
        expectBatchesMatch(lattice, {f, 100, 0.5f, 0.002f}, points, targets);
        if (HasFatalFailure()) return;
    }
}

TEST_F(NoiseLanes, OctaveSumsOverBandsAndGains) {
    std::mt19937 rng(2);
    NoiseLattice lattice = builtLattice(77);
    const std::vector<Vector3> points = mixedPoints(rng, 5000);
    // Points as the effects' sums see them: within a few hundred cells.
    std::vector<Vector3> near(5000);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    for (Vector3& p : near) p = {unit(rng) * 40.0f, unit(rng) * 40.0f, unit(rng) * 40.0f};

    const int32_t frequencies[] = {2, 4, 8, 16, 64, 100, 1 << 20};
    const float widths[] = {0.002f, 1.0f, 1e-9f, 1e30f};
    const float parameters[] = {0.0f, 0.5f, 1.0f, 2.0f, -0.75f};
    int index = 0;
    for (Function f : {Function::scaled, Function::turbulence, Function::spectral, Function::ridged})
        for (int32_t maxFrequency : frequencies)
            for (float width : widths) {
                const float parameter = parameters[index++ % std::size(parameters)];
                expectBatchesMatch(lattice, {f, maxFrequency, parameter, width}, points, targets);
                expectBatchesMatch(lattice, {f, maxFrequency, parameter, width}, near, targets);
                if (HasFatalFailure()) return;
            }
    // Every gain and h at the band the effects use, and bands the footprint cannot set.
    for (Function f : {Function::scaled, Function::turbulence, Function::spectral})
        for (float parameter : parameters) {
            expectBatchesMatch(lattice, {f, 128, parameter, 0.002f}, near, targets);
            if (HasFatalFailure()) return;
        }
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (Function f : {Function::scaled, Function::spectral, Function::ridged})
        for (const Case& c : {Case{f, 100, 0.5f, 0.0f}, Case{f, 100, 0.5f, -0.01f}, Case{f, 100, 0.5f, nan},
                              Case{f, 0, 0.5f, 0.002f}, Case{f, -5, 0.5f, 0.002f}, Case{f, INT32_MAX, 0.5f, 1e-12f},
                              Case{f, 100, nan, 0.002f}, Case{f, 100, 40.0f, 1e-9f}}) {
            expectBatchesMatch(lattice, c, near, targets);
            if (HasFatalFailure()) return;
        }
}

TEST_F(NoiseLanes, PartialVectorsReadAndWriteOnlyTheirPoints) {
    std::mt19937 rng(3);
    NoiseLattice lattice = builtLattice(31);
    for (const std::string& target : targets) {
        ASSERT_TRUE(selectVectorTarget(target.c_str()));
        // Up to beyond one step of four 16-lane vectors, and its rest.
        for (int32_t count = 0; count <= 70; ++count)
            for (GradientReads reads : kBothReads) {
                setGradientReads(reads);
                // Exactly count points on the heap, so that a read past the end is an error
                // under AddressSanitizer; guard values behind the output.
                const std::vector<Vector3> points = mixedPoints(rng, static_cast<size_t>(count));
                for (Function f : kAllFunctions) {
                    std::vector<float> out(static_cast<size_t>(count) + 8, 123.0f);
                    batch(lattice, f, count, points.data(), 0.5f, 0.002f, out.data());
                    const std::string what = target + " " + nameOf(reads) + " " + nameOf(f);
                    for (int32_t i = 0; i < count; ++i)
                        ASSERT_EQ(bitsOf(out[i]), bitsOf(onePoint(lattice, f, points[i], 0.5f, 0.002f)))
                            << what << " count " << count << " at " << i;
                    for (size_t i = static_cast<size_t>(count); i < out.size(); ++i)
                        ASSERT_EQ(out[i], 123.0f) << what << " wrote past count " << count;
                }
            }
        // Nothing to do for no points or a negative count, whatever the pointers.
        for (Function f : kAllFunctions) {
            batch(lattice, f, 0, nullptr, 0.5f, 0.002f, nullptr);
            batch(lattice, f, -3, nullptr, 0.5f, 0.002f, nullptr);
        }
    }
}

TEST_F(NoiseLanes, LatticesFilledByHandAndChangedBetweenBatches) {
    std::mt19937 rng(4);
    const std::vector<Vector3> points = mixedPoints(rng, 2000);
    NoiseLattice lattice;
    lattice.create(randomService());
    lattice.ready = true;
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    for (int i = 0; i < 256; ++i) {
        lattice.permutation[i] = (i * 37 + 11) & 255;
        lattice.gradients[i] = {unit(rng), unit(rng) * 3.0f, i % 5 == 0 ? -0.0f : unit(rng)};
    }
    lattice.latticeChanged();
    for (const std::string& target : targets) {
        SCOPED_TRACE(target);
        for (Function f : kAllFunctions) {
            expectBatchesMatch(lattice, {f, 100, 0.5f, 0.002f}, points, {target});
            if (HasFatalFailure()) return;
        }
        // Changed after a batch: the next batch sees the change.
        lattice.gradients[(lattice.permutation[3] + 5) & 255].x += 0.5f;
        std::swap(lattice.permutation[10], lattice.permutation[200]);
        lattice.latticeChanged();
        expectBatchesMatch(lattice, {Function::quintic, 100, 0.5f, 0.002f}, points, {target});
        expectBatchesMatch(lattice, {Function::ridged, 100, 0.5f, 0.002f}, points, {target});
        // Copied lattices carry their own tables.
        NoiseLattice copy = lattice;
        copy.gradients[0] = {0.25f, -0.5f, 0.125f};
        copy.latticeChanged();
        expectBatchesMatch(copy, {Function::cubic, 100, 0.5f, 0.002f}, points, {target});
        expectBatchesMatch(lattice, {Function::cubic, 100, 0.5f, 0.002f}, points, {target});
        if (HasFatalFailure()) return;
    }
}

TEST_F(NoiseLanes, BatchBuildsTheLatticeOnFirstUse) {
    const NoiseLattice reference = builtLattice(2024);
    std::mt19937 rng(5);
    const std::vector<Vector3> points = mixedPoints(rng, 100);
    for (const std::string& target : targets) {
        ASSERT_TRUE(selectVectorTarget(target.c_str()));
        NoiseLattice lattice;
        lattice.create();
        lattice.seed = 2024;
        std::vector<float> out(points.size());
        lattice.fractalSumSpectralMany(static_cast<int32_t>(points.size()), points.data(), 0.5f, 0.002f, out.data());
        ASSERT_TRUE(lattice.ready) << target;
        ASSERT_EQ(std::memcmp(lattice.permutation, reference.permutation, sizeof lattice.permutation), 0);
        NoiseLattice check = reference;
        for (size_t i = 0; i < points.size(); ++i)
            ASSERT_EQ(bitsOf(out[i]), bitsOf(check.fractalSumSpectral(points[i], 0.5f, 0.002f))) << target << " " << i;
    }
}

}  // namespace
}  // namespace brumo
