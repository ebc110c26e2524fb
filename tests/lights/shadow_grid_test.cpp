// Self-shadowing through real host lights: the grid of light reaching each point of the cube
// (one fixed light or the scene's distant lights), its lookup, the colour of shadowed samples,
// cancellation of a build, the per-call check that keeps the grid in step with the scene, and
// one grid for every copy of an effect.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <thread>
#include <vector>

#include "brumo/class_ids.h"
#include "host/scene/lights.h"
#include "host/scene/scene.h"
#include "primitive/colour_gradient.h"
#include "qv/exception.h"
#include "qv/fourcc.h"
#include "tests/support/module_objects.h"
#include "tests/support/probe_effect.h"
#include "tests/support/test_host.h"

namespace brumo::test {
namespace {

using host::DistantLight;
using host::PointLight;
using qv::fourcc;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr QVColourRecord kWhite{1.0f, 1.0f, 1.0f, 1.0f};

// Distant lights added to the host's scene for one test, taken out again when it ends.
class SceneLights {
public:
    SceneLights() { clear(); }
    ~SceneLights() { clear(); }
    DistantLight* distant(QVVector3 travel, QVColourRecord colour) {
        return static_cast<DistantLight*>(add(DistantLight::create(travel, colour)));
    }
    PointLight* point(QVVector3 position, QVColourRecord colour) {
        return static_cast<PointLight*>(add(PointLight::create(position, colour)));
    }
    void remove(int32_t index) { host().scene().removeLight(index); }

private:
    // The scene keeps the light alive; the test's pointer stays valid while it is there.
    static IQVLight* add(IQVLight* light) {
        host().scene().addLight(light);
        light->Release();
        return light;
    }
    static void clear() {
        while (host().scene().lightCount() > 0) host().scene().removeLight(0);
    }
};

// Requests cancellation at the n-th advance of a progress bar, as Ctrl-C would, and counts the
// bars it sees. Leaves the utility service as it found it.
class CancelAtAdvance final : public host::ProgressListener {
public:
    explicit CancelAtAdvance(int advance) : left_(advance) { host().utility().setProgressListener(this); }
    ~CancelAtAdvance() override {
        host().utility().setProgressListener(nullptr);
        host().utility().clearCancel();
    }
    void progressStarted(uint64_t, const std::string& caption, double total) override {
        ++started;
        lastCaption = caption;
        lastTotal = total;
    }
    void progressAdvanced(uint64_t, double, double) override {
        if (--left_ == 0) host().utility().requestCancel();
    }
    void progressEnded(uint64_t) override { ++ended; }
    void disarm() {
        left_ = -1;
        host().utility().clearCancel();
    }

    int started = 0;
    int ended = 0;
    std::string lastCaption;
    double lastTotal = 0.0;

private:
    int left_;
};

float grid(const BrumoBase& b, int i, int j, int k) { return b.shadowGrid.at(i, j, k); }

// Every grid value equals `value` (within tolerance); reports the first that does not.
::testing::AssertionResult gridHolds(const BrumoBase& b, float value, float tolerance = 0.0f) {
    const int32_t r = b.shadowGrid.resolution();
    for (int k = 0; k < r; ++k)
        for (int j = 0; j < r; ++j)
            for (int i = 0; i < r; ++i)
                if (!(std::fabs(grid(b, i, j, k) - value) <= tolerance))
                    return ::testing::AssertionFailure()
                           << "grid[" << k << "][" << j << "][" << i << "] = " << grid(b, i, j, k)
                           << ", expected " << value;
    return ::testing::AssertionSuccess();
}

// Runs integrateSegment over a segment in local space; answers the colour record.
QVColourRecord march(BrumoBase& b, QVVector3 from, QVVector3 to, QVColourRecord colour = {0, 0, 0, 0}) {
    b.volumeInterface()->integrateSegment(&from, &to, &colour, nullptr, 0, 0);
    return colour;
}

// A zero-length march: refreshes the caches and re-examines the scene lights, gathers nothing.
void touch(BrumoBase& b) { march(b, {0, 0, 0}, {0, 0, 0}); }

// The code of the exception a march raised, or 0 when it returned.
int32_t marchFault(BrumoBase& b) {
    try {
        touch(b);
    } catch (const TQVException& e) {
        return e.code;
    }
    return 0;
}

void useSingleColour(ColourGradient& gradient, const ColourRGBA& colour) {
    gradient.setCount(0);
    addKey(gradient, colour, 0.0f);
}

uint64_t barsStarted() { return host().utility().progressStarts(); }

TEST(FixedLight, SmogWithoutVapourIsLitFullyAtEveryGridPoint) {
    EffectRef smog(CLSID_Smog);
    ASSERT_TRUE(smog);
    EffectParameters& p = smog->block();
    EXPECT_EQ(p.quality, 0.2f);
    p.lightingMode = fourcc("Opt1");
    p.lightDirection = {0.0f, 0.0f, -3.0f};
    p.densityAmount = 0.0f;  // no vapour: nothing dims the light
    const uint64_t bars = barsStarted();
    touch(*smog);

    EXPECT_EQ(smog->shadowGridActive, 1);
    ASSERT_EQ(smog->lights.count(), 1);
    const LightSample& light = smog->lights[0];
    EXPECT_EQ(light.enabled, 1);
    EXPECT_EQ(light.direction, (Vector3{0.0f, 0.0f, -1.0f}));
    EXPECT_EQ(light.colour, (ColourRGBA{1.0f, 1.0f, 1.0f, 0.0f}));
    // The default quality gives ten points per axis, each lit by 0.1 + 0.6 + 0.3 of white.
    EXPECT_EQ(smog->shadowGridResolution, 10.0f);
    ASSERT_EQ(smog->shadowGrid.resolution(), 10);
    EXPECT_TRUE(gridHolds(*smog, 1.0f));
    EXPECT_EQ(barsStarted(), bars + 1);
    EXPECT_EQ(host().utility().liveProgressBars(), 0);
    EXPECT_EQ(host().resources().openContexts(), 0);
}

TEST(FixedLight, VapourDimsTheLightWithDepthAndTheLitFaceTakesNoSample) {
    Probe probe;
    EffectParameters& p = probe->block();
    p.lightingMode = fourcc("Opt1");  // travelling along -z: the lit face is z = +1
    probe->setDensity(0.25f);
    probe->prepareRender();
    // Light crossing 2 normalised units takes 20 steps of optical depth 2 × 0.1 × 0.25.
    EXPECT_FLOAT_EQ(grid(*probe, 3, 4, 9), 1.0f);
    EXPECT_NEAR(grid(*probe, 3, 4, 0), std::exp(-1.0f), 1e-5f);
    EXPECT_NEAR(grid(*probe, 0, 0, 6), std::exp(-1.0f / 3.0f), 1e-5f);

    // Dense vapour shadows every point but those on the lit face, which are reached without a
    // single density sample.
    probe->setDensity(1000.0f);
    probe->prepareRender();
    for (int j = 0; j < 10; ++j)
        for (int i = 0; i < 10; ++i) {
            ASSERT_EQ(grid(*probe, i, j, 9), 1.0f);
            ASSERT_EQ(grid(*probe, i, j, 8), 0.0f);
        }
    const long before = probe->sampleCount;
    EXPECT_EQ(probe->lightTransmittance({0.3f, -0.7f, 1.0f}, probe->lights[0]), 1.0f);
    EXPECT_EQ(probe->sampleCount, before);
    EXPECT_EQ(probe->lightTransmittance({0.3f, -0.7f, 0.9f}, probe->lights[0]), 0.0f);
    EXPECT_GT(probe->sampleCount, before);
}

TEST(FixedLight, ALightWithoutAUsableDirectionIsSkipped) {
    Probe probe;
    EffectParameters& p = probe->block();
    p.lightingMode = fourcc("Opt1");
    const Vector3 unusable[] = {{0.0f, 0.0f, 0.0f}, {kNaN, 0.0f, -1.0f}, {0.0f, kInfinity, 0.0f},
                                {kNaN, kNaN, kNaN}};
    for (const Vector3& direction : unusable) {
        p.lightDirection = direction;
        probe->prepareRender();
        EXPECT_EQ(probe->shadowGridActive, 1);
        EXPECT_TRUE(gridHolds(*probe, 0.0f)) << direction.x << " " << direction.y << " " << direction.z;
        EXPECT_EQ(probe->shadowGridLookup({0.3f, -0.2f, 0.1f}), 0.0f);
    }
}

TEST(ShadowGridLookup, ReadsTheCellBelowTheLastIndexAndNoCellOutside) {
    Probe probe;
    EffectParameters& p = probe->block();
    p.lightingMode = fourcc("Opt1");
    p.lightDirection = {1.0f, 2.0f, -3.0f};  // oblique: the grid varies along every axis
    probe->setDensity(0.25f);
    probe->prepareRender();
    ASSERT_EQ(probe->shadowGrid.resolution(), 10);
    const BrumoBase& b = *probe;

    // Exact at grid points (up to the rounding of the point's position).
    const float s = 1.0f / 9.0f;
    EXPECT_NEAR(probe->shadowGridLookup({-1.0f, 2.0f * s - 1.0f, 12.0f * s - 1.0f}), grid(b, 0, 1, 6), 1e-6f);

    // The corner (1, 1, 1) reads the cell whose lower corner is 8 = ⌊0.99 × 9⌋, at fraction
    // 0.99 × 9 - 8, never a cell starting at the last index 9.
    const float e = 9.0f * 0.99f;
    const float f = e - std::floor(e);
    auto along = [&b, f](int j, int k) { return grid(b, 8, j, k) + (grid(b, 9, j, k) - grid(b, 8, j, k)) * f; };
    const float z0 = along(8, 8) + (along(9, 8) - along(8, 8)) * f;
    const float z1 = along(8, 9) + (along(9, 9) - along(8, 9)) * f;
    EXPECT_NEAR(probe->shadowGridLookup({1.0f, 1.0f, 1.0f}), z0 + (z1 - z0) * f, 1e-6f);
    EXPECT_NE(probe->shadowGridLookup({1.0f, 1.0f, 1.0f}), grid(b, 9, 9, 9));

    // NaN reads as the lower face, infinities as the faces they point to; far outside as well.
    const float corner = probe->shadowGridLookup({-1.0f, 1.0f, -1.0f});
    EXPECT_EQ(probe->shadowGridLookup({kNaN, kInfinity, -kInfinity}), corner);
    EXPECT_EQ(probe->shadowGridLookup({-1e30f, 1e30f, -5.0f}), corner);
    EXPECT_FALSE(std::isnan(probe->shadowGridLookup({kNaN, kNaN, kNaN})));
}

TEST(ShadowGridLookup, ResolutionsBelowTwoBuildTwoPointsPerAxis) {
    Probe probe;
    EffectParameters& p = probe->block();
    p.lightingMode = fourcc("Opt1");
    // quality 0.01 gives R = 0, 0.03 gives 1; NaN and negative qualities give 0.
    for (const float quality : {0.01f, 0.03f, kNaN, -1.0f}) {
        p.quality = quality;
        probe->prepareRender();
        EXPECT_LT(probe->shadowGridResolution, 2.0f);
        ASSERT_EQ(probe->shadowGrid.resolution(), 2) << "quality " << quality;
        EXPECT_TRUE(gridHolds(*probe, 1.0f));
        EXPECT_EQ(probe->shadowGridLookup({0.3f, -0.2f, 1.0f}), 1.0f);
    }
}

TEST(ShadowedSamples, GridValuesZeroAndOneGiveTheShadowColourOrTheSampleColour) {
    SceneLights lights;
    DistantLight* light = lights.distant({0.0f, 0.0f, -1.0f}, {0.0f, 0.0f, 0.0f, 1.0f});
    Probe probe;
    EffectParameters& p = probe->block();
    p.lightingMode = fourcc("Opt2");
    p.size = 1.0f;
    useSingleColour(p.colourGradient, {0.2f, 0.4f, 0.6f, 1.0f});
    p.shadowGradient.setCount(0);
    addKey(p.shadowGradient, {1.0f, 0.0f, 0.0f, 1.0f}, 1.0f);
    addKey(p.shadowGradient, {0.0f, 0.0f, 1.0f, 1.0f}, 0.0f);
    touch(*probe);  // the grid is built over empty vapour

    probe->setDensity(0.5f);
    auto accumulate = [&probe]() {
        float opacity = 0.0f, depth = 0.0f;
        ColourRGBA sum{0.0f, 0.0f, 0.0f, 0.0f};
        probe->accumulateSample({0.1f, 0.2f, 0.3f}, 0.5f, opacity, depth, sum);
        return sum;
    };
    const float x = 2.0f * 0.5f * 0.5f;
    const float w = x * std::exp(-x);

    // A black light: grid value 0, the sample takes the shadow gradient's colour at 1 only.
    ASSERT_EQ(probe->shadowGridActive, 1);
    ASSERT_TRUE(gridHolds(*probe, 0.0f));
    ColourRGBA sum = accumulate();
    EXPECT_NEAR(sum.alpha, w, 1e-6f);
    EXPECT_NEAR(sum.red, w, 1e-6f);
    EXPECT_EQ(sum.green, 0.0f);
    EXPECT_EQ(sum.blue, 0.0f);

    // Density influence 1 at density 0.5 halves the shadow: lit = 0.5, the gradient at 0.5.
    p.shadowDensityInfluence = 1.0f;
    sum = accumulate();
    EXPECT_NEAR(sum.red, w * 0.5f * 0.5f + w * 0.5f * 0.2f, 1e-6f);
    EXPECT_NEAR(sum.blue, w * 0.5f * 0.5f + w * 0.5f * 0.6f, 1e-6f);
    // An influence that drives the factor below 0 (or NaN) switches the shadow off.
    p.shadowDensityInfluence = 5.0f;
    EXPECT_NEAR(accumulate().red, w * 0.2f, 1e-6f);
    p.shadowDensityInfluence = kNaN;
    EXPECT_NEAR(accumulate().red, w * 0.2f, 1e-6f);
    p.shadowDensityInfluence = 0.0f;

    // The light turned white: grid value 1, the sample keeps its own colour.
    light->setColour(kWhite);
    probe->setDensity(0.0f);
    touch(*probe);
    ASSERT_TRUE(gridHolds(*probe, 1.0f));
    probe->setDensity(0.5f);
    sum = accumulate();
    EXPECT_NEAR(sum.red, w * 0.2f, 1e-6f);
    EXPECT_NEAR(sum.green, w * 0.4f, 1e-6f);
    EXPECT_NEAR(sum.blue, w * 0.6f, 1e-6f);
}

TEST(SceneLights, TwoWhiteLightsGiveTwoAndANegativeShadowWeight) {
    SceneLights lights;
    lights.distant({0.0f, 0.0f, -1.0f}, kWhite);
    lights.point({0.0f, 0.0f, 0.5f}, kWhite);  // not a distant light: skipped
    lights.distant({1.0f, 0.0f, 0.0f}, kWhite);
    Probe probe;
    EffectParameters& p = probe->block();
    p.lightingMode = fourcc("Opt2");
    p.size = 1.0f;
    touch(*probe);

    ASSERT_EQ(probe->lights.count(), 2);
    EXPECT_EQ(probe->lights[0].direction, (Vector3{0.0f, 0.0f, -1.0f}));
    EXPECT_EQ(probe->lights[1].direction, (Vector3{1.0f, 0.0f, 0.0f}));
    EXPECT_EQ(probe->shadowGridActive, 1);
    EXPECT_TRUE(gridHolds(*probe, 2.0f));

    // lit = 2: the shadow colour enters with weight -w, the sample's own with 2w.
    useSingleColour(p.colourGradient, {0.2f, 0.4f, 0.6f, 1.0f});
    useSingleColour(p.shadowGradient, {1.0f, 0.0f, 0.0f, 1.0f});
    probe->setDensity(0.5f);
    float opacity = 0.0f, depth = 0.0f;
    ColourRGBA sum{0.0f, 0.0f, 0.0f, 0.0f};
    probe->accumulateSample({0.0f, 0.0f, 0.0f}, 0.5f, opacity, depth, sum);
    const float x = 2.0f * 0.5f * 0.5f;
    const float w = x * std::exp(-x);
    EXPECT_NEAR(sum.red, -w + 2.0f * w * 0.2f, 1e-6f);
    EXPECT_NEAR(sum.green, 2.0f * w * 0.4f, 1e-6f);
    EXPECT_NEAR(sum.blue, 2.0f * w * 0.6f, 1e-6f);
}

TEST(SceneLights, TheGridIsRebuiltWhenTheSceneLightsChangeAndOnlyThen) {
    SceneLights lights;
    DistantLight* first = lights.distant({0.0f, 0.0f, -1.0f}, kWhite);
    PointLight* lamp = lights.point({0.0f, 0.0f, 2.0f}, kWhite);
    DistantLight* second = lights.distant({1.0f, 0.0f, 0.0f}, kWhite);
    Probe probe;
    EffectParameters& p = probe->block();
    p.lightingMode = fourcc("Opt2");
    p.size = 1.0f;
    touch(*probe);
    ASSERT_TRUE(gridHolds(*probe, 2.0f));
    uint64_t bars = barsStarted();

    // Nothing changed, or only a light the grid does not use.
    touch(*probe);
    lamp->setPosition({3.0f, 0.0f, 0.0f});
    lamp->setColour({1.0f, 0.0f, 0.0f, 1.0f});
    touch(*probe);
    EXPECT_EQ(barsStarted(), bars);

    // One channel is enough: green gone leaves 0.1 + 0.3 of the second light.
    second->setColour({1.0f, 0.0f, 1.0f, 1.0f});
    touch(*probe);
    EXPECT_EQ(barsStarted(), ++bars);
    EXPECT_EQ(probe->lights[1].colour.green, 0.0f);
    EXPECT_TRUE(gridHolds(*probe, 1.4f, 1e-6f));
    touch(*probe);
    EXPECT_EQ(barsStarted(), bars);

    // A turned light.
    first->setTravelDirection({0.0f, 1.0f, 0.0f});
    touch(*probe);
    EXPECT_EQ(barsStarted(), ++bars);
    EXPECT_EQ(probe->lights[0].direction, (Vector3{0.0f, 1.0f, 0.0f}));

    // A removed light: its shadows go with it, although the others still match their entries.
    lights.remove(2);
    second = nullptr;
    touch(*probe);
    EXPECT_EQ(barsStarted(), ++bars);
    ASSERT_EQ(probe->lights.count(), 1);
    EXPECT_TRUE(gridHolds(*probe, 1.0f));

    // An added one.
    lights.distant({0.0f, 0.0f, 1.0f}, {1.0f, 0.0f, 1.0f, 1.0f});
    touch(*probe);
    EXPECT_EQ(barsStarted(), ++bars);
    EXPECT_EQ(probe->lights.count(), 2);
    EXPECT_TRUE(gridHolds(*probe, 1.4f, 1e-6f));
    touch(*probe);
    EXPECT_EQ(barsStarted(), bars);

    // With one fixed light the scene is not watched.
    p.lightingMode = fourcc("Opt1");
    probe->parametersChanged();
    touch(*probe);
    EXPECT_EQ(barsStarted(), ++bars);
    first->setColour({0.0f, 0.0f, 1.0f, 1.0f});
    touch(*probe);
    EXPECT_EQ(barsStarted(), bars);
    EXPECT_EQ(host().utility().liveProgressBars(), 0);
}

TEST(SceneLights, LightsWithUnusableValuesAreSkippedWithoutRebuildingOnEveryCall) {
    SceneLights lights;
    lights.distant({0.0f, 0.0f, -1.0f}, kWhite);
    lights.distant({0.0f, 0.0f, 0.0f}, kWhite);
    lights.distant({kNaN, 0.0f, -1.0f}, kWhite);
    Probe probe;
    EffectParameters& p = probe->block();
    p.lightingMode = fourcc("Opt2");
    p.size = 1.0f;
    touch(*probe);
    EXPECT_EQ(probe->lights.count(), 3);
    EXPECT_TRUE(gridHolds(*probe, 1.0f));  // the two without a direction light nothing
    const uint64_t bars = barsStarted();
    touch(*probe);
    EXPECT_EQ(barsStarted(), bars);

    // A colour that is not a number does not look new on every call either.
    lights.distant({1.0f, 0.0f, 0.0f}, {kNaN, 1.0f, 1.0f, 1.0f});
    touch(*probe);
    EXPECT_EQ(barsStarted(), bars + 1);
    touch(*probe);
    EXPECT_EQ(barsStarted(), bars + 1);
}

TEST(Cancellation, ACancelledPreparationLeavesThePrimitiveUnshadowed) {
    EffectRef smog(CLSID_Smog);
    EffectRef twin(CLSID_Smog);  // never lit: what unshadowed looks like
    ASSERT_TRUE(smog && twin);
    smog->block().lightingMode = fourcc("Opt1");
    useSingleColour(smog->block().shadowGradient, {0.0f, 0.0f, 0.0f, 1.0f});
    const QVVector3 from{-4.0f, 0.5f, 0.0f}, to{4.0f, 0.5f, 0.0f};
    {
        CancelAtAdvance cancel(3);
        EXPECT_EQ(marchFault(*smog), static_cast<int32_t>(0x80010080));
        EXPECT_EQ(cancel.started, 1);
        EXPECT_EQ(cancel.ended, 1);  // the bar was closed before the exception left
        EXPECT_EQ(cancel.lastTotal, 100.0);
        EXPECT_EQ(cancel.lastCaption, "Computing shadows");
    }
    EXPECT_EQ(host().utility().liveProgressBars(), 0);
    EXPECT_EQ(host().resources().openContexts(), 0);
    EXPECT_EQ(smog->shadowGridActive, 0);
    EXPECT_EQ(smog->preparePending, 0);

    // The lock was left and later marches run, unshadowed, until the next preparation.
    const QVColourRecord plain = march(*twin, from, to);
    const QVColourRecord after = march(*smog, from, to);
    ASSERT_GT(plain.alpha, 0.0f);
    EXPECT_EQ(after.red, plain.red);
    EXPECT_EQ(after.green, plain.green);
    EXPECT_EQ(after.blue, plain.blue);
    EXPECT_EQ(after.alpha, plain.alpha);
    EXPECT_EQ(smog->shadowGridActive, 0);

    smog->parametersChanged();
    const QVColourRecord shadowed = march(*smog, from, to);
    EXPECT_EQ(smog->shadowGridActive, 1);
    EXPECT_LT(shadowed.red, plain.red);
    EXPECT_EQ(shadowed.alpha, plain.alpha);
}

TEST(Cancellation, ACancelledSceneLightRebuildIsRedoneOnTheNextCall) {
    SceneLights lights;
    DistantLight* light = lights.distant({0.0f, 0.0f, -1.0f}, kWhite);
    Probe probe;
    EffectParameters& p = probe->block();
    p.lightingMode = fourcc("Opt2");
    p.size = 1.0f;
    probe->setDensity(0.25f);
    touch(*probe);
    ASSERT_FLOAT_EQ(grid(*probe, 2, 3, 9), 1.0f);
    const float deepest = grid(*probe, 2, 3, 0);

    // The light turns red (grey 0.1) and the rebuild is cancelled after two slices.
    light->setColour({1.0f, 0.0f, 0.0f, 1.0f});
    {
        CancelAtAdvance cancel(2);
        EXPECT_EQ(marchFault(*probe), static_cast<int32_t>(0x80010080));
        EXPECT_EQ(cancel.ended, 1);
    }
    EXPECT_EQ(host().resources().openContexts(), 0);
    // The half-built grid is dropped.
    EXPECT_EQ(probe->shadowGrid.resolution(), 0);

    // The next call starts over although the list already matches the scene.
    uint64_t bars = barsStarted();
    touch(*probe);
    EXPECT_EQ(barsStarted(), ++bars);
    EXPECT_NEAR(grid(*probe, 2, 3, 0), 0.1f * deepest, 1e-6f);
    EXPECT_FLOAT_EQ(grid(*probe, 2, 3, 9), 0.1f);
    touch(*probe);
    EXPECT_EQ(barsStarted(), bars);

    // Likewise when the last light goes away.
    lights.remove(0);
    {
        CancelAtAdvance cancel(2);
        EXPECT_EQ(marchFault(*probe), static_cast<int32_t>(0x80010080));
    }
    bars = barsStarted();
    EXPECT_EQ(probe->shadowGrid.resolution(), 0);
    touch(*probe);
    EXPECT_EQ(barsStarted(), ++bars);
    EXPECT_EQ(probe->lights.count(), 0);
    EXPECT_TRUE(gridHolds(*probe, 0.0f));
    touch(*probe);
    EXPECT_EQ(barsStarted(), bars);
    EXPECT_EQ(host().utility().liveProgressBars(), 0);
}

// A smog lit obliquely by the fixed light, so that its grid varies along every axis.
void lightObliquely(BrumoBase& smog, float densityAmount) {
    EffectParameters& p = smog.block();
    p.lightingMode = fourcc("Opt1");
    p.lightDirection = {1.0f, 2.0f, -3.0f};
    p.densityAmount = densityAmount;
    smog.parametersChanged();
}

std::vector<float> gridValues(const BrumoBase& b) {
    std::vector<float> values;
    const int32_t r = b.shadowGrid.resolution();
    for (int k = 0; k < r; ++k)
        for (int j = 0; j < r; ++j)
            for (int i = 0; i < r; ++i) values.push_back(grid(b, i, j, k));
    return values;
}

TEST(SharedGrid, CopiesWithTheSameInputsShareOneGridAndAChangedCopyGetsItsOwn) {
    EffectRef first(CLSID_Smog), second(CLSID_Smog);
    ASSERT_TRUE(first && second);
    lightObliquely(*first, 3.0f);
    lightObliquely(*second, 3.0f);
    const uint64_t bars = barsStarted();
    touch(*first);
    touch(*second);
    EXPECT_EQ(barsStarted(), bars + 1);  // built once
    const std::vector<float> shared = gridValues(*first);
    ASSERT_EQ(shared.size(), 1000u);
    EXPECT_EQ(gridValues(*second), shared);
    EXPECT_LT(*std::min_element(shared.begin(), shared.end()), 0.5f);  // shadowed somewhere

    // Other vapour, other shadows: the changed copy builds its own, the other keeps the first.
    lightObliquely(*second, 6.0f);
    touch(*second);
    EXPECT_EQ(barsStarted(), bars + 2);
    EXPECT_NE(gridValues(*second), shared);
    EXPECT_EQ(gridValues(*first), shared);

    // Changed back, it finds the first copy's grid again.
    lightObliquely(*second, 3.0f);
    touch(*second);
    EXPECT_EQ(barsStarted(), bars + 2);
    EXPECT_EQ(gridValues(*second), shared);
}

TEST(SharedGrid, CopiesPreparedOnTwoThreadsAtOnceGetTheGridOneCopyBuildsAlone) {
    std::vector<float> alone;
    {
        EffectRef copy(CLSID_Smog);
        lightObliquely(*copy, 3.0f);
        copy->block().quality = 0.8f;  // 40 slices: time enough for the threads to meet
        touch(*copy);
        alone = gridValues(*copy);
    }
    ASSERT_EQ(alone.size(), 64000u);

    EffectRef first(CLSID_Smog), second(CLSID_Smog);
    for (BrumoBase* copy : {first.get(), second.get()}) {
        lightObliquely(*copy, 3.0f);
        copy->block().quality = 0.8f;
    }
    std::atomic<int> waiting{2};
    auto prepare = [&waiting](BrumoBase* copy) {
        waiting.fetch_sub(1);
        while (waiting.load() > 0) std::this_thread::yield();
        touch(*copy);
    };
    std::thread one(prepare, first.get());
    std::thread two(prepare, second.get());
    one.join();
    two.join();
    EXPECT_EQ(gridValues(*first), alone);
    EXPECT_EQ(gridValues(*second), alone);
    EXPECT_EQ(host().utility().liveProgressBars(), 0);
}

}  // namespace
}  // namespace brumo::test
