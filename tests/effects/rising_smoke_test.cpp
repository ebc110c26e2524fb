// RisingSmoke as a host meets it: its block, the vortex ladder its preparation builds, the
// funnel, and what degenerate noise scales and column heights give.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <vector>

#include "effect_fixtures.h"
#include "tests/support/curves.h"

namespace brumo::test {
namespace {

class RisingSmokeTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(ref); }
    RisingSmokeParameters& block() { return hostBlock<RisingSmokeParameters>(ref); }
    // Where the smoke reads its noise at p, swirled by the vortex ladder: the point a host
    // density shader receives, after the block's edits are announced.
    Vector3 noisePointAt(const Vector3& p) {
        sampleAt(ref, p);
        const QVVector3& n = shader_->get()->record.point;
        return {n.x, n.y, n.z};
    }
    void useShader() { shader_.emplace(ref, "rising smoke test field", 0.6f); }

    EffectRef ref{CLSID_RisingSmoke};
    std::optional<DensityShader> shader_;
};

TEST_F(RisingSmokeTest, ANewSmokeHasItsDefaultsInTheHostsBlock) {
    expectBlockSize(ref->exchangerInterface(), {"RisingSmoke", CLSID_RisingSmoke, sizeof(RisingSmokeParameters), 500});
    const RisingSmokeParameters& b = block();
    EXPECT_EQ(b.baseSpread, 0.2f);
    EXPECT_EQ(b.edgeSoftness, 0.5f);
    EXPECT_EQ(b.common.noiseType, 2);
    EXPECT_EQ(b.common.shapeFlags, 0x1000u);
    EXPECT_EQ(b.common.shapeFalloffs[12].b, 0.3f);
    EXPECT_EQ(text(b.common.densityShaderName), "Turbulence");
    EXPECT_TRUE(isPreset(b.common.colourGradient, 8));
}

TEST_F(RisingSmokeTest, TheLadderRidesWithTheOffsetWrappedIntoOnePeriod) {
    // The default ladder repeats every 10 along the column: an offset a period further swirls
    // every point the same way and only moves the noise point by the period.
    useShader();
    const Vector3 points[] = {{0.1f, -0.2f, 0.3f}, {-0.3f, 0.25f, -0.5f}, {0.05f, 0.1f, 0.95f}};
    auto swirlFor = [&](float offset) {
        block().common.noiseOffset.z = offset;
        std::vector<Vector3> swirled;
        for (const Vector3& p : points) swirled.push_back(noisePointAt(p));
        return swirled;
    };
    const std::vector<Vector3> seven = swirlFor(7.0f);
    const std::vector<Vector3> seventeen = swirlFor(17.0f);
    for (size_t i = 0; i < seven.size(); ++i) {
        EXPECT_NEAR(seventeen[i].x, seven[i].x, 1e-4f) << i;
        EXPECT_NEAR(seventeen[i].y, seven[i].y, 1e-4f) << i;
        EXPECT_NEAR(seventeen[i].z, seven[i].z - 10.0f, 1e-4f) << i;
    }
    // The wrap cuts towards zero: -3 stays -3, so that its ladder lacks the rung at 7 that
    // swirls the top of the column.
    EXPECT_NE(swirlFor(-3.0f)[2].y, seven[2].y);
}

TEST_F(RisingSmokeTest, EachPreparationBuildsTheLadderAfresh) {
    useShader();
    const Vector3 p{0.1f, -0.2f, 0.3f};
    const Vector3 first = noisePointAt(p);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(noisePointAt(p), first) << i;
}

TEST_F(RisingSmokeTest, DegenerateNoiseScalesGiveABoundedLadderAndFiniteDensities) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    const Vector3 probes[] = {{0.0f, 0.0f, 0.0f}, {0.1f, -0.2f, 0.5f}, {0.0f, 0.1f, -0.9f}};
    auto expectFinite = [&]() {
        for (const Vector3& p : probes) {
            const float density = sampleAt(ref, p).density;
            EXPECT_TRUE(density >= 0.0f && density <= 1.0f) << density;
        }
    };
    for (float scale : {0.0f, 1e-6f, -0.00001f, nan, infinity}) {
        SCOPED_TRACE(scale);
        block().common.noiseScale = scale;
        expectFinite();
        block().common.noiseScale = 40.0f;
        block().common.noiseScaleXYZ.z = scale;
        expectFinite();
        block().common.noiseScaleXYZ.z = 100.0f;
        block().common.noiseScaleXYZ.y = scale;
        expectFinite();
        block().common.noiseScaleXYZ.y = 100.0f;
    }
    // A tall column over thin rungs would ask for about 114000 per set.
    block().common.noiseScaleXYZ.z = 0.001f;
    expectFinite();
}

TEST_F(RisingSmokeTest, NoSmokeBelowTheColumnOrWhereTheSpreadIsNotPositive) {
    DensityShader noise(ref, "rising smoke test constant", 0.6f);
    // The bottom face is the column's bottom: d = 0.
    EXPECT_EQ(sampleAt(ref, {0.0f, 0.0f, -1.0f}).density, 0.0f);
    const PointSample above = sampleAt(ref, {0.0f, 0.0f, -0.99f});
    EXPECT_GT(above.density, 0.0f);
    // Below the column there is no shape either, rather than the previous sample's.
    ASSERT_GT(above.shapeValue, 0.0f);
    EXPECT_EQ(sampleAt(ref, {0.0f, 0.0f, -1.0f}).shapeValue, 0.0f);
    // Noise space turned 120 degrees about y tilts the column: at (0.9, 0, 0.9), inside the
    // funnel, d is about -0.11 while the spread stays positive.
    block().common.noiseRotation = {0.0f, 120.0f, 0.0f};
    EXPECT_EQ(sampleAt(ref, {0.9f, 0.0f, 0.9f}).density, 0.0f);
    // k = -1: there (0.3, 0, 0.9) has d near 0.15, so (1 - k) d + k is negative.
    block().baseSpread = -1.0f;
    EXPECT_EQ(sampleAt(ref, {0.3f, 0.0f, 0.9f}).density, 0.0f);
    block().common.noiseRotation = {0.0f, 0.0f, 0.0f};
    EXPECT_GT(sampleAt(ref, {0.0f, 0.0f, 0.6f}).density, 0.0f);
}

TEST_F(RisingSmokeTest, TheFunnelIsNarrowAtTheBaseWithASoftWall) {
    DensityShader noise(ref, "rising smoke test constant", 0.6f);
    // Halfway up, below the top fade, the ladder's swirl leaves the mask whole, and the funnel
    // alone shapes the density.
    const float V = sampleAt(ref, {0.0f, 0.0f, 0.0f}).density;
    ASSERT_GT(V, 0.0f);
    float mask = 0.0f;
    auto at = [&](float rho2, float z) {
        const PointSample sample = sampleAt(ref, {std::sqrt(rho2), 0.0f, z});
        mask = sample.shapeValue;
        return sample.density;
    };
    // Just above the base the squared column radius is k = 0.2; halfway up it is 0.4 and the
    // full core ends at 0.2.
    EXPECT_EQ(at(0.21f, -0.999f), 0.0f);
    EXPECT_EQ(at(0.41f, 0.0f), 0.0f);
    EXPECT_EQ(at(0.19f, 0.0f), V);
    const float edge = at(0.3f, 0.0f);
    EXPECT_EQ(mask, 1.0f);  // the mask, without the funnel
    EXPECT_NEAR(edge, V * (1.0f - smoothStepCurve(0.2, 0.4, 0.3)), 1e-6f);
    EXPECT_LT(edge, 0.9f * V);
    // A hard wall, and a fade from the axis outwards.
    block().edgeSoftness = 0.0f;
    EXPECT_EQ(at(0.39f, 0.0f), V);
    block().edgeSoftness = 1.0f;
    EXPECT_NEAR(at(0.1f, 0.0f), V * (1.0f - smoothStepCurve(0.0, 0.4, 0.1)), 1e-6f);
    // The axis is never cut: its density is the noise times the mask, the top fade where the
    // swirl took the point.
    block().edgeSoftness = 0.5f;
    for (float height : {-0.9f, 0.0f, 0.5f, 0.8f}) {
        const PointSample sample = sampleAt(ref, {0.0f, 0.0f, height});
        EXPECT_GT(sample.shapeValue, 0.0f) << height;
        EXPECT_NEAR(sample.density, V * sample.shapeValue, 1e-6f) << height;
    }
}

}  // namespace
}  // namespace brumo::test
