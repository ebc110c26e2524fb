// What the primitive derives from its parameters before a march, seen in what the march and the
// density sampler answer: tables, octave limit, the noise-space transform, extinction and colour
// weights, lattice seed, host shaders and the lighting mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "brumo/class_ids.h"
#include "host/common/text.h"
#include "host/scene/shaders.h"
#include "primitive/colour_gradient.h"
#include "qv/fourcc.h"
#include "tests/support/comparisons.h"
#include "tests/support/curves.h"
#include "tests/support/host_doubles.h"
#include "tests/support/module_objects.h"
#include "tests/support/probe_effect.h"
#include "tests/support/test_host.h"

namespace brumo::test {
namespace {

constexpr QVColourRecord kBehind{0.1f, 0.2f, 0.3f, 0.4f};

// A Smog whose noise is a scene shader of the value the test sets and whose shape is the whole
// cube, so that its density is the value after the gain and bias curves.
class ShaderSmog {
public:
    ShaderSmog() {
        EffectParameters& p = smog_.block();
        p.shapeFlags = 0;
        p.noiseType = 0;
        p.densityShaderName->setText("preparation field");
    }

    // The density at a point of the cube for the field value v; the block's edits are announced.
    float densityFor(float v, bool announce = true) {
        shader_->value = v;
        return sampleAt(smog_, {0.1f, 0.2f, 0.3f}, announce).density;
    }
    // The colour the sampler answers at p (normalised), after announcing the block's edits.
    QVColourRecord colourAt(const Vector3& p) {
        smog_->exchangerInterface()->parametersChanged();
        QVCountedPtr<IDensitySampler> sampler;
        EXPECT_EQ(sampler.queryFrom(smog_->primaryUnknown(), IID_IDensitySampler), qv::kOk);
        const float size = smog_.block().size;
        const QVVector3 point{p.x * size, p.y * size, p.z * size};
        QVColourRecord colour{-1.0f, -1.0f, -1.0f, -1.0f};
        EXPECT_EQ(sampler->sampleAt(&point, nullptr, nullptr, &colour), qv::kOk);
        return colour;
    }
    EffectParameters& block() { return smog_.block(); }
    ValueShader& shader() { return *shader_.get(); }
    const EffectRef& effect() { return smog_; }

private:
    SceneShader shader_{"preparation field"};
    EffectRef smog_{CLSID_Smog};
};

// A probe in a unit cube that marches one sample of length 2 at the centre of the segment
// (-1, 0, 0) to (1, 0, 0): steps of 2, no jitter, white vapour.
void oneSampleSetup(ProbeEffect& probe) {
    EffectParameters& p = probe.block();
    p.size = 1.0f;
    p.quality = 0.005f;
    p.stepJitter = 0.0f;
    useSingleColour(p.colourGradient, {1.0f, 1.0f, 1.0f, 1.0f});
}
QVColourRecord oneSample(ProbeEffect& probe) { return probe.march({-1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, kBehind); }

TEST(RenderPreparation, ColourWeightsAreTheLagrangeWeightsOfTheMix) {
    // A grey ramp: the red the sampler answers is the gradient position itself.
    ShaderSmog smog;
    ColourGradient& gradient = smog.block().colourGradient;
    setKeys(gradient, {{{0.0f, 0.0f, 0.0f, 1.0f}, 0.0f}, {{1.0f, 1.0f, 1.0f, 1.0f}, 1.0f}});
    smog.shader().value = 0.5f;
    const PointSample sample = sampleAt(smog.effect(), {0.1f, 0.2f, 0.3f});
    ASSERT_NEAR(sample.density, 0.5f, 1e-3f);
    ASSERT_EQ(sample.shapeValue, 1.0f);
    const float d = sample.density;

    // Mix 0 colours by density, 1 by the shape value, 0.5 by their product; 0.25 weighs them
    // 0.375, -0.125 and 0.75.
    const struct {
        float mix, position;
    } cases[] = {{0.0f, d}, {1.0f, 1.0f}, {0.5f, d}, {0.25f, 0.375f * d - 0.125f + 0.75f * d}};
    for (const auto& c : cases) {
        smog.block().colourSourceMix = c.mix;
        EXPECT_NEAR(smog.colourAt({0.1f, 0.2f, 0.3f}).red, c.position, 1e-5f) << c.mix;
    }
}

TEST(RenderPreparation, ExtinctionAndDensityScaleTakeEffectWhenAnnounced) {
    Probe probe;
    oneSampleSetup(*probe);
    EffectParameters& p = probe->block();
    p.absorptionDistance = 4.0f;  // extinction 0.25
    p.densityAmount = 0.75f;      // density scale 1.5
    probe->setDensity(0.5f);
    // A new primitive prepares at its first call without a notice. Optical depth 1.5 × 2 × 0.5;
    // the sample and the background are both seen through e^-0.375.
    const float t = std::exp(-0.375f);
    EXPECT_EQ(probe->effectPreparations, 0);
    const QVColourRecord first = oneSample(*probe);
    EXPECT_FLOAT_EQ(first.alpha, 1.5f * t + kBehind.alpha * t);
    EXPECT_FLOAT_EQ(first.red, 1.5f * t + kBehind.red * t);
    EXPECT_EQ(probe->effectPreparations, 1);

    // Until the host announces the edit, the march keeps what it prepared.
    p.absorptionDistance = 0.0f;
    EXPECT_TRUE(sameColour(oneSample(*probe), first));
    EXPECT_EQ(probe->effectPreparations, 1);

    // No extinction at or below 2^-14: the background passes unattenuated beneath the sample.
    for (float distance : {0.0f, 0.00006103515625f, -1.0f}) {
        p.absorptionDistance = distance;
        probe->exchangerInterface()->parametersChanged();
        const QVColourRecord clear = oneSample(*probe);
        EXPECT_FLOAT_EQ(clear.alpha, 1.5f + kBehind.alpha) << distance;
        EXPECT_FLOAT_EQ(clear.green, 1.5f + kBehind.green) << distance;
    }
    EXPECT_EQ(probe->effectPreparations, 4);
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

TEST(RenderPreparation, TheFieldPassesThroughTheGainThenTheBiasCurve) {
    ShaderSmog smog;
    EffectParameters& p = smog.block();
    p.gainAmount = 0.8f;
    p.biasAmount = 0.3f;
    EXPECT_EQ(smog.densityFor(0.0f), 0.0f);
    EXPECT_NEAR(smog.densityFor(1.0f, false), 1.0f, 1e-3f);
    // The gain keeps one half; the bias then moves it to the bias itself.
    EXPECT_NEAR(smog.densityFor(0.5f, false), 0.3f, 1e-3f);
    for (float v : {0.1234f, 0.7f})
        EXPECT_NEAR(smog.densityFor(v, false), biasCurve(0.3, gainCurve(0.8, v)), 1e-3f) << v;
    float previous = 0.0f;
    for (int i = 0; i <= 200; ++i) {
        const float density = smog.densityFor(static_cast<float>(i) / 200.0f, false);
        ASSERT_GE(density, previous) << i;
        previous = density;
    }
}

TEST(RenderPreparation, GainCurvesOutsideTheUnitRangeStayInsideTheTables) {
    // A negative gain sends the curve to +inf at 0 and -inf at 1: the ends of the bias table.
    ShaderSmog smog;
    smog.block().gainAmount = -1.0f;
    EXPECT_EQ(smog.densityFor(0.0f), 1.0f);
    EXPECT_EQ(smog.densityFor(1.0f, false), 0.0f);
    // A gain above 1 gives NaN, which reads the first entry.
    smog.block().gainAmount = 3.0f;
    EXPECT_EQ(smog.densityFor(0.01f), 0.0f);
}

TEST(RenderPreparation, DetailBecomesAnOctaveLimitWithoutOverflow) {
    // The built-in noise along a line through the cube, for a detail: details that give the same
    // highest frequency give the same pattern.
    EffectRef smog(CLSID_Smog);
    smog.block().shapeFlags = 0;
    auto patternFor = [&smog](float detail) {
        smog.block().detail = detail;
        smog->exchangerInterface()->parametersChanged();
        std::vector<float> values;
        for (float t = -0.9f; t < 1.0f; t += 0.1f)
            values.push_back(sampleAt(smog, {t, 0.37f * t, -0.61f * t}, false).density);
        return values;
    };
    // Highest frequencies 0 or 1 (no octave at all), 2, 8, 64 and the largest int.
    const std::vector<std::vector<float>> classes[] = {
        {patternFor(-3.0f), patternFor(kNaN), patternFor(-kInfinity), patternFor(-1.0f)},
        {patternFor(0.0f)},
        {patternFor(2.0f)},
        {patternFor(5.0f)},
        {patternFor(40.0f), patternFor(kInfinity)}};
    for (const auto& members : classes)
        for (const auto& member : members) {
            EXPECT_EQ(member, members[0]);
            for (float v : member) ASSERT_TRUE(std::isfinite(v));
        }
    for (size_t c = 1; c < std::size(classes); ++c) EXPECT_NE(classes[c][0], classes[c - 1][0]) << c;
}

TEST(RenderPreparation, TheNoiseIsReadThroughTheScaledRotatedTransform) {
    ShaderSmog smog;
    EffectParameters& p = smog.block();
    p.noiseScale = 50.0f;                        // k = 2
    p.noiseScaleXYZ = {100.0f, 50.0f, -200.0f};  // S = diag(1, 2, -0.5)
    p.noiseOffset = {1.0f, 2.0f, 3.0f};
    p.noiseRotation = {90.0f, 0.0f, 0.0f};  // a turn about z
    // Smog reads the noise at the matrix times the point, less the offset: Rz(90) takes x to y,
    // S scales y by 2 and k by 2 more; z is scaled by -0.5 × 2.
    const struct {
        Vector3 point, noisePoint;
    } cases[] = {{{0.5f, 0.0f, 0.0f}, {-1.0f, 0.0f, -3.0f}},
                 {{0.0f, 0.0f, 0.5f}, {-1.0f, -2.0f, -3.5f}},
                 {{0.0f, 0.0f, 0.0f}, {-1.0f, -2.0f, -3.0f}}};
    for (const auto& c : cases) {
        sampleAt(smog.effect(), c.point);
        const QVVector3& n = smog.shader().record.point;
        EXPECT_NEAR(n.x, c.noisePoint.x, 1e-5f) << c.point.x << " " << c.point.z;
        EXPECT_NEAR(n.y, c.noisePoint.y, 1e-5f) << c.point.x << " " << c.point.z;
        EXPECT_NEAR(n.z, c.noisePoint.z, 1e-5f) << c.point.x << " " << c.point.z;
    }
}

TEST(RenderPreparation, TheShapeOfFireIgnoresTheNoiseTransform) {
    // Fire reads its shape at the noise point taken back through the inverse transform: its
    // outline stays where it is whatever the noise's scale and turn.
    SceneShader field("fire field", 0.6f);
    EffectRef fire(CLSID_Fire);
    EffectParameters& p = fire.block();
    p.noiseType = 0;
    p.densityShaderName->setText("fire field");
    const Vector3 points[] = {{0.5f, 0.2f, -0.3f}, {0.9f, -0.8f, 0.1f}, {0.0f, 0.0f, 0.95f}};
    std::vector<float> plain;
    for (const Vector3& point : points) plain.push_back(sampleAt(fire, point).density);
    ASSERT_GT(*std::max_element(plain.begin(), plain.end()), 0.0f);
    p.noiseScale = 37.0f;
    p.noiseScaleXYZ = {80.0f, 130.0f, -60.0f};
    p.noiseRotation = {30.0f, 40.0f, 50.0f};
    for (size_t i = 0; i < std::size(points); ++i)
        EXPECT_NEAR(sampleAt(fire, points[i]).density, plain[i], 1e-5f) << i;

    // A zero scale gives a zero matrix and a finite inverse: every point reads the noise and the
    // shape at one point, so that points at one height have one density.
    p.noiseScale = 0.0f;
    p.noiseOffset = {1.0f, -2.0f, 0.5f};
    const float centre = sampleAt(fire, {0.0f, 0.0f, -0.5f}).density;
    EXPECT_TRUE(std::isfinite(centre));
    EXPECT_GT(centre, 0.0f);
    EXPECT_EQ(sampleAt(fire, {0.9f, -0.9f, -0.5f}).density, centre);
}

TEST(RenderPreparation, APerAxisScaleAtTheThresholdZeroesItsAxisOnly) {
    ShaderSmog smog;
    EffectParameters& p = smog.block();
    p.noiseScale = 100.0f;
    p.noiseOffset = {0.0f, 0.0f, 0.0f};
    p.noiseScaleXYZ = {100.0f, 0.00006103515625f, 100.0f};
    sampleAt(smog.effect(), {0.25f, 0.5f, -0.75f});
    const QVVector3& n = smog.shader().record.point;
    EXPECT_EQ(n.x, 0.25f);
    EXPECT_EQ(n.y, 0.0f);
    EXPECT_EQ(n.z, -0.75f);
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

TEST(RenderPreparation, ShadersAreUsedOnlyWhereTheBlockAsksForThem) {
    // One scene shader that answers a value and a colour.
    host::Scene& scene = host().scene();
    auto* shader = new host::ConstantColourShader("Mist colour", {0.2f, 0.4f, 0.6f, 1.0f}, 0.25f);
    scene.addShader(shader);
    EffectRef smog(CLSID_Smog);
    EffectParameters& p = smog.block();
    p.shapeFlags = 0;
    useSingleColour(p.colourGradient, {0.9f, 0.9f, 0.9f, 1.0f});
    p.colourShaderName->setText("Mist colour");
    p.densityShaderName->setText("Mist colour");
    const Vector3 point{0.1f, 0.2f, 0.3f};
    auto colourAt = [&smog, &point]() {
        const float size = smog.block().size;
        const QVVector3 local{point.x * size, point.y * size, point.z * size};
        QVCountedPtr<IDensitySampler> sampler;
        EXPECT_EQ(sampler.queryFrom(smog->primaryUnknown(), IID_IDensitySampler), qv::kOk);
        QVColourRecord colour{-1.0f, -1.0f, -1.0f, -1.0f};
        EXPECT_EQ(sampler->sampleAt(&local, nullptr, nullptr, &colour), qv::kOk);
        return colour;
    };

    // Noise and gradient: the shader plays no part.
    const float noise = sampleAt(smog, point).density;
    EXPECT_NE(noise, 0.25f);
    EXPECT_EQ(colourAt().red, 0.9f);

    p.colourFromGradient = 0;
    EXPECT_TRUE(sameColour(colourAt(), {0.2f, 0.4f, 0.6f, 1.0f}));
    EXPECT_EQ(sampleAt(smog, point).density, noise);

    p.noiseType = 0;
    EXPECT_NEAR(sampleAt(smog, point).density, 0.25f, 1e-3f);

    // A shader that leaves the scene is dropped with its evaluation interface: no colour, and a
    // density from the first table entries.
    scene.removeShader("Mist colour");
    EXPECT_TRUE(sameColour(colourAt(), {0.0f, 0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(sampleAt(smog, point, false).density, 0.0f);

    // An empty name releases what was held.
    scene.addShader(shader);
    EXPECT_EQ(colourAt().green, 0.4f);
    p.colourShaderName->setText("");
    EXPECT_TRUE(sameColour(colourAt(), {0.0f, 0.0f, 0.0f, 0.0f}));
    scene.removeShader("Mist colour");
    shader->Release();
}

TEST(RenderPreparation, UnknownLightingModeBuildsNoShadowGrid) {
    // Black shadows: any grid would darken the lit copy below its unlit twin.
    EffectRef lit(CLSID_Smog);
    EffectRef unlit(CLSID_Smog);
    for (const EffectRef* e : {&lit, &unlit}) {
        useSingleColour(e->block().shadowGradient, {0.0f, 0.0f, 0.0f, 1.0f});
    }
    const QVVector3 from{-4.0f, 0.5f, 0.0f}, to{4.0f, 0.5f, 0.0f};
    auto march = [&from, &to](const EffectRef& e) {
        QVColourRecord colour{0.0f, 0.0f, 0.0f, 0.0f};
        e->volumeInterface()->integrateSegment(&from, &to, &colour, nullptr, 0, 0);
        return colour;
    };
    const QVColourRecord plain = march(unlit);
    ASSERT_GT(plain.alpha, 0.0f);
    const uint64_t bars = host().utility().progressStarts();
    for (const int32_t mode : {qv::fourcc("Opt9"), qv::fourcc("Opt0")}) {
        lit.block().lightingMode = mode;
        lit->exchangerInterface()->parametersChanged();
        EXPECT_TRUE(sameColour(march(lit), plain)) << mode;
    }
    EXPECT_EQ(host().utility().progressStarts(), bars);
}

}  // namespace
}  // namespace brumo::test
