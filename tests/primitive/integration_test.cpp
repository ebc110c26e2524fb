// The ray-segment march: where samples fall and how long they are, extinction, early termination,
// the composite over the incoming colour, the ray-span entry, and segments that gather nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "primitive/colour_gradient.h"
#include "qv/fourcc.h"
#include "tests/support/comparisons.h"
#include "tests/support/probe_effect.h"
#include "tests/support/vector_target_scope.h"

namespace brumo::test {
namespace {

constexpr QVColourRecord kBehind{0.1f, 0.2f, 0.3f, 0.4f};

// A unit cube (local space = normalised space), no jitter, white vapour.
void plainSetup(ProbeEffect& probe) {
    EffectParameters& p = probe.block();
    p.size = 1.0f;
    p.stepJitter = 0.0f;
    useSingleColour(p.colourGradient, {1.0f, 1.0f, 1.0f, 1.0f});
}

TEST(SegmentMarch, ZeroLengthSegmentReturnsTheIncomingColour) {
    Probe probe;
    probe->setDensity(5.0f);
    // With jitter, one sample of length 0 is taken and contributes nothing.
    EXPECT_TRUE(sameColour(probe->march({0.5f, 0.5f, 0.5f}, {0.5f, 0.5f, 0.5f}, kBehind), kBehind));
    EXPECT_EQ(probe->samples.size(), 1u);

    probe->samples.clear();
    probe->block().stepJitter = 0.0f;
    EXPECT_TRUE(sameColour(probe->march({0.5f, 0.5f, 0.5f}, {0.5f, 0.5f, 0.5f}, kBehind), kBehind));
    EXPECT_TRUE(probe->samples.empty());
}

TEST(SegmentMarch, LowQualityStepsAreTwoUnitsWithARemainder) {
    Probe probe;
    plainSetup(*probe);
    EffectParameters& p = probe->block();
    p.quality = 0.005f;
    p.absorptionDistance = 0.0f;  // no extinction: every sample adds its optical depth
    p.densityAmount = 0.5f;       // densityScale 1
    probe->density = [](const Vector3& q) { return q.x < 0.0f ? 1.0f : 0.25f; };
    const QVColourRecord result = probe->march({-1.5f, 0.0f, 0.0f}, {1.5f, 0.0f, 0.0f}, kBehind);

    // Length 3, steps of 2: samples 1 and 2.5 from the start, of lengths 2 and 1.
    ASSERT_EQ(probe->samples.size(), 2u);
    EXPECT_EQ(probe->samples[0].x, -0.5f);
    EXPECT_EQ(probe->samples[1].x, 1.0f);
    EXPECT_FLOAT_EQ(result.alpha, 2.0f * 1.0f + 1.0f * 0.25f + kBehind.alpha);
    EXPECT_FLOAT_EQ(result.red, 2.25f + kBehind.red);
    EXPECT_FLOAT_EQ(result.blue, 2.25f + kBehind.blue);
}

TEST(SegmentMarch, QualityOneTakesAHundredStepsAcrossTheCube) {
    Probe probe;
    plainSetup(*probe);
    probe->block().quality = 1.0f;
    probe->march({-1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, kBehind);
    ASSERT_GE(probe->samples.size(), 100u);
    ASSERT_LE(probe->samples.size(), 101u);  // a last sliver of rounding may add a remainder
    EXPECT_NEAR(probe->samples[0].x, -0.99f, 1e-6f);
    EXPECT_NEAR(probe->samples[1].x - probe->samples[0].x, 0.02f, 1e-6f);
    EXPECT_NEAR(probe->samples[99].x, 0.99f, 1e-4f);

    // The step follows quality and stays within [2^-14, 2]: three steps of it take three samples
    // one step apart.
    const struct {
        float quality, step;
    } steps[] = {{0.5f, 0.04f}, {0.01f, 2.0f}, {0.009f, 2.0f}, {1e9f, 0.00006103515625f},
                 {kNaN, 2.0f},  {-3.0f, 2.0f}};
    for (const auto& s : steps) {
        probe->block().quality = s.quality;
        probe->samples.clear();
        probe->march({0.0f, 0.0f, 0.0f}, {3.0f * s.step, 0.0f, 0.0f}, kBehind);
        ASSERT_EQ(probe->samples.size(), 3u) << s.quality;
        EXPECT_FLOAT_EQ(probe->samples[0].x, 0.5f * s.step) << s.quality;
        EXPECT_FLOAT_EQ(probe->samples[1].x - probe->samples[0].x, s.step) << s.quality;
    }
}

TEST(SegmentMarch, DenseVapourStopsEarlyAndHidesWhatLiesBehind) {
    Probe probe;
    plainSetup(*probe);
    probe->block().quality = 1.0f;
    probe->setDensity(100.0f);  // x = 2 × 0.02 × 100 = 4 per step
    QVColourRecord result;
    {
        // One point at a time shows where the march stops; in runs it computes a few samples
        // ahead and drops them.
        VectorTargetScope onePoint("point");
        result = probe->march({-1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, kBehind);
        EXPECT_EQ(probe->samples.size(), 2u);  // opacity 1 - e^-8 after the second
        probe->samples.clear();
    }
    const QVColourRecord batched = probe->march({-1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, kBehind);
    EXPECT_LT(probe->samples.size(), 100u);
    EXPECT_EQ(std::memcmp(&batched, &result, sizeof result), 0);
    EXPECT_EQ(result.alpha, 1.0f);
    const float expected = 4.0f * std::exp(-4.0f) + 4.0f * std::exp(-8.0f);
    EXPECT_NEAR(result.red, expected, 1e-6f);
    EXPECT_EQ(result.red, result.green);
    EXPECT_EQ(result.green, result.blue);
}

// The jittered first sample makes the march opaque (0.995, short of 1) without being a full step:
// the march stops at the next full step, whether that one counts or not, and nothing after it
// adds, the samples past it nor the background.
TEST(SegmentMarch, OpaqueAfterTheJitteredFirstSampleStopsAtTheNextFullStep) {
    Probe probe;
    plainSetup(*probe);
    EffectParameters& p = probe->block();
    p.quality = 1.0f;  // steps of 0.02
    p.stepJitter = 0.5f;
    const Vector3 from{-1.0f, 0.0f, 0.0f}, to{1.0f, 0.0f, 0.0f};
    probe->march(from, to, kBehind);
    ASSERT_GE(probe->samples.size(), 10u);
    const float first = probe->samples[0].x;
    const float sixth = probe->samples[5].x;
    // Optical depth 2 × length × density = 5.3 at the first sample, whose length is twice its distance.
    const float dense = 5.3f / (2.0f * 2.0f * (first - from.x));
    const float expectedRed = 5.3f * std::exp(-5.3f);
    for (const bool laterDense : {false, true}) {
        probe->density = [=](const Vector3& q) {
            return q.x <= first ? dense : (laterDense && q.x >= sixth ? 100.0f : 0.0f);
        };
        QVColourRecord oneByOne;
        {
            VectorTargetScope onePoint("point");
            probe->samples.clear();
            oneByOne = probe->march(from, to, kBehind);
            EXPECT_EQ(probe->samples.size(), 2u) << laterDense;
        }
        const QVColourRecord batched = probe->march(from, to, kBehind);
        EXPECT_EQ(std::memcmp(&batched, &oneByOne, sizeof oneByOne), 0) << laterDense;
        EXPECT_EQ(batched.alpha, 1.0f) << laterDense;
        EXPECT_NEAR(batched.red, expectedRed, 1e-4f) << laterDense;
        EXPECT_EQ(batched.red, batched.blue) << laterDense;
    }
}

TEST(SegmentMarch, OpaqueRemainderReturnsAlphaOneWithoutTheBackground) {
    Probe probe;
    plainSetup(*probe);
    probe->block().quality = 0.005f;  // steps of 2: a segment of 1 is one remainder sample
    probe->setDensity(1e6f);
    const QVColourRecord result = probe->march({0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, kBehind);
    ASSERT_EQ(probe->samples.size(), 1u);
    // A segment shorter than one step is sampled (1 + fraction) × v / 2 from its start.
    EXPECT_EQ(probe->samples[0].x, 1.5f);
    EXPECT_EQ(result.alpha, 1.0f);
    EXPECT_EQ(result.red, 0.0f);  // its weight x × (1 - opacity) is 0
}

TEST(SegmentMarch, WithoutExtinctionTheBackgroundPassesUnattenuated) {
    Probe probe;
    plainSetup(*probe);
    EffectParameters& p = probe->block();
    p.absorptionDistance = 0.00006103515625f;
    p.quality = 0.5f;  // steps of 0.04
    EXPECT_TRUE(sameColour(probe->march({-1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, kBehind), kBehind));

    // Dense vapour never terminates early: every step is taken and adds x = 2 × 0.04 × 50.
    probe->samples.clear();
    probe->setDensity(50.0f);
    const QVColourRecord result = probe->march({-1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, kBehind);
    EXPECT_EQ(probe->samples.size(), 50u);
    EXPECT_NEAR(result.alpha, 200.0f + kBehind.alpha, 1e-2f);
    EXPECT_NEAR(result.green, 200.0f + kBehind.green, 1e-2f);
}

TEST(SegmentMarch, ColourComesFromTheGradientAtTheClampedIndex) {
    Probe probe;
    EffectParameters& p = probe->block();
    ColourGradient& gradient = p.colourGradient;
    setKeys(gradient, {{{0.0f, 0.0f, 0.0f, 1.0f}, 0.0f}, {{1.0f, 0.5f, 0.0f, 1.0f}, 1.0f}});
    // The colour the density sampler answers for a sample of that density.
    auto colourOf = [&probe](float density) {
        probe->setDensity(density);
        const QVVector3 point{0.0f, 0.0f, 0.0f};
        QVColourRecord colour{-1.0f, -1.0f, -1.0f, -1.0f};
        EXPECT_EQ(probe->densitySamplerInterface()->sampleAt(&point, nullptr, nullptr, &colour), qv::kOk);
        return colour;
    };
    EXPECT_FLOAT_EQ(colourOf(0.3f).red, 0.3f);
    EXPECT_EQ(colourOf(7.0f).red, 1.0f);
    EXPECT_EQ(colourOf(-1.0f).green, 0.0f);
    EXPECT_EQ(colourOf(kNaN).red, 0.0f);

    // Neither the gradient nor a shader: no colour.
    p.colourFromGradient = 0;
    EXPECT_TRUE(sameColour(colourOf(0.9f), {0.0f, 0.0f, 0.0f, 0.0f}));
}

TEST(SegmentMarch, RaySpanMarchesBetweenItsDistances) {
    Probe probe;
    plainSetup(*probe);
    probe->block().quality = 0.5f;
    probe->setDensity(0.3f);
    const QVColourRecord direct = probe->march({-1.0f, 0.25f, 0.0f}, {1.0f, 0.25f, 0.0f}, kBehind);
    const std::vector<Vector3> directSamples = probe->samples;
    probe->samples.clear();

    const QVRay ray{{-3.0f, 0.25f, 0.0f}, {1.0f, 0.0f, 0.0f}};
    QVColourRecord colour = kBehind;
    EXPECT_EQ(probe->newVolumeInterface()->integrateRaySpan(0, &ray, 2.0, 4.0, &colour, nullptr, 0, 0, 0,
                                                             0, 0, 9),
              qv::kOk);
    EXPECT_TRUE(sameColour(colour, direct));
    ASSERT_EQ(probe->samples.size(), directSamples.size());
    EXPECT_EQ(probe->samples.front(), directSamples.front());

    float output[6] = {7, 7, 7, 7, 7, 7};
    colour = kBehind;
    probe->newVolumeInterface()->integrateRaySpan(0, &ray, 2.0, 4.0, &colour, output, 0, 0, 0, 0, 0, 9);
    EXPECT_EQ(output[0], 0.0f);
    EXPECT_EQ(output[1], 0.0f);
    EXPECT_EQ(output[2], 0.0f);
    EXPECT_EQ(output[3], colour.red);
    EXPECT_EQ(output[4], colour.green);
    EXPECT_EQ(output[5], colour.blue);
}

TEST(SegmentMarch, LocalPointsAreScaledIntoTheUnitCube) {
    Probe probe;
    plainSetup(*probe);
    EffectParameters& p = probe->block();
    p.size = 4.0f;
    p.quality = 0.005f;
    probe->march({-4.0f, 2.0f, 0.0f}, {4.0f, 2.0f, 0.0f}, kBehind);
    ASSERT_EQ(probe->samples.size(), 1u);  // normalised length 2: one full step
    EXPECT_EQ(probe->samples[0], (Vector3{0.0f, 0.5f, 0.0f}));
}

TEST(SegmentMarch, EmptyPrimitivesAndUnboundedSegmentsGatherNothing) {
    Probe probe;
    probe->setDensity(1.0f);
    for (float size : {0.0f, kInfinity, -kInfinity, kNaN}) {
        probe->block().size = size;
        EXPECT_TRUE(sameColour(probe->march({-1, 0, 0}, {1, 0, 0}, kBehind), kBehind)) << size;
        EXPECT_TRUE(probe->samples.empty()) << size;
    }
    probe->block().size = 1.0f;
    const Vector3 bad[] = {{kNaN, 0, 0}, {0, kInfinity, 0}, {0, 0, -kInfinity}};
    for (const Vector3& end : bad) {
        EXPECT_TRUE(sameColour(probe->march({0, 0, 0}, end, kBehind), kBehind));
        EXPECT_TRUE(sameColour(probe->march(end, {0, 0, 0}, kBehind), kBehind));
    }
    // Finite ends whose distance overflows.
    EXPECT_TRUE(sameColour(probe->march({-3e38f, 0, 0}, {3e38f, 0, 0}, kBehind), kBehind));
    EXPECT_TRUE(probe->samples.empty());
    // A null colour record is left alone.
    const QVVector3 a{0, 0, 0}, b{1, 0, 0};
    EXPECT_EQ(probe->volumeInterface()->integrateSegment(&a, &b, nullptr, nullptr, 0, 0), qv::kOk);
}

TEST(SegmentMarch, EveryCallHasABoundedNumberOfSamples) {
    Probe probe;
    EffectParameters& p = probe->block();
    p.size = 1.0f;
    p.quality = 1e9f;  // the finest step, 2^-14
    probe->recording = false;
    probe->setDensity(0.0f);
    for (float jitter : {0.0f, 1.0f}) {
        p.stepJitter = jitter;
        probe->sampleCount = 0;
        const QVColourRecord result = probe->march({-1e6f, 0, 0}, {1e6f, 0, 0}, kBehind);
        EXPECT_LE(probe->sampleCount, kMaxSegmentSamples) << jitter;
        EXPECT_GE(probe->sampleCount, kMaxSegmentSamples - 2) << jitter;
        EXPECT_TRUE(sameColour(result, kBehind));
    }
    // Segments that fit keep their step: the cube's diagonal at 2^-14 takes its full count.
    probe->sampleCount = 0;
    p.stepJitter = 0.0f;
    probe->march({-1, -1, -1}, {1, 1, 1}, kBehind);
    EXPECT_NEAR(static_cast<double>(probe->sampleCount), 2.0 * std::sqrt(3.0) * 16384.0, 2.0);
}

}  // namespace
}  // namespace brumo::test
