// Clouds as a host meets it: its block, the puffs its preparation places, their coverage, the
// three ways coverage and noise combine, and the puff seed.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

#include "effect_fixtures.h"
#include "effects/clouds.h"

namespace brumo::test {
namespace {

class CloudsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ref);
        block().common.lightingMode = qv::fourcc("Opt0");  // no shadow grid to build
    }
    CloudsParameters& block() { return hostBlock<CloudsParameters>(ref); }
    QVResult press(uint32_t id) {
        auto part = loosePart(id, host::PartKind::integer, 1);
        return ref->exchangerInterface()->handleEvent(5, part->unknown(), nullptr);
    }

    EffectRef ref{CLSID_Clouds};
};

// The puffs' coverage as the density shows it: "Opt2" at puffBlend 1 is the coverage alone,
// unclamped, and with no shape option the mask is 1 inside the cube. Where point + noiseOffset
// lies on the puff lattice the jitter vanishes.
class CloudsCoverageTest : public CloudsTest {
protected:
    void SetUp() override {
        CloudsTest::SetUp();
        block().common.shapeFlags = 0;
        block().combineMode = qv::fourcc("Opt2");
        block().puffBlend = 1.0f;
    }
    float coverage(const Vector3& p) { return sampleAt(ref, p).density; }
    // The coverage along a line through the cloud, to tell two puff layouts apart.
    static std::vector<float> profile(const EffectRef& cloud) {
        std::vector<float> values;
        for (float t = -0.95f; t < 1.0f; t += 0.05f)
            values.push_back(sampleAt(cloud, {t, 0.3f * t, -0.2f * t}).density);
        return values;
    }
    std::vector<float> profile() { return profile(ref); }

    DensityShader noise{ref.get(), "clouds test constant", 0.6f};
};

TEST_F(CloudsTest, ANewCloudHasItsDefaultsInTheHostsBlock) {
    EXPECT_EQ(ref->exchangerInterface()->parameterBlockSize(),
              static_cast<int32_t>(sizeof(CloudsParameters)));
#if defined(__i386__) || defined(_M_IX86)
    EXPECT_EQ(ref->exchangerInterface()->parameterBlockSize(), 516);
#endif
    const CloudsParameters& b = block();
    EXPECT_EQ(b.puffCount, 1);
    EXPECT_EQ(b.puffSeed, 131313);
    EXPECT_EQ(b.combineMode, qv::fourcc("Opt1"));
    EXPECT_EQ(b.puffSize, 0.7f);
    EXPECT_EQ(b.puffBlend, 0.5f);
    EXPECT_EQ(b.puffDensity, 1.0f);
    EXPECT_EQ(b.common.noiseType, 1);
    EXPECT_EQ(b.common.absorptionDistance, 1.5f);
    EXPECT_EQ(b.common.shapeFlags, 0x3u);
    EXPECT_EQ(b.common.shapeFalloffs[0].b, 0.3f);
    EXPECT_EQ(b.common.shapeFalloffs[1].b, 0.3f);
    EXPECT_EQ(text(b.common.densityShaderName), "Spectral noise");
    EXPECT_TRUE(isPreset(b.common.colourGradient, 1));
    EXPECT_EQ(EffectRef(CLSID_Clouds).block().lightingMode, qv::fourcc("Opt2"));
}

// The layout itself is the preparation's: the only place that shows the sizes and spread.
TEST_F(CloudsTest, PuffsShrinkAndSpreadAsTheirNumberGrows) {
    Clouds& clouds = *static_cast<Clouds*>(ref.get());
    auto preparePuffs = [&](int32_t count) {
        block().puffCount = count;
        ref->exchangerInterface()->parametersChanged();
        ref->prepareRender();
    };
    preparePuffs(1);
    ASSERT_EQ(clouds.puffs.count(), 1);
    const Puff one = clouds.puffs[0];
    EXPECT_EQ(one.centre, (Vector3{0.0f, 0.0f, 0.0f}));
    EXPECT_GT(one.radius, 0.0f);
    EXPECT_LT(one.radius, 0.3f + 1e-6f);
    EXPECT_FLOAT_EQ(one.width, 0.7f);

    // S = 0.75 for two puffs, 1 - 1/4 - 1/9 for three.
    const struct {
        int32_t count;
        float S;
    } cases[] = {{2, 0.75f}, {3, 1.0f - 0.25f - 1.0f / 9.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        preparePuffs(c.count);
        ASSERT_EQ(clouds.puffs.count(), c.count);
        const float S = c.S;
        for (const Puff& puff : clouds.puffs) {
            EXPECT_FLOAT_EQ(puff.width, S * 0.7f);
            EXPECT_LE(length(puff.centre), 1.0f - S + 1e-6f);
            EXPECT_LE(puff.radius, 0.3f * S + 1e-6f);
        }
    }
    // Many puffs: S falls towards 2 - pi^2 / 6 but stays above it.
    preparePuffs(200);
    EXPECT_GT(clouds.puffs[0].width / 0.7f, 2.0f - 3.14159265f * 3.14159265f / 6.0f);
    EXPECT_LT(clouds.puffs[0].width / 0.7f, 0.365f);
}

TEST_F(CloudsCoverageTest, ACoreIsCoveredWhateverThePuffDensityOnlyTheBorderScales) {
    for (float density : {0.25f, 1.0f, 4.0f}) {
        block().puffDensity = density;
        EXPECT_EQ(coverage({0.0f, 0.0f, 0.0f}), 1.0f);
    }
    block().common.noiseOffset = {0.5f, 0.0f, 0.0f};
    block().puffDensity = 1.0f;
    const float border = coverage({0.5f, 0.0f, 0.0f});
    ASSERT_GT(border, 0.0f);
    ASSERT_LT(border, 1.0f);
    block().puffDensity = 3.0f;
    EXPECT_NEAR(coverage({0.5f, 0.0f, 0.0f}), 3.0f * border, 3e-5f);
    EXPECT_EQ(coverage({0.9f, 0.9f, 0.9f}), 0.0f);  // beyond the border
}

class CloudsCombineTest : public CloudsCoverageTest {
protected:
    void SetUp() override {
        CloudsCoverageTest::SetUp();
        // The noise alone ("Opt2" at blend 0), then the coverage of a point in the border.
        V = density(qv::fourcc("Opt2"), 0.0f, {0.3f, 0.2f, 0.1f});
        ASSERT_GT(V, 0.1f);
        ASSERT_LT(V, 0.9f);
        block().common.noiseOffset = {0.5f, 0.0f, 0.0f};
        c = density(qv::fourcc("Opt2"), 1.0f, border);
        ASSERT_GT(c, 0.05f);
        ASSERT_LT(c, 0.95f);
    }
    float density(uint32_t mode, float blend, const Vector3& p) {
        block().combineMode = mode;
        block().puffBlend = blend;
        return sampleAt(ref, p).density;
    }

    const Vector3 border{0.5f, 0.0f, 0.0f};
    float V = 0.0f;
    float c = 0.0f;
};

TEST_F(CloudsCombineTest, EachModeMeetsItsAnchors) {
    const uint32_t opt1 = qv::fourcc("Opt1"), opt2 = qv::fourcc("Opt2"), opt3 = qv::fourcc("Opt3");
    // Opt3: noise alone, the product, the puffs alone.
    EXPECT_NEAR(density(opt3, 0.0f, border), V, 1e-6f);
    EXPECT_NEAR(density(opt3, 0.5f, border), V * c, 1e-6f);
    EXPECT_NEAR(density(opt3, 1.0f, border), c, 1e-6f);
    // Opt1: c ((1.5 - b) v + (b + 0.5) c), at most 1.
    EXPECT_NEAR(density(opt1, 0.5f, border), std::fmin(1.0f, c * (V + c)), 1e-6f);
    EXPECT_NEAR(density(opt1, 0.0f, border), std::fmin(1.0f, c * (1.5f * V + 0.5f * c)), 1e-6f);
    block().common.noiseOffset = {0.0f, 0.0f, 0.0f};
    EXPECT_EQ(density(opt1, 1.0f, {0.0f, 0.0f, 0.0f}), 1.0f);  // 0.5 v + 1.5 in the core
    // Opt2: (1 - b) v + b c, not clamped.
    block().common.noiseOffset = {0.5f, 0.0f, 0.0f};
    EXPECT_NEAR(density(opt2, 0.25f, border), 0.75f * V + 0.25f * c, 1e-6f);
    block().puffDensity = 4.0f;
    EXPECT_NEAR(density(opt2, 1.0f, border), 4.0f * c, 1e-5f);
    EXPECT_GT(density(opt2, 1.0f, border), 1.0f);
    EXPECT_EQ(density(qv::fourcc("Opt4"), 0.5f, border), 0.0f);
}

TEST_F(CloudsCombineTest, WithoutPuffsOnlyOpt2LeavesTheNoise) {
    for (float blend : {0.0f, 0.3f, 1.0f}) {
        block().puffCount = 0;
        EXPECT_EQ(density(qv::fourcc("Opt1"), blend, border), 0.0f);
        EXPECT_EQ(density(qv::fourcc("Opt3"), blend, border), 0.0f);
        EXPECT_NEAR(density(qv::fourcc("Opt2"), blend, border), (1.0f - blend) * V, 1e-6f);
    }
}

TEST_F(CloudsCoverageTest, SpSeDrawsASeedThatTheNextPreparationUses) {
    block().puffCount = 3;
    const std::vector<float> before = profile();
    host().utility().setRandomSeed(2024);
    const int32_t drawn = host().utility().nextRandom();
    host().utility().setRandomSeed(2024);
    EXPECT_EQ(press(qv::fourcc("SpSe")), 0);
    EXPECT_EQ(block().puffSeed, drawn);
    const std::vector<float> after = profile();
    EXPECT_NE(after, before);

    // The same seed places the same puffs in a cloud that never saw the event.
    EffectRef other(CLSID_Clouds);
    DensityShader twinNoise{other.get(), "clouds twin constant", 0.6f};
    CloudsParameters& twin = hostBlock<CloudsParameters>(other);
    twin.common.lightingMode = block().common.lightingMode;
    twin.common.shapeFlags = 0;
    twin.combineMode = block().combineMode;
    twin.puffBlend = block().puffBlend;
    twin.puffCount = 3;
    twin.puffSeed = drawn;
    EXPECT_EQ(profile(other), after);

    // Other controls still reach the common handling.
    EXPECT_EQ(press(qv::fourcc("DNZC")), 1);
    EXPECT_EQ(block().common.shapeFlags, 0x200u);
}

TEST_F(CloudsCoverageTest, ASeedWrittenIntoTheBlockTakesEffectAtTheNextPreparation) {
    block().puffCount = 3;
    const std::vector<float> before = profile();
    block().puffSeed = 99;  // typed in, or restored with a scene
    const std::vector<float> reseeded = profile();
    EXPECT_NE(reseeded, before);
    block().puffSeed = 131313;
    EXPECT_EQ(profile(), before);
}

// A run of points, culled to the puffs near it, is covered as each point alone: small puffs with
// rough outlines, clouds that fill whole vectors of puffs and one past, and points through the
// cloud, beyond the cube and not numbers.
TEST_F(CloudsTest, ARunOfPointsIsCoveredAsEachPointAlone) {
    block().common.shapeFlags = 0;
    block().common.noiseOffset = {0.37f, -1.2f, 2.9f};
    block().combineMode = qv::fourcc("Opt2");
    block().puffBlend = 1.0f;  // the coverage alone
    block().puffSize = 0.35f;
    const float size = block().common.size;
    std::vector<QVVector3> points;
    // Long lines through the cloud, then short ones (as close as a march's samples), whose runs
    // leave out most puffs.
    for (int line = 0; line < 24; ++line) {
        const float a = 0.7f * static_cast<float>(line);
        const Vector3 direction{std::cos(a), std::sin(a), 0.4f * std::sin(3.0f * a)};
        const float from = line < 12 ? -1.5f : -0.9f + 0.07f * static_cast<float>(line);
        const float span = line < 12 ? 3.0f : 0.3f;
        for (int k = 0; k < 64; ++k) {
            const float t = from + span * static_cast<float>(k) / 63.0f;
            points.push_back({t * direction.x * size, t * direction.y * size, (t * direction.z + 0.1f) * size});
        }
    }
    points[70].x = std::nanf("");
    for (int32_t count : {16, 64, 65}) {
        block().puffCount = count;
        ref->exchangerInterface()->parametersChanged();
        std::vector<float> densities(points.size());
        ASSERT_EQ(ref->densitySamplerInterface()->sampleMany(static_cast<int32_t>(points.size()), points.data(),
                                                            densities.data(), nullptr, nullptr),
                  qv::kOk);
        int partial = 0;
        for (size_t i = 0; i < points.size(); ++i) {
            float alone = 0.0f;
            ASSERT_EQ(ref->densitySamplerInterface()->sampleAt(&points[i], &alone, nullptr, nullptr), qv::kOk);
            EXPECT_EQ(std::memcmp(&alone, &densities[i], sizeof alone), 0)
                << count << " puffs, point " << i << ": " << alone << " alone, " << densities[i] << " in the run";
            partial += alone > 0.0f && alone < 1.0f ? 1 : 0;
        }
        EXPECT_GT(partial, 50) << count << " puffs";
    }
}

// A run answers for every point, those the ball shape empties included: whatever the caller's
// arrays held before, each density and shape value is the one the point gives alone.
TEST_F(CloudsTest, ARunAnswersForEveryPointInsideTheBallAndOutside) {
    block().puffCount = 16;
    const float size = block().common.size;
    std::vector<QVVector3> points;
    for (int k = 0; k < 150; ++k) {
        const float t = -1.6f + 3.2f * static_cast<float>(k) / 149.0f;
        points.push_back({0.8f * t * size, (0.3f * t + 0.05f) * size, -0.4f * t * size});
    }
    const int32_t n = static_cast<int32_t>(points.size());
    std::vector<float> densities(points.size(), std::nanf("")), shapes(points.size(), std::nanf(""));
    ASSERT_EQ(ref->densitySamplerInterface()->sampleMany(n, points.data(), densities.data(), shapes.data(), nullptr),
              qv::kOk);
    int outside = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        float density = 0.0f, shape = 0.0f;
        ASSERT_EQ(ref->densitySamplerInterface()->sampleAt(&points[i], &density, &shape, nullptr), qv::kOk);
        EXPECT_EQ(std::memcmp(&density, &densities[i], sizeof density), 0) << "point " << i << ": " << densities[i];
        EXPECT_EQ(std::memcmp(&shape, &shapes[i], sizeof shape), 0) << "point " << i << ": " << shapes[i];
        outside += shape == 0.0f ? 1 : 0;
    }
    EXPECT_GT(outside, 40);
}

TEST_F(CloudsCoverageTest, CountsThatCannotBeHonouredDegradeToFewerOrNoPuffs) {
    block().puffCount = -3;
    EXPECT_EQ(coverage({0.0f, 0.0f, 0.0f}), 0.0f);

    block().puffCount = INT_MAX;
    for (float t : {-0.5f, 0.0f, 0.4f}) {
        const float covered = coverage({t, t, t});
        EXPECT_TRUE(covered >= 0.0f && covered <= 1.0f) << covered;
    }

    // Storage refused to a new cloud: no puffs rather than a partial list, until the next
    // preparation.
    EffectRef fresh(CLSID_Clouds);
    DensityShader freshNoise{fresh.get(), "clouds fresh constant", 0.6f};
    CloudsParameters& b = hostBlock<CloudsParameters>(fresh);
    b.common.lightingMode = qv::fourcc("Opt0");
    b.common.shapeFlags = 0;
    b.combineMode = qv::fourcc("Opt2");
    b.puffBlend = 1.0f;
    b.puffCount = 40;
    host().memory().failNthAllocation(1);
    EXPECT_EQ(sampleAt(fresh, {0.0f, 0.0f, 0.0f}).density, 0.0f);
    host().memory().clearFaults();
    EXPECT_EQ(sampleAt(fresh, {0.0f, 0.0f, 0.0f}, false).density, 0.0f);
    EXPECT_EQ(sampleAt(fresh, {0.0f, 0.0f, 0.0f}).density, 1.0f);
}

}  // namespace
}  // namespace brumo::test
