// Clouds as a host meets it: its block, the puffs its preparation places, their coverage, the
// three ways coverage and noise combine, and the puff seed.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "effect_fixtures.h"
#include "effects/clouds.h"
#include "math/shaping.h"

namespace brumo::test {
namespace {

class CloudsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ref);
        block().common.lightingMode = qv::fourcc("Opt0");  // no shadow grid to build
    }
    CloudsParameters& block() { return hostBlock<CloudsParameters>(ref); }
    Clouds& clouds() { return *static_cast<Clouds*>(ref.get()); }
    // Prepares as the march would after the host edited the block.
    void prepare() {
        ref->exchangerInterface()->parametersChanged();
        ref->prepareRender();
    }
    void preparePuffs(int32_t count) {
        block().puffCount = count;
        prepare();
    }
    QVResult press(uint32_t id) {
        auto part = loosePart(id, host::PartKind::integer, 1);
        return ref->exchangerInterface()->handleEvent(5, part->unknown(), nullptr);
    }

    EffectRef ref{CLSID_Clouds};
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
    EXPECT_TRUE(clouds().puffs.empty());
}

TEST_F(CloudsTest, PuffsShrinkAndSpreadAsTheirNumberGrows) {
    preparePuffs(1);
    ASSERT_EQ(clouds().puffs.count(), 1);
    const Puff one = clouds().puffs[0];
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
        ASSERT_EQ(clouds().puffs.count(), c.count);
        const float S = c.S;
        for (const Puff& puff : clouds().puffs) {
            EXPECT_FLOAT_EQ(puff.width, S * 0.7f);
            EXPECT_LE(length(puff.centre), 1.0f - S + 1e-6f);
            EXPECT_LE(puff.radius, 0.3f * S + 1e-6f);
        }
        EXPECT_FLOAT_EQ(clouds().widthSquared, S * 0.7f * S * 0.7f);
    }
    preparePuffs(2);
    EXPECT_NEAR(clouds().puffs[0].width, 0.525f, 1e-6f);
    // Many puffs: S falls towards 2 - pi^2 / 6 but stays above it.
    preparePuffs(200);
    EXPECT_GT(clouds().puffs[0].width / 0.7f, 2.0f - 3.14159265f * 3.14159265f / 6.0f);
    EXPECT_LT(clouds().puffs[0].width / 0.7f, 0.365f);
}

TEST_F(CloudsTest, ACoreIsCoveredWhateverThePuffDensityOnlyTheBorderScales) {
    preparePuffs(1);
    const Puff puff = clouds().puffs[0];
    // The jitter vanishes where point + noiseOffset lies on the puff lattice.
    for (float density : {0.25f, 1.0f, 4.0f}) {
        clouds().puffDensity = density;
        EXPECT_EQ(clouds().puffCoverage({0.0f, 0.0f, 0.0f}), 1.0f);
    }
    block().common.noiseOffset = {0.5f, 0.0f, 0.0f};
    const float border = softObject((0.5f - puff.radius) * (0.5f - puff.radius), 0.49f);
    ASSERT_GT(border, 0.0f);
    ASSERT_LT(border, 1.0f);
    clouds().puffDensity = 1.0f;
    EXPECT_NEAR(clouds().puffCoverage({0.5f, 0.0f, 0.0f}), border, 1e-5f);
    clouds().puffDensity = 3.0f;
    EXPECT_NEAR(clouds().puffCoverage({0.5f, 0.0f, 0.0f}), 3.0f * border, 3e-5f);
    // A mesh gives the outline instead of the puffs.
    block().common.meshOff = 0;
    EXPECT_EQ(clouds().puffCoverage({0.9f, 0.9f, 0.9f}), 1.0f);
    block().common.meshOff = 1;
    EXPECT_EQ(clouds().puffCoverage({0.9f, 0.9f, 0.9f}), 0.0f);
}

class CloudsCombineTest : public CloudsTest {
protected:
    void SetUp() override {
        CloudsTest::SetUp();
        block().common.shapeFlags = 0;  // mask 1 inside the cube
        preparePuffs(1);
        V = ref->noiseField({0.3f, 0.2f, 0.1f});
        ASSERT_GT(V, 0.1f);
        ASSERT_LT(V, 0.9f);
        // A point in the border: half-covered somewhere between 0 and 1.
        block().common.noiseOffset = {0.5f, 0.0f, 0.0f};
        c = clouds().puffCoverage(border);
        ASSERT_GT(c, 0.05f);
        ASSERT_LT(c, 0.95f);
    }
    float density(uint32_t mode, float blend, const Vector3& p) {
        block().combineMode = mode;
        block().puffBlend = blend;
        prepare();
        return ref->sampleDensity(p);
    }

    DensityShader noise{ref.get(), "clouds test constant", 0.6f};
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
        EXPECT_TRUE(clouds().puffs.empty());
    }
}

TEST_F(CloudsTest, SpSeDrawsASeedThatTheNextPreparationUses) {
    preparePuffs(3);
    host().utility().setRandomSeed(2024);
    const int32_t drawn = host().utility().nextRandom();
    host().utility().setRandomSeed(2024);
    EXPECT_EQ(press(qv::fourcc("SpSe")), 0);
    EXPECT_EQ(block().puffSeed, drawn);
    EXPECT_NE(clouds().puffLattice.seed, drawn);
    prepare();
    EXPECT_EQ(clouds().puffLattice.seed, drawn);

    // The same seed places the same puffs in a cloud that never saw the event.
    EffectRef other(CLSID_Clouds);
    Clouds& twin = *static_cast<Clouds*>(other.get());
    hostBlock<CloudsParameters>(other).puffSeed = drawn;
    hostBlock<CloudsParameters>(other).puffCount = 3;
    twin.prepareEffect();
    for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(twin.puffs[i].centre, clouds().puffs[i].centre);

    // Other controls still reach the common handling.
    EXPECT_EQ(press(qv::fourcc("DNZC")), 1);
    EXPECT_EQ(block().common.shapeFlags, 0x3u | 0x200u);
}

TEST_F(CloudsTest, ASeedWrittenIntoTheBlockTakesEffectAtTheNextPreparation) {
    preparePuffs(3);
    const Vector3 before = clouds().puffs[1].centre;
    block().puffSeed = 99;  // typed in, or restored with a scene
    prepare();
    EXPECT_EQ(clouds().puffLattice.seed, 99);
    EXPECT_NE(clouds().puffs[1].centre, before);

    EffectRef other(CLSID_Clouds);
    hostBlock<CloudsParameters>(other).puffSeed = 99;
    hostBlock<CloudsParameters>(other).puffCount = 3;
    other->prepareEffect();
    EXPECT_EQ(static_cast<Clouds*>(other.get())->puffs[1].centre, clouds().puffs[1].centre);
}

TEST_F(CloudsTest, CountsThatCannotBeHonouredDegradeToFewerOrNoPuffs) {
    preparePuffs(5);
    preparePuffs(-3);
    EXPECT_TRUE(clouds().puffs.empty());
    EXPECT_EQ(clouds().puffCoverage({0.0f, 0.0f, 0.0f}), 0.0f);

    preparePuffs(INT_MAX);
    EXPECT_EQ(clouds().puffs.count(), kMaxPuffs);
    for (const Puff& puff : clouds().puffs) ASSERT_TRUE(std::isfinite(puff.radius));

    // Storage refused: no puffs rather than a partial list.
    preparePuffs(0);
    clouds().puffs.clear();
    block().puffCount = 40;
    host().memory().failNthAllocation(1);
    clouds().prepareEffect();
    host().memory().clearFaults();
    EXPECT_EQ(clouds().puffs.count(), 0);
    EXPECT_EQ(clouds().puffCoverage({0.0f, 0.0f, 0.0f}), 0.0f);
    clouds().prepareEffect();
    EXPECT_EQ(clouds().puffs.count(), 40);
}

}  // namespace
}  // namespace brumo::test
