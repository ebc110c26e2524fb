// RisingSmoke as a host meets it: its block, the vortex ladder its preparation builds, the
// funnel, and what degenerate noise scales and column heights give.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "effect_fixtures.h"
#include "effects/rising_smoke.h"
#include "math/shaping.h"

namespace brumo::test {
namespace {

class RisingSmokeTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(ref); }
    RisingSmokeParameters& block() { return hostBlock<RisingSmokeParameters>(ref); }
    RisingSmoke& smoke() { return *static_cast<RisingSmoke*>(ref.get()); }
    void prepare() {
        ref->exchangerInterface()->parametersChanged();
        ref->prepareRender();
    }
    // Centre heights and kinds of the ladder, in list order.
    void expectLadder(std::initializer_list<float> heights, std::initializer_list<int32_t> kinds) {
        ASSERT_EQ(ref->vortices.count(), static_cast<int32_t>(heights.size()));
        int32_t i = 0;
        auto kind = kinds.begin();
        for (float z : heights) {
            const Vortex& v = ref->vortices[i++];
            EXPECT_EQ(v.centre.x, 0.0f);
            EXPECT_EQ(v.centre.y, 0.0f);
            EXPECT_NEAR(v.centre.z, z, 1e-5f) << "vortex " << i - 1;
            EXPECT_EQ(v.kind, *kind++);
        }
    }

    EffectRef ref{CLSID_RisingSmoke};
};

TEST_F(RisingSmokeTest, ANewSmokeHasItsDefaultsInTheHostsBlock) {
    EXPECT_EQ(ref->exchangerInterface()->parameterBlockSize(),
              static_cast<int32_t>(sizeof(RisingSmokeParameters)));
#if defined(__i386__) || defined(_M_IX86)
    EXPECT_EQ(ref->exchangerInterface()->parameterBlockSize(), 500);
#endif
    const RisingSmokeParameters& b = block();
    EXPECT_EQ(b.baseSpread, 0.2f);
    EXPECT_EQ(b.edgeSoftness, 0.5f);
    EXPECT_EQ(b.common.noiseType, 2);
    EXPECT_EQ(b.common.shapeFlags, 0x1000u);
    EXPECT_EQ(b.common.shapeFalloffs[12].b, 0.3f);
    EXPECT_EQ(text(b.common.densityShaderName), "Turbulence");
    EXPECT_TRUE(isPreset(b.common.colourGradient, 8));
}

TEST_F(RisingSmokeTest, TheDefaultLadderHasFourVorticesWrappedIntoOnePeriod) {
    prepare();
    EXPECT_EQ(smoke().columnHalfHeight, 2.5f);
    expectLadder({0.0f, 4.375f, 0.0f, 4.375f}, {3, 0, 1, 4});
    for (const Vortex& v : ref->vortices) {
        EXPECT_EQ(v.radius, 2.5f);
        EXPECT_EQ(v.radiusSquared, 6.25f);
        EXPECT_EQ(v.lift, 0.1f);
        EXPECT_EQ(v.twist, 60.0f);
    }
    EXPECT_EQ(ref->vortices[0].axisK, 0);  // turning about x
    EXPECT_EQ(ref->vortices[2].axisK, 1);  // turning about y

    // The ladder rides with the offset and repeats every period of 10.
    block().common.noiseOffset.z = 7.0f;
    prepare();
    expectLadder({7.0f, 1.375f, 7.0f, 1.375f}, {3, 0, 1, 4});
    block().common.noiseOffset.z = 17.0f;
    prepare();
    expectLadder({7.0f, 1.375f, 7.0f, 1.375f}, {3, 0, 1, 4});
    block().common.noiseOffset.z = -3.0f;
    prepare();
    expectLadder({-3.0f, 1.375f, -3.0f, 1.375f}, {3, 0, 1, 4});
}

TEST_F(RisingSmokeTest, EachPreparationLeavesExactlyBothSets) {
    Vortex stale;
    stale.setKind(5);
    for (int i = 0; i < 9; ++i) ASSERT_TRUE(ref->vortices.append(stale));
    prepare();
    EXPECT_EQ(ref->vortices.count(), 4);
    // c = 5: period 15, spacing 8.75, one rung about x; the y set keeps its two.
    block().common.noiseScaleXYZ.x = 50.0f;
    prepare();
    expectLadder({0.0f, 0.0f, 4.375f}, {3, 1, 4});
    EXPECT_EQ(ref->vortices[0].radius, 5.0f);
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
        prepare();
        EXPECT_TRUE(ref->vortices.empty());
        expectFinite();
        block().common.noiseScale = 40.0f;
        block().common.noiseScaleXYZ.z = scale;
        prepare();
        EXPECT_TRUE(ref->vortices.empty());
        expectFinite();
        block().common.noiseScaleXYZ.z = 100.0f;
        block().common.noiseScaleXYZ.y = scale;
        prepare();
        EXPECT_EQ(ref->vortices.count(), 2);  // the x set alone
        block().common.noiseScaleXYZ.y = 100.0f;
    }
    // A tall column over thin rungs would ask for about 114000 per set.
    block().common.noiseScaleXYZ.z = 0.001f;
    prepare();
    EXPECT_EQ(ref->vortices.count(), 2 * kMaxLadderVortices);
    expectFinite();
}

TEST_F(RisingSmokeTest, NoSmokeBelowTheColumnOrWhereTheSpreadIsNotPositive) {
    DensityShader noise(ref.get(), "rising smoke test constant", 0.6f);
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
    DensityShader noise(ref.get(), "rising smoke test constant", 0.6f);
    prepare();
    // Near the base the shape point divides the ladder's swirl by d, which sweeps off-axis
    // points out of the cube; without the ladder the funnel alone shapes the base.
    ref->vortices.clear();
    const float V = ref->field().noiseField({0.0f, 0.0f, 0.0f});
    ASSERT_GT(V, 0.0f);
    // Just above the base the squared column radius is k = 0.2, the full core ends at 0.1.
    const float z = -0.999f;
    const float P = 0.5f * z + 0.5f;
    const float R2 = 0.8f * (P * P) + 0.2f;
    float mask = 0.0f;
    auto at = [&](float rho2) {
        const DensitySample sample = ref->densityAt({std::sqrt(rho2), 0.0f, z});
        mask = sample.shape;
        return sample.density;
    };
    EXPECT_EQ(at(0.21f), 0.0f);
    EXPECT_EQ(at(0.0f), V * mask);
    EXPECT_NEAR(mask, 1.0f, 1e-6f);
    EXPECT_EQ(at(0.09f), V * mask);
    const float edge = at(0.15f);
    EXPECT_NEAR(mask, 1.0f, 1e-6f);  // the mask, without the funnel
    EXPECT_NEAR(edge, V * (1.0f - smoothStep(0.5f * R2, R2, 0.15f)), 1e-6f);
    EXPECT_LT(edge, 0.9f * V);
    // A hard wall, and a fade from the axis outwards.
    block().edgeSoftness = 0.0f;
    EXPECT_EQ(at(0.19f), V * mask);
    block().edgeSoftness = 1.0f;
    EXPECT_NEAR(at(0.05f), V * (1.0f - smoothStep(0.0f, R2, 0.05f)), 1e-6f);
    // The axis is never cut: its density is the noise times the top fade.
    block().edgeSoftness = 0.5f;
    for (float height : {-0.9f, 0.0f, 0.5f, 0.8f, 1.0f}) {
        const float fade = softStep(0.7f, 1.0f, 0.5f * height + 0.5f);
        EXPECT_NEAR(ref->sampleDensity({0.0f, 0.0f, height}), V * fade, 1e-6f) << height;
    }
}

}  // namespace
}  // namespace brumo::test
