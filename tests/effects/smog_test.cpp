// Smog as a host meets it: created by class id, its block, its colour popup and its density.
#include <gtest/gtest.h>

#include "effect_fixtures.h"
#include "tests/math/built_lattice.h"
#include "tests/support/curves.h"

namespace brumo::test {
namespace {

TEST(SmogTest, ANewSmogHasTheCommonDefaultsWithFractalNoise) {
    EffectRef smog(CLSID_Smog);
    ASSERT_TRUE(smog);
    IExDataExchanger* exchanger = smog->exchangerInterface();
    expectBlockSize(exchanger, {"Smog", CLSID_Smog, sizeof(SmogParameters), 492});
    // The host keeps the block's address: it stays the same across a change notice.
    void* const held = exchanger->parameterBlock();
    ASSERT_NE(held, nullptr);
    exchanger->parametersChanged();
    EXPECT_EQ(exchanger->parameterBlock(), held);

    const EffectParameters& block = smog.block();
    EXPECT_EQ(block.noiseType, 4);
    EXPECT_EQ(text(block.densityShaderName), "Fractal noise");
    EXPECT_EQ(text(block.meshName), "None");
    EXPECT_EQ(block.size, 4.0f);
    EXPECT_EQ(block.seedValue, 777.0f);
    EXPECT_EQ(block.lightingMode, qv::fourcc("Opt0"));
    EXPECT_EQ(block.meshOff, 1);
    EXPECT_EQ(block.shapeFlags, 0xFC00u);
    for (int k = 10; k < 16; ++k) {
        EXPECT_EQ(block.shapeFalloffs[k].a, 0.0f) << k;
        EXPECT_EQ(block.shapeFalloffs[k].b, 0.1f) << k;
    }
    ASSERT_NE(presetGradient(8), nullptr);
    EXPECT_TRUE(sameGradient(block.colourGradient, *presetGradient(8)));
    EXPECT_EQ(host().resources().openContexts(), 0);
}

TEST(SmogTest, TheShaderNameIsTheHostsText6) {
    host::ResourceService& resources = host().resources();
    const std::string original = resources.moduleString(6);
    resources.setModuleString(6, "Haze");
    {
        EffectRef smog(CLSID_Smog);
        ASSERT_TRUE(smog);
        EXPECT_EQ(text(smog.block().densityShaderName), "Haze");
    }
    resources.setModuleString(6, original);
    EXPECT_EQ(resources.openContexts(), 0);
}

class SmogPopupTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(smog); }
    // The popup sends value `code`; answers what the handler returned.
    QVResult choose(uint32_t partId, uint32_t code) {
        owner.writes = 0;
        part = loosePart(partId, host::PartKind::integer, static_cast<int32_t>(code), &owner);
        return smog->exchangerInterface()->handleEvent(5, part->unknown(), nullptr);
    }

    EffectRef smog{CLSID_Smog};
    WriteCounter owner;
    host::Ref<host::HostPart> part;
};

TEST_F(SmogPopupTest, EachChoiceLoadsItsPresetAndThePopupReadsNoPreset) {
    const struct {
        const char* code;
        int32_t preset;
    } choices[] = {{"Opt0", 8}, {"Opt1", 9}, {"Opt2", 10}, {"Opt3", 11}, {"Opt4", 12}, {"Opt5", 1}};
    for (const auto& choice : choices) {
        SCOPED_TRACE(choice.code);
        ASSERT_TRUE(copyPreset(0, smog.block().colourGradient));
        ASSERT_NE(presetGradient(choice.preset), nullptr);
        ASSERT_FALSE(sameGradient(smog.block().colourGradient, *presetGradient(choice.preset)));
        char code[5] = {choice.code[0], choice.code[1], choice.code[2], choice.code[3], 0};
        EXPECT_EQ(choose(qv::fourcc("SmoP"), qv::fourcc(code)), 1);
        EXPECT_TRUE(sameGradient(smog.block().colourGradient, *presetGradient(choice.preset)));
        EXPECT_EQ(static_cast<uint32_t>(part->intValue()), qv::fourcc("NoPt"));
        EXPECT_EQ(part->referenceCount(), 1);
    }
}

TEST_F(SmogPopupTest, Opt5IsTheCloudRampAndChoosingItTwiceGivesTheSame) {
    EXPECT_EQ(choose(qv::fourcc("SmoP"), qv::fourcc("Opt5")), 1);
    EXPECT_TRUE(sameGradient(smog.block().colourGradient, *presetGradient(1)));
    EXPECT_EQ(static_cast<uint32_t>(part->intValue()), qv::fourcc("NoPt"));
    EXPECT_EQ(choose(qv::fourcc("SmoP"), qv::fourcc("Opt5")), 1);
    EXPECT_TRUE(sameGradient(smog.block().colourGradient, *presetGradient(1)));
}

TEST_F(SmogPopupTest, OtherValuesAndOtherControlsLeaveTheGradient) {
    ASSERT_TRUE(copyPreset(3, smog.block().colourGradient));
    EXPECT_EQ(choose(qv::fourcc("SmoP"), qv::fourcc("Opt9")), 1);
    EXPECT_TRUE(sameGradient(smog.block().colourGradient, *presetGradient(3)));
    EXPECT_EQ(static_cast<uint32_t>(part->intValue()), qv::fourcc("NoPt"));

    // The fire popup is not Smog's: nothing loaded, nothing written back.
    EXPECT_EQ(choose(qv::fourcc("FirP"), qv::fourcc("Opt1")), 1);
    EXPECT_TRUE(sameGradient(smog.block().colourGradient, *presetGradient(3)));
    EXPECT_EQ(owner.writes, 0);
}

TEST_F(SmogPopupTest, EventsGoOnToTheCommonHandling) {
    EXPECT_EQ(choose(qv::fourcc("DNZC"), 1), 1);
    EXPECT_EQ(smog.block().shapeFlags, 0xFC00u | 0x200u);
    EXPECT_EQ(choose(qv::fourcc("DePr"), qv::fourcc("Opt4")), 1);
    EXPECT_EQ(smog.block().shapeFlags, 0x80u);
    EXPECT_EQ(static_cast<uint32_t>(part->intValue()), qv::fourcc("NoPt"));
    // No source, or another kind of event: still answered.
    EXPECT_EQ(smog->exchangerInterface()->handleEvent(5, nullptr, nullptr), 1);
    EXPECT_EQ(smog->exchangerInterface()->handleEvent(77, nullptr, nullptr), 1);
}

// Density of a prepared Smog.
class SmogDensityTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(smog);
        EffectParameters& block = smog.block();
        block.noiseOffset = {0.3f, -1.2f, 2.0f};
        block.noiseScale = 25.0f;
        block.noiseRotation = {10.0f, 20.0f, 30.0f};
    }
    // The built-in field of the default seed and detail at the noise point of p: where a host
    // shader made the density source is read.
    float noiseAt(const Vector3& p) {
        EffectParameters& block = smog.block();
        const std::string field = text(block.densityShaderName);
        const int32_t type = block.noiseType;
        QVVector3 n;
        {
            DensityShader shader(smog, "smog noise point");
            sampleAt(smog, p);
            n = shader->record.point;
        }
        block.densityShaderName->setText(field.c_str());
        block.noiseType = type;
        NoiseLattice lattice = builtLattice(777);
        lattice.maxFrequency = 8;
        const float v = lattice.fractalSumScaled({n.x, n.y, n.z}, 0.5f, 0.002f) * 0.6f + 0.5f;
        return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
    }
    // The tables of gain and bias 0.5 keep a value within this.
    static constexpr float kShaping = 1.0f / 4096.0f;

    EffectRef smog{CLSID_Smog};
};

TEST_F(SmogDensityTest, WithoutShapeOptionsTheDensityIsTheNoiseField) {
    smog.block().shapeFlags = 0;
    for (Vector3 p : {Vector3{0.0f, 0.0f, 0.0f}, Vector3{0.9f, -0.4f, 0.2f},
                      Vector3{-1.0f, 1.0f, 1.0f}, Vector3{0.33f, 0.66f, -0.99f}}) {
        const float noise = noiseAt(p);
        const PointSample sample = sampleAt(smog, p);
        EXPECT_NEAR(sample.density, noise, kShaping);
        EXPECT_GT(sample.density, 0.0f);
        EXPECT_LE(sample.density, 1.0f);
        EXPECT_EQ(sample.shapeValue, 1.0f);
    }
}

TEST_F(SmogDensityTest, TheShapeMaskScalesTheNoise) {
    const Vector3 p{0.0f, 0.0f, 0.85f};
    smog.block().shapeFlags = 0;
    const float unshaped = sampleAt(smog, p).density;
    ASSERT_GT(unshaped, 0.0f);
    // The sphere preset: r = 0.85 lies halfway through its soft edge.
    smog.block().shapeFlags = 0x3;
    smog.block().shapeFalloffs[0] = {0.0f, 0.3f};
    const PointSample shaped = sampleAt(smog, p);
    EXPECT_NEAR(shaped.density, softObjectAt(0.15 / 0.3) * unshaped, 1e-6f);
    EXPECT_NEAR(shaped.shapeValue, softObjectAt(0.15 / 0.3), 1e-6f);
    EXPECT_EQ(sampleAt(smog, {0.0f, 0.8f, -0.7f}).density, 0.0f);
}

TEST_F(SmogDensityTest, OutsideTheCubeNoNoiseIsEvaluated) {
    // A host shader as the density source counts the evaluations.
    DensityShader shader(smog, "smog test density", 0.5f);
    smog.block().shapeFlags = 0;
    for (Vector3 p : {Vector3{1.0001f, 0.0f, 0.0f}, Vector3{0.0f, -1.5f, 0.0f},
                      Vector3{0.2f, 0.2f, 1.00007f}}) {
        const PointSample sample = sampleAt(smog, p);
        EXPECT_EQ(sample.density, 0.0f);
        EXPECT_EQ(sample.shapeValue, 0.0f);
    }
    EXPECT_EQ(shader->evaluations, 0);
    EXPECT_GT(sampleAt(smog, {1.00006f, 0.0f, 0.0f}).density, 0.0f);
    EXPECT_EQ(shader->evaluations, 1);
}

TEST_F(SmogDensityTest, TheMaskAndNoiseSeeTheModifiedPoint) {
    smog.block().shapeFlags = 0;
    const Vector3 origin{0.0f, 0.0f, 0.0f};
    ASSERT_GT(sampleAt(smog, origin).density, 0.0f);
    const float shifted = noiseAt({0.1f + 0.5f, 0.2f, 0.3f});
    auto away = FunctionModifier::create([](const Vector3&, Vector3& out) { out = {5.0f, 0.0f, 0.0f}; });
    auto shift = FunctionModifier::create([](const Vector3& in, Vector3& out) { out.x = in.x + 0.5f; });
    {
        ModifierList list(smog);
        list.add(away.get());
        EXPECT_EQ(sampleAt(smog, origin, false).density, 0.0f);
    }
    {
        ModifierList list(smog);
        list.add(shift.get());
        EXPECT_NEAR(sampleAt(smog, {0.1f, 0.2f, 0.3f}, false).density, shifted, kShaping);
    }
}

}  // namespace
}  // namespace brumo::test
