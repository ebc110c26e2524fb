// The noise modifier: its defaults, its noise space, reseeding from the editor and from the
// block, and the host shader that can stand in for the noise.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "brumo/parameter_blocks.h"
#include "host/common/text.h"
#include "host/editor/host_part.h"
#include "math/noise_lattice.h"
#include "modifier_doubles.h"
#include "qv/fourcc.h"
#include "qv/scene.h"
#include "tests/support/test_host.h"

namespace brumo::test {
namespace {

// Cubic gradient noise of a lattice built from seed, as the modifier's own should be.
float cubicNoise(int32_t seed, const Vector3& p) {
    NoiseLattice lattice;
    lattice.create();
    lattice.seed = seed;
    lattice.ready = false;
    lattice.buildLattice();
    return lattice.gradientNoiseCubic(p);
}

Vector3 times(float s, const Vector3& v) { return {s * v.x, s * v.y, s * v.z}; }

const Vector3 kPoints[] = {{0.13f, -0.41f, 0.77f}, {-0.9f, 0.35f, -0.2f}, {0.5f, 0.5f, 0.05f},
                           {0.01f, -0.66f, -0.93f}, {0.71f, 0.29f, 0.44f}};

// Checks that the modifier moves in by value along the block's direction, to the bit unless a
// tolerance is given.
void expectMovedBy(const ModifierRef& noise, const Vector3& in, float value, float tolerance = 0.0f) {
    const NoiseModifierParameters& p = noise.block<NoiseModifierParameters>();
    const Vector3 out = noise.deform(in);
    const Vector3 expected{in.x + value * p.directionX, in.y + value * p.directionY, in.z + value * p.directionZ};
    for (int axis = 0; axis < 3; ++axis) {
        if (tolerance == 0.0f)
            EXPECT_EQ(out[axis], expected[axis]) << "axis " << axis;
        else
            EXPECT_NEAR(out[axis], expected[axis], tolerance) << "axis " << axis;
    }
}

TEST(NoiseModifierTest, ANewModifierHasItsDefaultsAndASeedOfTheSecondDraw) {
    host().utility().setRandomSeed(4242);
    host().utility().nextRandom();
    const int32_t secondDraw = host().utility().nextRandom();
    host().utility().setRandomSeed(4242);

    ModifierRef noise(CLSID_NoiseModifier);
    ASSERT_TRUE(noise);
    const NoiseModifierParameters& p = noise.block<NoiseModifierParameters>();
    EXPECT_EQ(p.seed, secondDraw);
    EXPECT_EQ(p.directionX, 1.0f);
    EXPECT_EQ(p.directionY, 1.0f);
    EXPECT_EQ(p.directionZ, 1.0f);
    EXPECT_EQ(p.noiseSize, 20.0f);
    EXPECT_EQ(p.noiseScaleX, 100.0f);
    EXPECT_EQ(p.noiseScaleY, 100.0f);
    EXPECT_EQ(p.noiseScaleZ, 100.0f);
    EXPECT_EQ(p.noiseOffsetX, 0.0f);
    EXPECT_EQ(p.noiseOffsetY, 0.0f);
    EXPECT_EQ(p.noiseOffsetZ, 0.0f);
    EXPECT_EQ(p.rotationA, 0.0f);
    EXPECT_EQ(p.rotationB, 0.0f);
    EXPECT_EQ(p.rotationC, 0.0f);
    EXPECT_EQ(p.builtInNoise, 1);
    EXPECT_EQ(host::textOf(&p.shaderName.get()), "None");
    EXPECT_EQ(host().resources().openContexts(), 0);
}

TEST(NoiseModifierTest, TheDefaultNoiseSpaceIsFiveTimesTheBox) {
    ModifierRef noise(CLSID_NoiseModifier);
    ASSERT_TRUE(noise);
    const int32_t seed = noise.block<NoiseModifierParameters>().seed;
    bool varies = false;
    for (const Vector3& in : kPoints) {
        const float value = cubicNoise(seed, times(5.0f, in));
        expectMovedBy(noise, in, value);
        varies = varies || value != cubicNoise(seed, times(5.0f, kPoints[0]));
    }
    EXPECT_TRUE(varies);
}

TEST(NoiseModifierTest, DirectionOffsetScaleAndRotationShapeTheNoiseSpace) {
    ModifierRef noise(CLSID_NoiseModifier);
    ASSERT_TRUE(noise);
    NoiseModifierParameters& p = noise.block<NoiseModifierParameters>();
    const int32_t seed = p.seed;

    p.directionX = 2.0f;
    p.directionY = 0.0f;
    p.directionZ = -0.5f;
    p.noiseOffsetX = 0.25f;
    p.noiseOffsetY = -3.0f;
    p.noiseOffsetZ = 7.5f;
    p.noiseScaleZ = 50.0f;  // twice the frequency along z
    noise.changed();
    for (const Vector3& in : kPoints) {
        expectMovedBy(noise, in, cubicNoise(seed, {5.0f * in.x + 0.25f, 5.0f * in.y - 3.0f, 10.0f * in.z + 7.5f}));
    }

    // A quarter turn about z: (x, y, z) samples the noise at 5 (-y, x, z).
    ModifierRef turned(CLSID_NoiseModifier);
    ASSERT_TRUE(turned);
    turned.block<NoiseModifierParameters>().rotationA = 90.0f;
    turned.changed();
    const int32_t turnedSeed = turned.block<NoiseModifierParameters>().seed;
    for (const Vector3& in : kPoints) {
        expectMovedBy(turned, in, cubicNoise(turnedSeed, {-5.0f * in.y, 5.0f * in.x, 5.0f * in.z}), 1e-5f);
    }
}

TEST(NoiseModifierTest, ANegligibleSizeOrAxisScaleFlattensTheNoiseSpace) {
    ModifierRef noise(CLSID_NoiseModifier);
    ASSERT_TRUE(noise);
    NoiseModifierParameters& p = noise.block<NoiseModifierParameters>();
    const int32_t seed = p.seed;

    // noiseScaleX 0: nothing varies along x.
    p.noiseScaleX = 0.0f;
    noise.changed();
    for (const Vector3& in : kPoints) {
        const float value = cubicNoise(seed, {0.0f, 5.0f * in.y, 5.0f * in.z});
        expectMovedBy(noise, in, value);
        expectMovedBy(noise, {in.x + 0.37f, in.y, in.z}, value);
    }

    // noiseSize 0 (or below 2^-14): one constant shift, the noise at the offset.
    p.noiseScaleX = 100.0f;
    p.noiseOffsetX = 1.3f;
    p.noiseOffsetY = 0.6f;
    p.noiseOffsetZ = -2.2f;
    for (float size : {0.0f, 0.00005f, -0.00005f}) {
        SCOPED_TRACE(size);
        p.noiseSize = size;
        noise.changed();
        const float shift = cubicNoise(seed, {1.3f, 0.6f, -2.2f});
        EXPECT_NE(shift, 0.0f);
        for (const Vector3& in : kPoints) expectMovedBy(noise, in, shift);
    }
}

TEST(NoiseModifierTest, TheSeedControlDrawsANewPatternAndOtherControlsDoNothing) {
    ModifierRef noise(CLSID_NoiseModifier);
    ASSERT_TRUE(noise);
    IExDataExchanger* exchanger = noise.exchanger();
    const int32_t oldSeed = noise.block<NoiseModifierParameters>().seed;
    const Vector3 probe = kPoints[0];
    const float before = cubicNoise(oldSeed, times(5.0f, probe));
    expectMovedBy(noise, probe, before);

    host::Ref<host::HostPart> other = host::HostPart::create(qv::fourcc("SEEd"), host::PartKind::button);
    EXPECT_EQ(exchanger->handleEvent(5, other->unknown(), nullptr), 0);
    EXPECT_EQ(exchanger->handleEvent(5, nullptr, nullptr), 0);
    host::Ref<PlainObject> notAControl = host::Ref<PlainObject>::adopt(new PlainObject);
    EXPECT_EQ(exchanger->handleEvent(5, notAControl.get(), nullptr), 0);
    EXPECT_EQ(noise.block<NoiseModifierParameters>().seed, oldSeed);
    expectMovedBy(noise, probe, before);
    EXPECT_EQ(other->referenceCount(), 1);
    EXPECT_EQ(notAControl->referenceCount(), 1);

    host().utility().setRandomSeed(777);
    const int32_t expected = host().utility().nextRandom();
    ASSERT_NE(expected, oldSeed);
    host().utility().setRandomSeed(777);
    host::Ref<host::HostPart> seedControl = host::HostPart::create(qv::fourcc("SEED"), host::PartKind::button);
    EXPECT_EQ(exchanger->handleEvent(0, seedControl->unknown(), nullptr), 1);  // any kind
    EXPECT_EQ(seedControl->referenceCount(), 1);
    EXPECT_EQ(noise.block<NoiseModifierParameters>().seed, expected);

    // The new lattice is in use at once, without a parametersChanged.
    bool changed = false;
    for (const Vector3& in : kPoints) {
        const float value = cubicNoise(expected, times(5.0f, in));
        expectMovedBy(noise, in, value);
        changed = changed || value != cubicNoise(oldSeed, times(5.0f, in));
    }
    EXPECT_TRUE(changed);
}

TEST(NoiseModifierTest, ASeedWrittenIntoTheBlockIsAppliedAtTheNextUpdate) {
    ModifierRef first(CLSID_NoiseModifier);
    ModifierRef second(CLSID_NoiseModifier);
    ASSERT_TRUE(first && second);
    NoiseModifierParameters& a = first.block<NoiseModifierParameters>();
    const NoiseModifierParameters& b = second.block<NoiseModifierParameters>();
    ASSERT_NE(a.seed, b.seed);

    // As a host restoring a saved scene: the stored seed goes into the block, then the notice.
    a.seed = b.seed;
    first.changed();
    for (const Vector3& in : kPoints) {
        expectMovedBy(first, in, cubicNoise(b.seed, times(5.0f, in)));
        expectMovedBy(second, in, cubicNoise(b.seed, times(5.0f, in)));
    }
    a.seed = 12345;
    first.changed();
    for (const Vector3& in : kPoints) expectMovedBy(first, in, cubicNoise(12345, times(5.0f, in)));
}

TEST(NoiseModifierTest, ANamedSceneShaderReplacesTheNoise) {
    host::Ref<ValueShader> mist = host::Ref<ValueShader>::adopt(new ValueShader("Mist", 0.25f));
    host().scene().addShader(mist.get());
    {
        ModifierRef noise(CLSID_NoiseModifier);
        ASSERT_TRUE(noise);
        NoiseModifierParameters& p = noise.block<NoiseModifierParameters>();
        const int32_t seed = p.seed;
        const Vector3 in{0.3f, -0.2f, 0.6f};
        const float noiseValue = cubicNoise(seed, times(5.0f, in));

        // Named but switched off: the noise.
        p.shaderName->setText("Mist");
        noise.changed();
        expectMovedBy(noise, in, noiseValue);
        EXPECT_EQ(mist->evaluations, 0);

        p.builtInNoise = 0;
        noise.changed();
        const Vector3 out = noise.deform(in);
        EXPECT_EQ(mist->evaluations, 1);
        EXPECT_EQ(out.x, in.x + 0.25f);
        EXPECT_EQ(out.y, in.y + 0.25f);
        EXPECT_EQ(out.z, in.z + 0.25f);
        EXPECT_EQ(mist->valueOnEntry, 1.0f);
        EXPECT_EQ(mist->flagOnEntry, 0);

        // The record: the host's defaults with the sample point in both point fields.
        QVShadingRecord expected;
        qv::resetShadingRecord(expected);
        expected.point = {in.x, in.y, in.z};
        expected.position = {in.x, in.y, in.z};
        EXPECT_EQ(std::memcmp(&mist->record, &expected, sizeof expected), 0);

        // A name the scene does not know brings the noise back; so does an empty one.
        p.shaderName->setText("Fog");
        noise.changed();
        expectMovedBy(noise, in, noiseValue);
        p.shaderName->setText("");
        noise.changed();
        expectMovedBy(noise, in, noiseValue);
        EXPECT_EQ(mist->evaluations, 1);

        // The shader is looked up again at every update.
        p.shaderName->setText("Mist");
        noise.changed();
        mist->value = -0.5f;
        expectMovedBy(noise, in, -0.5f);
        EXPECT_GT(mist->referenceCount(), 1);
    }
    EXPECT_TRUE(host().scene().removeShader("Mist"));
    EXPECT_EQ(mist->referenceCount(), 1);
}

}  // namespace
}  // namespace brumo::test
