// Fire as a host meets it: its block, its colour popup, and a density that thins with height
// and stretches upwards.
#include <gtest/gtest.h>

#include <cmath>

#include "effect_fixtures.h"
#include "tests/support/curves.h"

namespace brumo::test {
namespace {

class FireTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(ref); }
    FireParameters& block() { return hostBlock<FireParameters>(ref); }
    QVResult choose(uint32_t partId, uint32_t code) {
        owner.writes = 0;
        part = loosePart(partId, host::PartKind::integer, static_cast<int32_t>(code), &owner);
        return ref->exchangerInterface()->handleEvent(5, part->unknown(), nullptr);
    }
    float density(const Vector3& p) { return sampleAt(ref, p).density; }

    EffectRef ref{CLSID_Fire};
    WriteCounter owner;
    host::Ref<host::HostPart> part;
};

TEST_F(FireTest, ANewFireHasItsDefaultsInTheHostsBlock) {
    expectBlockSize(ref->exchangerInterface(), {"Fire", CLSID_Fire, sizeof(FireParameters), 496});
    const FireParameters& b = block();
    EXPECT_EQ(b.flameStretch, 1.0f);
    EXPECT_EQ(b.common.noiseType, 3);
    EXPECT_EQ(b.common.quality, 0.4f);
    EXPECT_EQ(b.common.absorptionDistance, 1.5f);
    EXPECT_EQ(b.common.shapeFlags, 0xFC00u);
    EXPECT_EQ(b.common.lightingMode, qv::fourcc("Opt0"));
    EXPECT_EQ(text(b.common.densityShaderName), "Ridged noise");
    EXPECT_TRUE(isPreset(b.common.colourGradient, 2));
}

TEST_F(FireTest, ThePopupLoadsAFireRampAndReadsNoPresetAgain) {
    const uint32_t codes[] = {qv::fourcc("Opt0"), qv::fourcc("Opt1"), qv::fourcc("Opt2"),
                              qv::fourcc("Opt3"), qv::fourcc("Opt4"), qv::fourcc("Opt5")};
    for (int32_t i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(copyPreset(0, block().common.colourGradient));
        EXPECT_EQ(choose(qv::fourcc("FirP"), codes[i]), 1);
        EXPECT_TRUE(isPreset(block().common.colourGradient, 2 + i));
        EXPECT_EQ(static_cast<uint32_t>(part->intValue()), qv::fourcc("NoPt"));
        EXPECT_EQ(part->referenceCount(), 1);
    }
    EXPECT_EQ(choose(qv::fourcc("FirP"), qv::fourcc("Opt3")), 1);
    EXPECT_TRUE(isPreset(block().common.colourGradient, 5));

    // Another value loads nothing but still reads NoPt; Smog's popup is not Fire's.
    EXPECT_EQ(choose(qv::fourcc("FirP"), qv::fourcc("Opt6")), 1);
    EXPECT_TRUE(isPreset(block().common.colourGradient, 5));
    EXPECT_EQ(static_cast<uint32_t>(part->intValue()), qv::fourcc("NoPt"));
    EXPECT_EQ(choose(qv::fourcc("SmoP"), qv::fourcc("Opt0")), 1);
    EXPECT_TRUE(isPreset(block().common.colourGradient, 5));
    EXPECT_EQ(owner.writes, 0);
    // The common handling still runs.
    EXPECT_EQ(choose(qv::fourcc("DNZC"), 1), 1);
    EXPECT_EQ(block().common.shapeFlags, 0xFC00u | 0x200u);
}

TEST_F(FireTest, AtTheBottomFaceTheDensityIsTheNoiseTimesTheMask) {
    // A host shader as the noise: its value after the tables, where the mask is whole.
    DensityShader noise(ref, "fire test noise", 0.6f);
    block().common.noiseOffset = {0.4f, -2.0f, 1.5f};
    block().common.noiseRotation = {0.0f, 15.0f, 0.0f};
    block().common.shapeFlags = 0x2000;  // fade towards -x
    block().common.shapeFalloffs[13] = {0.0f, 0.5f};
    const float field = density({0.5f, 0.0f, -1.0f});
    ASSERT_NEAR(field, 0.6f, 1e-3f);
    for (Vector3 p : {Vector3{-0.4f, 0.1f, -1.0f}, Vector3{0.3f, -0.7f, -1.0f},
                      Vector3{-0.6f, 0.5f, -1.0f}, Vector3{0.0f, 0.9f, -1.0f}}) {
        const PointSample sample = sampleAt(ref, p);
        EXPECT_EQ(sample.density, field * sample.shapeValue);
    }
    // The mask reads the point as given, not the turned noise point.
    EXPECT_NEAR(sampleAt(ref, {-0.4f, 0.1f, -1.0f}).shapeValue, softObjectAt(0.2 / 0.5), 1e-6f);
}

TEST_F(FireTest, AtTheTopFaceNothingIsLeftWhateverTheNoise) {
    DensityShader noise(ref, "fire test full noise", 1.0f);
    block().common.shapeFlags = 0;
    ASSERT_GE(density({0.2f, 0.3f, -1.0f}), 0.99f);
    for (Vector3 p : {Vector3{0.2f, 0.3f, 1.0f}, Vector3{-0.9f, 0.0f, 1.0f}, Vector3{0.0f, 0.0f, 1.0f}})
        EXPECT_EQ(density(p), 0.0f);
    // Halfway up the ramp takes half.
    EXPECT_NEAR(density({0.2f, 0.3f, 0.0f}), density({0.2f, 0.3f, -1.0f}) - 0.5f, 1e-6f);
}

TEST_F(FireTest, TheStretchSqueezesNoiseSpaceWithHeightAndZeroTurnsItOff) {
    // The noise point a host shader receives: 2.5 times the point (noise scale 40), its height
    // squeezed by s² with s = e^(-0.1 stretch h); the ramp takes h / 2 off the field.
    DensityShader noise(ref, "fire test noise", 0.6f);
    block().common.shapeFlags = 0;
    const float field = density({0.0f, 0.0f, -1.0f});
    const QVVector3& n = noise->record.point;
    for (Vector3 p : {Vector3{0.1f, 0.2f, -0.8f}, Vector3{-0.5f, 0.4f, -0.6f}, Vector3{0.0f, 0.0f, -0.9f}}) {
        const float h = p.z + 1.0f;
        block().flameStretch = 0.0f;
        EXPECT_NEAR(density(p), std::fmax(0.0f, field - 0.5f * h), 1e-6f);
        EXPECT_FLOAT_EQ(n.z, 2.5f * p.z);
        block().flameStretch = 1.0f;
        const float s = std::exp(-0.1f * h);
        EXPECT_NEAR(density(p), std::fmax(0.0f, field - 0.5f * h), 1e-6f);
        EXPECT_FLOAT_EQ(n.x, 2.5f * p.x);
        EXPECT_FLOAT_EQ(n.z, 2.5f * p.z * (s * s));
    }
}

}  // namespace
}  // namespace brumo::test
