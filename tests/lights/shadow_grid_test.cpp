// Self-shadowing through real host lights: the grid of light reaching each point of the cube
// (one fixed light or the scene's distant lights), its lookup, the colour of shadowed samples,
// cancellation of a build, the per-call check that keeps the grid in step with the scene, and
// one grid for every copy of an effect.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <limits>
#include <thread>
#include <vector>

#include "brumo/class_ids.h"
#include "host/scene/lights.h"
#include "host/scene/scene.h"
#include "primitive/colour_gradient.h"
#include "primitive/shadow_grid.h"
#include "qv/exception.h"
#include "qv/fourcc.h"
#include "tests/support/comparisons.h"
#include "tests/support/module_objects.h"
#include "tests/support/probe_effect.h"
#include "tests/support/test_host.h"

namespace brumo::test {
namespace {

using host::DistantLight;
using host::PointLight;
using qv::fourcc;

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
    void progressAdvanced(uint64_t, double done, double) override {
        if (firstDone == 0.0) firstDone = done;
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
    double firstDone = 0.0;  // how far the first advance took the bar

private:
    int left_;
};

// Runs integrateSegment over a segment in local space; answers the colour record.
template <class Primitive>
QVColourRecord march(Primitive& b, QVVector3 from, QVVector3 to, QVColourRecord colour = {0, 0, 0, 0}) {
    b.volumeInterface()->integrateSegment(&from, &to, &colour, nullptr, 0, 0);
    return colour;
}

// A zero-length march: refreshes the caches and re-examines the scene lights, gathers nothing.
template <class Primitive>
void touch(Primitive& b) { march(b, {0, 0, 0}, {0, 0, 0}); }

// The code of the exception a march raised, or 0 when it returned.
template <class Primitive>
int32_t marchFault(Primitive& b) {
    try {
        touch(b);
    } catch (const TQVException& e) {
        return e.code;
    }
    return 0;
}

// A probe whose samples show the light reaching them in the lighting mode given: a unit cube,
// no jitter, white vapour and black shadows at full strength whatever the density.
void showLight(ProbeEffect& probe, uint32_t lightingMode) {
    EffectParameters& p = probe.block();
    p.lightingMode = lightingMode;
    p.size = 1.0f;
    p.stepJitter = 0.0f;
    p.shadowStrength = 1.0f;
    p.shadowDensityInfluence = 0.0f;
    useSingleColour(p.colourGradient, {1.0f, 1.0f, 1.0f, 1.0f});
    useSingleColour(p.shadowGradient, {0.0f, 0.0f, 0.0f, 1.0f});
}

// One sample of length half a step at point, over a transparent background; step is the step
// length of the block's quality (0.1 at the default 0.2, 2 below 0.01).
QVColourRecord sampleOnce(ProbeEffect& probe, const Vector3& point, float step) {
    const QVVector3 from{point.x - 0.75f * step, point.y, point.z};
    const QVVector3 to{from.x + 0.5f * step, point.y, point.z};
    return march(probe, from, to);
}

// The light the march reads from the grid at point: the share of a white sample of density 1
// that is not shadow.
float lightAt(ProbeEffect& probe, const Vector3& point, float step = 0.1f) {
    const std::function<float(const Vector3&)> density = probe.density;
    probe.setDensity(1.0f);
    const QVColourRecord colour = sampleOnce(probe, point, step);
    probe.density = density;
    return colour.red / colour.alpha;
}

// Point (i, j, k) of a grid of r points a side.
Vector3 gridPoint(int i, int j, int k, int r) {
    const float s = 1.0f / static_cast<float>(r - 1);
    return {2.0f * i * s - 1.0f, 2.0f * j * s - 1.0f, 2.0f * k * s - 1.0f};
}

// The light read at every point of a grid of r points a side equals `value` (within tolerance);
// reports the first that does not.
::testing::AssertionResult lightEverywhere(ProbeEffect& probe, float value, float tolerance = 0.0f, int r = 10,
                                           float step = 0.1f) {
    for (int k = 0; k < r; ++k)
        for (int j = 0; j < r; ++j)
            for (int i = 0; i < r; ++i) {
                const float light = lightAt(probe, gridPoint(i, j, k, r), step);
                if (!(std::fabs(light - value) <= tolerance))
                    return ::testing::AssertionFailure() << "light at grid point (" << i << ", " << j << ", " << k
                                                         << ") = " << light << ", expected " << value;
            }
    return ::testing::AssertionSuccess();
}

uint64_t idleTicks() { return host().idle().ticks(); }

uint64_t barsStarted() { return host().utility().progressStarts(); }

TEST(FixedLight, WithoutVapourEveryGridPointIsLitFully) {
    Probe probe;
    showLight(*probe, fourcc("Opt1"));
    EffectParameters& p = probe->block();
    EXPECT_EQ(p.quality, 0.2f);
    p.lightDirection = {0.0f, 0.0f, -3.0f};
    const uint64_t bars = barsStarted();
    const uint64_t ticks = idleTicks();
    touch(*probe);

    // The default quality gives ten slices of ten points a side, each lit by 0.1 + 0.6 + 0.3
    // of white.
    EXPECT_EQ(idleTicks(), ticks + 10);
    EXPECT_EQ(host().idle().lastMilliseconds(), 15);
    EXPECT_TRUE(lightEverywhere(*probe, 1.0f, 1e-6f));
    EXPECT_EQ(barsStarted(), bars + 1);
    EXPECT_EQ(host().utility().liveProgressBars(), 0);
    EXPECT_EQ(host().resources().openContexts(), 0);
}

TEST(FixedLight, VapourDimsTheLightWithDepthAndTheLitFaceTakesNoSample) {
    Probe probe;
    showLight(*probe, fourcc("Opt1"));  // travelling along -z: the lit face is z = +1
    probe->setDensity(0.25f);
    touch(*probe);
    // Light crossing 2 normalised units takes 20 steps of optical depth 2 × 0.1 × 0.25.
    EXPECT_NEAR(lightAt(*probe, gridPoint(3, 4, 0, 10)), std::exp(-1.0f), 1e-5f);
    EXPECT_NEAR(lightAt(*probe, gridPoint(0, 0, 6, 10)), std::exp(-1.0f / 3.0f), 1e-5f);

    // Dense vapour shadows every point but those on the lit face, which are reached without a
    // single density sample. The lookup reads the top face at 0.99 of the last cell.
    probe->setDensity(1000.0f);
    probe->exchangerInterface()->parametersChanged();
    touch(*probe);
    for (int j = 0; j < 10; ++j)
        for (int i = 0; i < 10; ++i) {
            ASSERT_NEAR(lightAt(*probe, gridPoint(i, j, 9, 10)), 0.91f, 1e-5f) << i << " " << j;
            ASSERT_EQ(lightAt(*probe, gridPoint(i, j, 8, 10)), 0.0f) << i << " " << j;
        }
}

TEST(FixedLight, EachPointOfARowIsDimmedOnlyByTheVapourOnItsOwnWay) {
    Probe probe;
    showLight(*probe, fourcc("Opt1"));  // travelling along -z: the lit face is z = +1
    // Along x a row crosses no vapour, thin vapour and vapour that shadows fully, so that marches
    // that end early and marches that go on share each row.
    auto densityAt = [](float x) { return x > 0.5f ? 1000.0f : x > 0.0f ? 0.25f : 0.0f; };
    probe->density = [densityAt](const Vector3& q) { return densityAt(q.x); };
    touch(*probe);
    for (int k = 0; k < 9; ++k)
        for (int j = 0; j < 10; j += 3)
            for (int i = 0; i < 10; ++i) {
                const Vector3 point = gridPoint(i, j, k, 10);
                const float density = densityAt(point.x);
                // An optical depth of 2 × density per unit crossed on the way up to the lit face.
                const float expected = density > 1.0f ? 0.0f : std::exp(-2.0f * density * (1.0f - point.z));
                ASSERT_NEAR(lightAt(*probe, point), expected, 1e-5f) << i << " " << j << " " << k;
            }
}

TEST(FixedLight, ALightWithoutAUsableDirectionIsSkipped) {
    Probe probe;
    showLight(*probe, fourcc("Opt1"));
    EffectParameters& p = probe->block();
    const Vector3 unusable[] = {{0.0f, 0.0f, 0.0f}, {kNaN, 0.0f, -1.0f}, {0.0f, kInfinity, 0.0f},
                                {kNaN, kNaN, kNaN}};
    for (const Vector3& direction : unusable) {
        p.lightDirection = direction;
        probe->exchangerInterface()->parametersChanged();
        const uint64_t bars = barsStarted();
        touch(*probe);
        EXPECT_EQ(barsStarted(), bars + 1);  // the grid is built and read, and holds no light
        EXPECT_TRUE(lightEverywhere(*probe, 0.0f)) << direction.x << " " << direction.y << " " << direction.z;
        EXPECT_EQ(lightAt(*probe, {0.3f, -0.2f, 0.1f}), 0.0f);
    }
}

// Values v(i, j, k) = a(i) b(j) c(k) of a grid of ten points a side: trilinear interpolation
// of such a product is the product of the three linear interpolations.
float along(int axis, float e) {
    const int index = static_cast<int>(std::floor(e));
    const float f = e - static_cast<float>(index);
    auto value = [axis](int n) { return axis == 0 ? 1.0f + n * n : axis == 1 ? 2.0f + n : 1.0f / (1.0f + n); };
    return value(index) + (value(index + 1) - value(index)) * f;
}

TEST(ShadowGridLookup, ReadsTheCellBelowTheLastIndexAndNoCellOutside) {
    std::vector<float> values(1000);
    for (int k = 0; k < 10; ++k)
        for (int j = 0; j < 10; ++j)
            for (int i = 0; i < 10; ++i) values[i + 10 * (j + 10 * k)] = along(0, i) * along(1, j) * along(2, k);
    auto lookup = [&values](const Vector3& p) { return trilinearLookup(values.data(), 10, p); };

    // Exact at grid points (up to the rounding of the point's position), interpolated between.
    EXPECT_NEAR(lookup(gridPoint(0, 1, 6, 10)), values[0 + 10 * (1 + 10 * 6)], 1e-4f);
    EXPECT_NEAR(lookup({0.1f, -0.3f, 0.5f}), along(0, 4.95f) * along(1, 3.15f) * along(2, 6.75f), 1e-3f);

    // The corner (1, 1, 1) reads the cell whose lower corner is 8 = ⌊0.99 × 9⌋, at fraction
    // 0.99 × 9 - 8, never a cell starting at the last index 9.
    const float e = 9.0f * 0.99f;
    EXPECT_NEAR(lookup({1.0f, 1.0f, 1.0f}), along(0, e) * along(1, e) * along(2, e), 1e-3f);
    EXPECT_NE(lookup({1.0f, 1.0f, 1.0f}), values[999]);

    // NaN reads as the lower face, infinities as the faces they point to; far outside as well.
    const float corner = lookup({-1.0f, 1.0f, -1.0f});
    EXPECT_EQ(lookup({kNaN, kInfinity, -kInfinity}), corner);
    EXPECT_EQ(lookup({-1e30f, 1e30f, -5.0f}), corner);
    EXPECT_FALSE(std::isnan(lookup({kNaN, kNaN, kNaN})));
}

TEST(ShadowGridResolution, QualityGivesTheNumberOfSlicesWithoutOverflow) {
    // The first advance of the bar is 100 / R; each build is cancelled after its first slice.
    Probe probe;
    probe->recording = false;
    EffectParameters& p = probe->block();
    p.lightingMode = fourcc("Opt1");
    // Below quality 0.04 the grid has fewer than two points a side, and two are built.
    const struct {
        float quality;
        int slices;
    } qualities[] = {{0.01f, 2}, {0.03f, 2}, {0.2f, 10}, {1.0f, 50}, {2.0f, 64}, {1e12f, 64},
                     {kNaN, 2},  {-1.0f, 2}, {kInfinity, 64}};
    for (const auto& c : qualities) {
        p.quality = c.quality;
        probe->exchangerInterface()->parametersChanged();
        CancelAtAdvance cancel(1);
        EXPECT_EQ(marchFault(*probe), static_cast<int32_t>(0x80010080)) << c.quality;
        ASSERT_GT(cancel.firstDone, 0.0) << c.quality;
        EXPECT_EQ(std::lround(100.0 / cancel.firstDone), c.slices) << "quality " << c.quality;
    }
}

TEST(ShadowGridResolution, ResolutionsBelowTwoBuildTwoPointsPerAxis) {
    Probe probe;
    showLight(*probe, fourcc("Opt1"));
    EffectParameters& p = probe->block();
    // quality 0.01 gives R = 0, 0.03 gives 1; NaN and negative qualities give 0. The march
    // steps 2 below quality 0.01 and 2/3 at 0.03.
    const struct {
        float quality, step;
    } cases[] = {{0.01f, 2.0f}, {0.03f, 2.0f / 3.0f}, {kNaN, 2.0f}, {-1.0f, 2.0f}};
    for (const auto& c : cases) {
        p.quality = c.quality;
        probe->exchangerInterface()->parametersChanged();
        const uint64_t ticks = idleTicks();
        touch(*probe);
        EXPECT_EQ(idleTicks(), ticks + 2) << "quality " << c.quality;
        EXPECT_TRUE(lightEverywhere(*probe, 1.0f, 1e-6f, 2, c.step)) << "quality " << c.quality;
        EXPECT_NEAR(lightAt(*probe, {0.3f, -0.2f, 1.0f}, c.step), 1.0f, 1e-6f);
    }
}

TEST(ShadowedSamples, GridValuesZeroAndOneGiveTheShadowColourOrTheSampleColour) {
    SceneLights lights;
    DistantLight* light = lights.distant({0.0f, 0.0f, -1.0f}, {0.0f, 0.0f, 0.0f, 1.0f});
    Probe probe;
    showLight(*probe, fourcc("Opt2"));
    EffectParameters& p = probe->block();
    useSingleColour(p.colourGradient, {0.2f, 0.4f, 0.6f, 1.0f});
    setKeys(p.shadowGradient, {{{1.0f, 0.0f, 0.0f, 1.0f}, 1.0f}, {{0.0f, 0.0f, 1.0f, 1.0f}, 0.0f}});
    touch(*probe);  // the grid is built over empty vapour

    probe->setDensity(0.5f);
    const Vector3 point{0.1f, 0.2f, 0.3f};
    // A sample of length 0.05 (half a step) and density 0.5.
    const float x = 2.0f * 0.05f * 0.5f;
    const float w = x * std::exp(-x);

    // A black light: grid value 0, the sample takes the shadow gradient's colour at 1 only.
    QVColourRecord sum = sampleOnce(*probe, point, 0.1f);
    EXPECT_NEAR(sum.alpha, w, 1e-6f);
    EXPECT_NEAR(sum.red, w, 1e-6f);
    EXPECT_EQ(sum.green, 0.0f);
    EXPECT_EQ(sum.blue, 0.0f);

    // Density influence 1 at density 0.5 halves the shadow: lit = 0.5, the gradient at 0.5.
    p.shadowDensityInfluence = 1.0f;
    sum = sampleOnce(*probe, point, 0.1f);
    EXPECT_NEAR(sum.red, w * 0.5f * 0.5f + w * 0.5f * 0.2f, 1e-6f);
    EXPECT_NEAR(sum.blue, w * 0.5f * 0.5f + w * 0.5f * 0.6f, 1e-6f);
    // An influence that drives the factor below 0 (or NaN) switches the shadow off.
    p.shadowDensityInfluence = 5.0f;
    EXPECT_NEAR(sampleOnce(*probe, point, 0.1f).red, w * 0.2f, 1e-6f);
    p.shadowDensityInfluence = kNaN;
    EXPECT_NEAR(sampleOnce(*probe, point, 0.1f).red, w * 0.2f, 1e-6f);
    p.shadowDensityInfluence = 0.0f;

    // The light turned white: grid value 1, the sample keeps its own colour.
    light->setColour(kWhite);
    probe->setDensity(0.0f);
    touch(*probe);
    probe->setDensity(0.5f);
    sum = sampleOnce(*probe, point, 0.1f);
    EXPECT_NEAR(sum.red, w * 0.2f, 1e-6f);
    EXPECT_NEAR(sum.green, w * 0.4f, 1e-6f);
    EXPECT_NEAR(sum.blue, w * 0.6f, 1e-6f);
}

TEST(SceneLights, TwoWhiteLightsGiveTwoAndANegativeShadowWeight) {
    SceneLights lights;
    lights.distant({0.0f, 0.0f, 1.0f}, kWhite);
    lights.point({0.0f, 0.0f, 0.5f}, kWhite);  // not a distant light: skipped
    lights.distant({1.0f, 0.0f, 0.0f}, kWhite);
    Probe probe;
    showLight(*probe, fourcc("Opt2"));
    EffectParameters& p = probe->block();
    probe->setDensity(0.25f);
    touch(*probe);

    // Each light comes in through the face it travels away from (z = -1, x = -1); 16/9 units
    // further it is dimmed to e^(-8/9).
    const float far = 7.0f / 9.0f;
    const float dimmed = std::exp(-8.0f / 9.0f);
    EXPECT_NEAR(lightAt(*probe, {-1.0f, -1.0f, -1.0f}), 2.0f, 1e-6f);
    EXPECT_NEAR(lightAt(*probe, {-1.0f, -1.0f, far}), 1.0f + dimmed, 1e-5f);
    EXPECT_NEAR(lightAt(*probe, {far, -1.0f, -1.0f}), 1.0f + dimmed, 1e-5f);
    EXPECT_NEAR(lightAt(*probe, {far, -1.0f, far}), 2.0f * dimmed, 1e-5f);

    // lit = 2: the shadow colour enters with weight -w, the sample's own with 2w.
    useSingleColour(p.colourGradient, {0.2f, 0.4f, 0.6f, 1.0f});
    useSingleColour(p.shadowGradient, {1.0f, 0.0f, 0.0f, 1.0f});
    probe->setDensity(0.5f);
    const QVColourRecord sum = sampleOnce(*probe, {-1.0f, -1.0f, -1.0f}, 0.1f);
    const float x = 2.0f * 0.05f * 0.5f;
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
    showLight(*probe, fourcc("Opt2"));
    EffectParameters& p = probe->block();
    touch(*probe);
    ASSERT_TRUE(lightEverywhere(*probe, 2.0f, 1e-6f));
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
    EXPECT_TRUE(lightEverywhere(*probe, 1.4f, 1e-6f));
    touch(*probe);
    EXPECT_EQ(barsStarted(), bars);

    // A turned light.
    first->setTravelDirection({0.0f, 1.0f, 0.0f});
    touch(*probe);
    EXPECT_EQ(barsStarted(), ++bars);

    // A removed light: its shadows go with it, although the others still match their entries.
    lights.remove(2);
    second = nullptr;
    touch(*probe);
    EXPECT_EQ(barsStarted(), ++bars);
    EXPECT_TRUE(lightEverywhere(*probe, 1.0f, 1e-6f));

    // An added one.
    lights.distant({0.0f, 0.0f, 1.0f}, {1.0f, 0.0f, 1.0f, 1.0f});
    touch(*probe);
    EXPECT_EQ(barsStarted(), ++bars);
    EXPECT_TRUE(lightEverywhere(*probe, 1.4f, 1e-6f));
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
    showLight(*probe, fourcc("Opt2"));
    touch(*probe);
    EXPECT_TRUE(lightEverywhere(*probe, 1.0f, 1e-6f));  // the two without a direction light nothing
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

    // The lock was left and later marches run, unshadowed and without preparing again, until
    // the next preparation.
    const uint64_t bars = barsStarted();
    const QVColourRecord plain = march(*twin, from, to);
    const QVColourRecord after = march(*smog, from, to);
    ASSERT_GT(plain.alpha, 0.0f);
    EXPECT_EQ(after.red, plain.red);
    EXPECT_EQ(after.green, plain.green);
    EXPECT_EQ(after.blue, plain.blue);
    EXPECT_EQ(after.alpha, plain.alpha);
    EXPECT_EQ(barsStarted(), bars);

    smog->parametersChanged();
    const QVColourRecord shadowed = march(*smog, from, to);
    EXPECT_EQ(barsStarted(), bars + 1);
    EXPECT_LT(shadowed.red, plain.red);
    EXPECT_EQ(shadowed.alpha, plain.alpha);
}

TEST(Cancellation, ACancelledSceneLightRebuildIsRedoneOnTheNextCall) {
    SceneLights lights;
    DistantLight* light = lights.distant({0.0f, 0.0f, -1.0f}, kWhite);
    Probe probe;
    showLight(*probe, fourcc("Opt2"));
    probe->setDensity(0.25f);
    touch(*probe);
    const Vector3 lit = gridPoint(2, 3, 8, 10);
    const Vector3 deep = gridPoint(2, 3, 0, 10);
    const float litBefore = lightAt(*probe, lit);
    const float deepest = lightAt(*probe, deep);
    ASSERT_LT(deepest, litBefore);

    // The light turns red (grey 0.1) and the rebuild is cancelled after two slices.
    light->setColour({1.0f, 0.0f, 0.0f, 1.0f});
    {
        CancelAtAdvance cancel(2);
        EXPECT_EQ(marchFault(*probe), static_cast<int32_t>(0x80010080));
        EXPECT_EQ(cancel.ended, 1);
    }
    EXPECT_EQ(host().resources().openContexts(), 0);

    // The next call starts over although the list already matches the scene.
    uint64_t bars = barsStarted();
    touch(*probe);
    EXPECT_EQ(barsStarted(), ++bars);
    EXPECT_NEAR(lightAt(*probe, deep), 0.1f * deepest, 1e-6f);
    EXPECT_NEAR(lightAt(*probe, lit), 0.1f * litBefore, 1e-6f);
    touch(*probe);
    EXPECT_EQ(barsStarted(), bars);

    // Likewise when the last light goes away.
    lights.remove(0);
    {
        CancelAtAdvance cancel(2);
        EXPECT_EQ(marchFault(*probe), static_cast<int32_t>(0x80010080));
    }
    bars = barsStarted();
    touch(*probe);
    EXPECT_EQ(barsStarted(), ++bars);
    EXPECT_TRUE(lightEverywhere(*probe, 0.0f));
    touch(*probe);
    EXPECT_EQ(barsStarted(), bars);
    EXPECT_EQ(host().utility().liveProgressBars(), 0);
}

// A smog lit obliquely by the fixed light, so that its grid varies along every axis, with black
// shadows.
void lightObliquely(const EffectRef& smog, float densityAmount) {
    EffectParameters& p = smog.block();
    p.lightingMode = fourcc("Opt1");
    p.lightDirection = {1.0f, 2.0f, -3.0f};
    p.densityAmount = densityAmount;
    useSingleColour(p.shadowGradient, {0.0f, 0.0f, 0.0f, 1.0f});
    smog.parametersChanged();
}

// What a copy gathers along a few lines across its cube, which cross the grid's cells.
std::vector<float> picture(const EffectRef& smog) {
    std::vector<float> values;
    for (float y = -3.5f; y < 4.0f; y += 1.0f)
        for (float z = -3.5f; z < 4.0f; z += 1.75f) {
            const QVColourRecord c = march(smog, {-4.0f, y, z}, {4.0f, y, z});
            values.insert(values.end(), {c.red, c.green, c.blue, c.alpha});
        }
    return values;
}

TEST(SharedGrid, CopiesWithTheSameInputsShareOneGridAndAChangedCopyGetsItsOwn) {
    EffectRef first(CLSID_Smog), second(CLSID_Smog), unlit(CLSID_Smog);
    ASSERT_TRUE(first && second && unlit);
    lightObliquely(*first, 3.0f);
    lightObliquely(*second, 3.0f);
    lightObliquely(*unlit, 3.0f);
    unlit->block().lightingMode = fourcc("Opt0");
    const uint64_t bars = barsStarted();
    touch(*first);
    touch(*second);
    EXPECT_EQ(barsStarted(), bars + 1);  // built once
    const std::vector<float> shared = picture(*first);
    EXPECT_EQ(picture(*second), shared);
    EXPECT_NE(picture(*unlit), shared);  // shadowed somewhere

    // Other vapour, other shadows: the changed copy builds its own, the other keeps the first.
    lightObliquely(*second, 6.0f);
    touch(*second);
    EXPECT_EQ(barsStarted(), bars + 2);
    EXPECT_EQ(picture(*first), shared);

    // Changed back, it finds the first copy's grid again.
    lightObliquely(*second, 3.0f);
    touch(*second);
    EXPECT_EQ(barsStarted(), bars + 2);
    EXPECT_EQ(picture(*second), shared);
}

TEST(SharedGrid, CopiesPreparedOnTwoThreadsAtOnceGetTheGridOneCopyBuildsAlone) {
    std::vector<float> alone;
    {
        EffectRef copy(CLSID_Smog);
        lightObliquely(*copy, 3.0f);
        copy->block().quality = 0.8f;  // 40 slices: time enough for the threads to meet
        touch(*copy);
        alone = picture(*copy);
    }

    EffectRef first(CLSID_Smog), second(CLSID_Smog);
    for (const EffectRef* copy : {&first, &second}) {
        lightObliquely(*copy, 3.0f);
        copy->block().quality = 0.8f;
    }
    std::atomic<int> waiting{2};
    auto prepare = [&waiting](const EffectRef* copy) {
        waiting.fetch_sub(1);
        while (waiting.load() > 0) std::this_thread::yield();
        touch(*copy);
    };
    std::thread one(prepare, &first);
    std::thread two(prepare, &second);
    one.join();
    two.join();
    EXPECT_EQ(picture(*first), alone);
    EXPECT_EQ(picture(*second), alone);
    EXPECT_EQ(host().utility().liveProgressBars(), 0);
}

}  // namespace
}  // namespace brumo::test
