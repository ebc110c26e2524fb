// What the primitive derives from its parameters before a march: tables, octave limit, the
// noise-space transform, extinction and colour weights, lattice seed, host shaders and mesh.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "brumo/class_ids.h"
#include "host/common/text.h"
#include "host/scene/shaders.h"
#include "math/affine_transform.h"
#include "math/shaping.h"
#include "primitive/colour_gradient.h"
#include "qv/fourcc.h"
#include "tests/support/host_doubles.h"
#include "tests/support/module_objects.h"
#include "tests/support/probe_effect.h"
#include "tests/support/test_host.h"

namespace brumo::test {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

TEST(RenderPreparation, ColourWeightsAreTheLagrangeWeightsOfTheMix) {
    Probe probe;
    const struct {
        float mix, density, shape, mixed;
    } cases[] = {{0.0f, 1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 1.0f, 0.0f}, {0.5f, 0.0f, 0.0f, 1.0f}};
    for (const auto& c : cases) {
        probe->block().colourSourceMix = c.mix;
        probe->prepareRender();
        EXPECT_EQ(probe->colourWeightDensity, c.density) << c.mix;
        EXPECT_EQ(probe->colourWeightShape, c.shape) << c.mix;
        EXPECT_EQ(probe->colourWeightMixed, c.mixed) << c.mix;
    }
    probe->block().colourSourceMix = 0.25f;
    probe->prepareRender();
    EXPECT_FLOAT_EQ(probe->colourWeightDensity + probe->colourWeightShape + probe->colourWeightMixed, 1.0f);
}

TEST(RenderPreparation, ExtinctionDensityScaleAndPendingFlag) {
    Probe probe;
    EffectParameters& p = probe->block();
    p.absorptionDistance = 4.0f;
    p.densityAmount = 0.75f;
    probe->prepareRender();
    EXPECT_EQ(probe->preparePending, 0);
    EXPECT_EQ(probe->extinction, 0.25f);
    EXPECT_EQ(probe->densityScale, 1.5f);
    EXPECT_EQ(probe->effectPreparations, 1);

    for (float distance : {0.0f, 0.00006103515625f, -1.0f}) {
        p.absorptionDistance = distance;
        probe->prepareRender();
        EXPECT_EQ(probe->extinction, 0.0f) << distance;
    }
}

TEST(RenderPreparation, BiasIsClampedAndWrittenBack) {
    // A host shader of value 0 or 1 as the density: the tables' ends.
    EffectRef smog(CLSID_Smog);
    EffectParameters& p = smog.block();
    p.shapeFlags = 0;
    p.noiseType = 0;
    SceneShader none("preparation test 0", 0.0f);
    SceneShader full("preparation test 1", 1.0f);
    auto densityFrom = [&](const char* shader) {
        host::setText(&p.densityShaderName.get(), shader);
        return sampleAt(smog, {0.1f, 0.2f, 0.3f}).density;
    };
    const struct {
        float given, stored;
    } cases[] = {{1.0f, 0.99993896484375f}, {0.0f, 0.00006103515625f}, {-2.0f, 0.00006103515625f},
                 {kNaN, 0.00006103515625f}, {0.3f, 0.3f}};
    for (const auto& c : cases) {
        p.biasAmount = c.given;
        EXPECT_EQ(densityFrom("preparation test 0"), 0.0f) << c.given;
        EXPECT_EQ(p.biasAmount, c.stored) << c.given;
        EXPECT_EQ(densityFrom("preparation test 1"), 1.0f) << c.given;
    }
}

TEST(RenderPreparation, TablesRunFromZeroToOne) {
    Probe probe;
    EffectParameters& p = probe->block();
    p.gainAmount = 0.8f;
    p.biasAmount = 0.3f;
    probe->prepareRender();
    EXPECT_EQ(probe->gainTable[0], 0.0f);
    EXPECT_EQ(probe->biasTable[0], 0.0f);
    EXPECT_FLOAT_EQ(probe->gainTable[9999], 1.0f);
    EXPECT_EQ(probe->biasTable[9999], 1.0f);
    // Entry i belongs to t = i / 9999 in single precision: the bias at one half is the bias itself.
    const float t = 1234.0f * 0.00010001000191550702f;
    EXPECT_EQ(probe->gainTable[1234], gain(0.8f, t));
    EXPECT_EQ(probe->biasTable[1234], bias(0.3f, t));
    EXPECT_NEAR(probe->biasTable[5000], 0.3f, 1e-4f);
    for (int i = 1; i < 10000; ++i) ASSERT_GE(probe->gainTable[i], probe->gainTable[i - 1]) << i;
}

TEST(RenderPreparation, TableIndexStaysInsideTheTables) {
    // Gains outside [0, 1] push the curve outside [0, 1]; the index must not follow.
    EXPECT_EQ(tableIndex(0.0f), 0);
    EXPECT_EQ(tableIndex(0.5f), 4999);
    EXPECT_EQ(tableIndex(1.0f), 9999);
    EXPECT_EQ(tableIndex(-0.25f), 0);
    EXPECT_EQ(tableIndex(1.5f), 9999);
    EXPECT_EQ(tableIndex(kNaN), 0);
    EXPECT_EQ(tableIndex(kInfinity), 9999);
    EXPECT_EQ(tableIndex(-kInfinity), 0);

    // A negative gain sends the curve to +inf at 0 and -inf at 1; a gain above 1 gives NaN.
    Probe probe;
    probe->block().gainAmount = -1.0f;
    probe->prepareRender();
    EXPECT_GT(probe->gainTable[0], 1.0f);
    EXPECT_LT(probe->gainTable[9999], 0.0f);
    EXPECT_EQ(tableIndex(probe->gainTable[0]), 9999);
    EXPECT_EQ(tableIndex(probe->gainTable[9999]), 0);
    probe->block().gainAmount = 3.0f;
    probe->prepareRender();
    EXPECT_TRUE(std::isnan(probe->gainTable[100]));
    EXPECT_EQ(tableIndex(probe->gainTable[100]), 0);
}

TEST(RenderPreparation, DetailAndQualityBecomeIntegersWithoutOverflow) {
    Probe probe;
    EffectParameters& p = probe->block();
    const struct {
        float detail;
        int32_t frequency;
    } details[] = {{0.0f, 2},       {5.0f, 64},        {2.0f, 8},     {-1.0f, 1},       {-3.0f, 0},
                   {40.0f, INT32_MAX}, {kInfinity, INT32_MAX}, {kNaN, 0}, {-kInfinity, 0}};
    for (const auto& c : details) {
        p.detail = c.detail;
        probe->prepareRender();
        EXPECT_EQ(probe->lattice.maxFrequency, c.frequency) << "detail " << c.detail;
    }

    const struct {
        float quality, resolution;
    } qualities[] = {{0.01f, 0.0f}, {0.2f, 10.0f}, {1.0f, 50.0f}, {2.0f, 64.0f},  {1e12f, 64.0f},
                     {kNaN, 0.0f},  {-1.0f, 0.0f}, {kInfinity, 64.0f}};
    for (const auto& c : qualities) {
        p.quality = c.quality;
        probe->prepareRender();
        EXPECT_EQ(probe->shadowGridResolution, c.resolution) << "quality " << c.quality;
        EXPECT_EQ(probe->shadowGridActive, 0);  // "Opt0"
    }
}

TEST(RenderPreparation, NoiseSpaceTransformAndItsInverse) {
    Probe probe;
    EffectParameters& p = probe->block();
    p.noiseScale = 50.0f;                       // k = 2
    p.noiseScaleXYZ = {100.0f, 50.0f, -200.0f};  // S = diag(1, 2, -0.5)
    p.noiseOffset = {1.0f, 2.0f, 3.0f};
    p.noiseRotation = {90.0f, 0.0f, 0.0f};       // a turn about z
    probe->prepareRender();
    const AffineTransform& t = probe->noiseTransform;
    const Vector3 q = applyAffine(t, {1.0f, 0.0f, 0.0f});
    // Rz(90) takes x to y; then S scales y by 2, k by 2 more; the offset is added unscaled.
    EXPECT_NEAR(q.x, 1.0f, 1e-5f);
    EXPECT_NEAR(q.y, 6.0f, 1e-5f);
    EXPECT_NEAR(q.z, 3.0f, 1e-5f);
    const Vector3 r = applyLinear(t, {0.0f, 0.0f, 1.0f});
    EXPECT_NEAR(r.z, -1.0f, 1e-6f);
    const Vector3 back = applyAffine(probe->noiseTransformInverse, q);
    EXPECT_NEAR(back.x, 1.0f, 1e-5f);
    EXPECT_NEAR(back.y, 0.0f, 1e-5f);
    EXPECT_NEAR(back.z, 0.0f, 1e-5f);
    // The effects apply the matrix alone.
    EXPECT_EQ(probe->field().toNoiseSpace({0.0f, 0.0f, 0.0f}), kZeroVector);

}

TEST(RenderPreparation, ZeroScaleGivesZeroMatrixAndIdentityInverse) {
    Probe probe;
    EffectParameters& p = probe->block();
    p.noiseScale = 0.0f;
    p.noiseOffset = {1.0f, -2.0f, 0.5f};
    p.noiseRotation = {30.0f, 40.0f, 50.0f};
    probe->prepareRender();
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(probe->noiseTransform.m[r][c], 0.0f);
            EXPECT_EQ(probe->noiseTransformInverse.m[r][c], r == c ? 1.0f : 0.0f);
        }
    EXPECT_EQ(probe->noiseTransformInverse.translation, (Vector3{-1.0f, 2.0f, -0.5f}));

    // A per-axis scale at or below 2^-14 zeroes its row only.
    p.noiseScale = 100.0f;
    p.noiseRotation = {0.0f, 0.0f, 0.0f};
    p.noiseScaleXYZ = {100.0f, 0.00006103515625f, 100.0f};
    probe->prepareRender();
    EXPECT_EQ(probe->noiseTransform.m[0][0], 1.0f);
    EXPECT_EQ(probe->noiseTransform.m[1][1], 0.0f);
    EXPECT_EQ(probe->noiseTransform.m[2][2], 1.0f);
}

TEST(RenderPreparation, EverySeedTakesEffect) {
    EffectRef smog(CLSID_Smog);
    EffectParameters& p = smog.block();
    p.shapeFlags = 0;
    // The noise along a line through the cube, to tell patterns apart.
    auto pattern = [&smog](bool announce) {
        if (announce) smog->exchangerInterface()->parametersChanged();
        std::vector<float> values;
        for (float t = -0.9f; t < 1.0f; t += 0.1f)
            values.push_back(sampleAt(smog, {t, 0.5f * t, -0.3f * t}, false).density);
        return values;
    };
    auto patternFor = [&](float seed) {
        p.seedValue = seed;
        return pattern(true);
    };
    const std::vector<float> first = pattern(true);

    // The host writes a new seed and says nothing: the next sample still uses it.
    const std::vector<float> reference = patternFor(4321.0f);
    p.seedValue = 777.0f;
    EXPECT_EQ(pattern(true), first);
    p.seedValue = 4321.0f;
    EXPECT_EQ(pattern(false), reference);
    EXPECT_NE(reference, first);

    // Seeds the int cannot hold saturate instead of overflowing; NaN is seed 0, and the
    // fraction is cut off.
    const std::vector<float> highest = patternFor(2147483648.0f);
    EXPECT_EQ(patternFor(1e20f), highest);
    EXPECT_NE(patternFor(-1e20f), highest);
    EXPECT_EQ(patternFor(-1e20f), patternFor(-2147483648.0f));
    EXPECT_EQ(patternFor(kNaN), patternFor(0.0f));
    EXPECT_EQ(patternFor(-12.7f), patternFor(-12.0f));
    EXPECT_NE(patternFor(-12.7f), patternFor(-13.0f));
}

TEST(RenderPreparation, ShadersAreLookedUpOnlyWhenUsed) {
    host::Scene& scene = host().scene();
    auto* shader = new host::ConstantColourShader("Mist colour", {0.2f, 0.4f, 0.6f, 1.0f});
    scene.addShader(shader);
    Probe probe;
    EffectParameters& p = probe->block();
    p.colourShaderName->setText("Mist colour");
    p.densityShaderName->setText("Mist colour");

    probe->refreshShaders();  // noise and gradient: nothing to look up
    EXPECT_FALSE(probe->colourShader);
    EXPECT_FALSE(probe->densityShader);

    p.colourFromGradient = 0;
    probe->refreshShaders();
    ASSERT_TRUE(probe->colourShader);
    EXPECT_TRUE(probe->colourShaderRef);
    EXPECT_FALSE(probe->densityShader);
    const ColourRGBA colour = probe->sampleColour({0.5f, 0.0f});
    EXPECT_EQ(colour.red, 0.2f);
    EXPECT_EQ(colour.blue, 0.6f);

    p.noiseType = 0;
    probe->refreshShaders();
    EXPECT_TRUE(probe->densityShader);

    // A shader that leaves the scene is dropped with its evaluation interface.
    scene.removeShader("Mist colour");
    probe->refreshShaders();
    EXPECT_FALSE(probe->colourShaderRef);
    EXPECT_FALSE(probe->colourShader);
    EXPECT_FALSE(probe->densityShader);
    EXPECT_EQ(probe->sampleColour({0.5f, 0.0f}), (ColourRGBA{0.0f, 0.0f, 0.0f, 0.0f}));

    // An empty name releases what was held.
    scene.addShader(shader);
    probe->refreshShaders();
    EXPECT_TRUE(probe->colourShader);
    p.colourShaderName->setText("");
    probe->refreshShaders();
    EXPECT_FALSE(probe->colourShader);
    scene.removeShader("Mist colour");
    shader->Release();
}

TEST(RenderPreparation, UnknownLightingModeSkipsLightsAndMesh) {
    Probe probe;
    EffectParameters& p = probe->block();
    p.lightingMode = qv::fourcc("Opt9");
    p.meshOff = 0;
    probe->prepareRender();
    EXPECT_EQ(probe->shadowGridActive, 0);
    EXPECT_EQ(probe->lights.count(), 0);
    EXPECT_EQ(probe->shadowGrid.resolution(), 0);
    EXPECT_FALSE(probe->meshShape.hasMesh());

    // "Opt0" leaves the light list and the grid as they are.
    p.lightingMode = qv::fourcc("Opt0");
    probe->prepareRender();
    EXPECT_EQ(probe->shadowGridActive, 0);
    EXPECT_EQ(probe->shadowGrid.resolution(), 0);
}

}  // namespace
}  // namespace brumo::test
