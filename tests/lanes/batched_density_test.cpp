// Densities in runs are the one-point densities, bit for bit: every effect, with every modifier,
// over random parameters, seeds, points and segments, under each instruction set this machine
// runs and in one lane (BRUMO_SIMD=scalar, the path of the 32-bit builds), compared with
// BRUMO_SIMD=point.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "brumo/class_ids.h"
#include "host/editor/component_list.h"
#include "math/vector_lanes.h"
#include "qv/fourcc.h"
#include "tests/modifiers/modifier_doubles.h"
#include "tests/support/module_objects.h"
#include "tests/support/vector_target_scope.h"

namespace brumo::test {
namespace {

constexpr int kPointsPerScenario = 6000;
constexpr int kSegmentsPerScenario = 60;

using Random = std::mt19937;

float uniform(Random& random, float lo, float hi) {
    return std::uniform_real_distribution<float>(lo, hi)(random);
}
int pick(Random& random, int count) { return std::uniform_int_distribution<int>(0, count - 1)(random); }
uint32_t anyAxis(Random& random) {
    const uint32_t axes[] = {qv::fourcc("XAXI"), qv::fourcc("YAXI"), qv::fourcc("ZAXI")};
    return axes[pick(random, 3)];
}
Vector3 anyVector(Random& random, float range) {
    return {uniform(random, -range, range), uniform(random, -range, range), uniform(random, -range, range)};
}

void randomiseCommon(EffectParameters& p, Random& random) {
    p.size = uniform(random, 0.5f, 3.0f);
    p.noiseType = pick(random, 5);  // 0: no shader named, so an empty field
    p.detail = pick(random, 3) == 0 ? uniform(random, 0.0f, 8.0f) : static_cast<float>(pick(random, 9));
    p.seedValue = uniform(random, -1e5f, 1e5f);
    p.noiseScale = uniform(random, 20.0f, 300.0f);
    p.noiseScaleXYZ = {uniform(random, 40.0f, 160.0f), uniform(random, 40.0f, 160.0f), uniform(random, 40.0f, 160.0f)};
    p.noiseOffset = anyVector(random, 5.0f);
    p.noiseRotation = anyVector(random, 180.0f);
    p.gainAmount = uniform(random, 0.1f, 0.9f);
    p.biasAmount = uniform(random, 0.1f, 0.9f);
    p.densityAmount = uniform(random, 0.2f, 6.0f);
    p.absorptionDistance = uniform(random, 0.3f, 3.0f);
    p.stepJitter = pick(random, 2) == 0 ? 0.0f : uniform(random, 0.0f, 1.0f);
    p.quality = uniform(random, 0.05f, 0.6f);
    // A few shape options at a time (about one bit in eight), so that some vapour is left.
    p.shapeFlags = static_cast<uint32_t>(random() & random() & random()) & 0xFFFFu;
    for (FalloffPair& pair : p.shapeFalloffs) pair = {uniform(random, 0.0f, 0.6f), uniform(random, 0.0f, 0.6f)};
    p.colourFromGradient = 1;
    p.colourSourceMix = uniform(random, 0.0f, 1.0f);
    // The fixed light builds a shadow grid from light marches, which take the lanes too.
    p.lightingMode = pick(random, 3) == 0 ? qv::fourcc("Opt1") : qv::fourcc("Opt0");
    p.lightDirection = anyVector(random, 1.0f);
    p.shadowStrength = uniform(random, 0.0f, 1.0f);
    p.shadowDensityInfluence = uniform(random, 0.0f, 1.0f);
}

void randomiseEffect(const QVGuid& classId, const EffectRef& effect, Random& random) {
    randomiseCommon(effect->block(), random);
    void* block = effect->exchangerInterface()->parameterBlock();
    if (classId == CLSID_Clouds) {
        auto& c = *static_cast<CloudsParameters*>(block);
        c.puffCount = 1 + pick(random, 6);
        c.puffSeed = static_cast<int32_t>(random());
        const uint32_t modes[] = {qv::fourcc("Opt1"), qv::fourcc("Opt2"), qv::fourcc("Opt3")};
        c.combineMode = modes[pick(random, 3)];
        c.puffSize = uniform(random, 0.2f, 0.9f);
        c.puffBlend = uniform(random, 0.0f, 1.0f);
        c.puffDensity = uniform(random, 0.3f, 1.0f);
    } else if (classId == CLSID_Fire) {
        static_cast<FireParameters*>(block)->flameStretch = uniform(random, 0.0f, 3.0f);
    } else if (classId == CLSID_RisingSmoke) {
        auto& r = *static_cast<RisingSmokeParameters*>(block);
        r.baseSpread = uniform(random, 0.0f, 1.0f);
        r.edgeSoftness = uniform(random, 0.0f, 1.0f);
    }
}

// Attaches modifier `first` and, sometimes, a second one, each with random parameters.
void attachModifiers(host::ComponentList& list, int first, Random& random, std::vector<ModifierRef*>& held) {
    const QVGuid classes[] = {CLSID_TaperModifier, CLSID_WaveModifier,    CLSID_BulgeModifier, CLSID_PunchModifier,
                              CLSID_TwistModifier, CLSID_BendModifier,    CLSID_ShiftModifier, CLSID_NoiseModifier,
                              CLSID_StretchModifier, CLSID_ScaleModifier};
    std::vector<int> chosen{first};
    if (pick(random, 2) == 0) chosen.push_back(pick(random, 10));
    for (int index : chosen) {
        auto* m = new ModifierRef(classes[index]);
        held.push_back(m);
        void* b = m->exchanger()->parameterBlock();
        const float start = uniform(random, 0.0f, 0.5f);
        const float end = uniform(random, 0.5f, 1.0f);
        switch (index) {
        case 0: {
            const auto flag = [&] { return static_cast<uint8_t>(pick(random, 2)); };
            *static_cast<TaperParameters*>(b) = {uniform(random, 0.0f, 2.0f), start, end, anyAxis(random), flag(), flag(),
                                                 flag()};
            break;
        }
        case 1: {
            auto& w = *static_cast<WaveParameters*>(b);
            w.amplitude = uniform(random, 0.0f, 0.4f);
            w.cycles = uniform(random, 0.5f, 4.0f);
            w.phase = uniform(random, 0.0f, 6.0f);
            w.start = start;
            w.end = end;
            w.axis = anyAxis(random);
            const uint32_t modes[] = {kWaveAlongAxis, kWaveAcrossSecond, kWaveAcrossFirst, kWaveRadial};
            w.waveMode = modes[pick(random, 4)];
            break;
        }
        case 2: *static_cast<BulgeParameters*>(b) = {uniform(random, -1.0f, 1.0f), start, end, anyAxis(random), 1, 1}; break;
        case 3:
            *static_cast<PunchParameters*>(b) = {uniform(random, -1.0f, 1.0f), uniform(random, 0.1f, 1.0f), anyAxis(random),
                                                 static_cast<uint8_t>(pick(random, 2))};
            break;
        case 4: *static_cast<TwistParameters*>(b) = {uniform(random, -6.0f, 6.0f), start, end, anyAxis(random)}; break;
        case 5: *static_cast<BendParameters*>(b) = {uniform(random, -3.0f, 3.0f), 0.0f, start, end, anyAxis(random)}; break;
        case 6: *static_cast<ShiftParameters*>(b) = {uniform(random, -0.5f, 0.5f), uniform(random, -0.5f, 0.5f), start, end, anyAxis(random)}; break;
        case 7: {
            auto& n = *static_cast<NoiseModifierParameters*>(b);
            n.directionX = uniform(random, -0.3f, 0.3f);
            n.directionY = uniform(random, -0.3f, 0.3f);
            n.directionZ = uniform(random, -0.3f, 0.3f);
            n.noiseSize = uniform(random, 5.0f, 60.0f);
            n.noiseOffsetX = uniform(random, -3.0f, 3.0f);
            n.rotationA = uniform(random, -90.0f, 90.0f);
            n.seed = static_cast<int32_t>(random());
            break;
        }
        case 8: *static_cast<StretchParameters*>(b) = {uniform(random, -1.0f, 2.0f), uniform(random, -1.0f, 1.0f), start, end, anyAxis(random)}; break;
        default: *static_cast<ScaleParameters*>(b) = {uniform(random, 0.5f, 2.0f), uniform(random, 0.5f, 2.0f), uniform(random, 0.5f, 2.0f)}; break;
        }
        m->changed();
        ASSERT_TRUE(list.attach(m->get()));
    }
}

struct Outcome {
    std::vector<float> densities;
    std::vector<float> shapes;
    std::vector<QVColourRecord> colours;
    std::vector<QVColourRecord> segments;
};

struct Workload {
    std::vector<QVVector3> points;
    std::vector<QVVector3> segmentEnds;  // pairs
};

Workload makeWorkload(float size, Random& random) {
    Workload w;
    for (int i = 0; i < kPointsPerScenario; ++i) {
        const Vector3 v = anyVector(random, 1.2f * size);
        w.points.push_back({v.x, v.y, v.z});
    }
    for (int i = 0; i < 2 * kSegmentsPerScenario; ++i) {
        const Vector3 v = anyVector(random, 1.5f * size);
        w.segmentEnds.push_back({v.x, v.y, v.z});
    }
    return w;
}

// Everything the effect answers for the workload, prepared afresh (shadow grid included).
Outcome run(const EffectRef& effect, const Workload& w) {
    effect->exchangerInterface()->parametersChanged();
    Outcome o;
    const int n = static_cast<int>(w.points.size());
    o.densities.resize(n);
    o.shapes.resize(n);
    o.colours.resize(n);
    EXPECT_EQ(effect->densitySamplerInterface()->sampleMany(n, w.points.data(), o.densities.data(), o.shapes.data(),
                                                             o.colours.data()),
              qv::kOk);
    for (size_t i = 0; i + 1 < w.segmentEnds.size(); i += 2) {
        QVColourRecord c{0.1f, 0.2f, 0.3f, 0.4f};
        effect->volumeInterface()->integrateSegment(&w.segmentEnds[i], &w.segmentEnds[i + 1], &c, nullptr, 0, 0);
        o.segments.push_back(c);
    }
    return o;
}

template <class T>
bool sameBits(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0;
}

// First index where the bits differ, for the failure message.
template <class T>
size_t firstDifference(const std::vector<T>& a, const std::vector<T>& b) {
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (std::memcmp(&a[i], &b[i], sizeof(T)) != 0) return i;
    return a.size();
}

// Every set that takes runs: the vector sets and scalar.
std::vector<std::string> runTargets() {
    std::vector<std::string> names;
    for (int32_t i = 0; i < vectorTargetCount(); ++i) names.push_back(vectorTargetAt(i));
    return names;
}

struct EffectCase {
    const char* name;
    QVGuid classId;
};

class BatchedDensity : public ::testing::TestWithParam<EffectCase> {};

TEST_P(BatchedDensity, EveryInstructionSetGivesTheOnePointResultsWithEveryModifier) {
    const EffectCase& effectCase = GetParam();
    Random random(20261208u ^ static_cast<uint32_t>(effectCase.name[0]));
    long compared = 0;
    int withVapour = 0;
    for (int scenario = 0; scenario < 10; ++scenario) {
        EffectRef effect(effectCase.classId);
        ASSERT_TRUE(effect);
        randomiseEffect(effectCase.classId, effect, random);
        host::Ref<host::ComponentList> list = host::ComponentList::create(effect->primaryUnknown());
        std::vector<ModifierRef*> held;
        attachModifiers(*list, scenario, random, held);
        const Workload w = makeWorkload(effect->block().size, random);

        Outcome reference;
        {
            VectorTargetScope onePoint("point");
            ASSERT_TRUE(onePoint.selected);
            reference = run(effect, w);
        }
        for (const std::string& target : runTargets()) {
            VectorTargetScope lanes(target.c_str());
            ASSERT_TRUE(lanes.selected) << target;
            const Outcome o = run(effect, w);
            const std::string where = std::string(effectCase.name) + " scenario " + std::to_string(scenario) + " on " + target;
            EXPECT_TRUE(sameBits(o.densities, reference.densities))
                << where << ", point " << firstDifference(o.densities, reference.densities);
            EXPECT_TRUE(sameBits(o.shapes, reference.shapes)) << where << ", point " << firstDifference(o.shapes, reference.shapes);
            EXPECT_TRUE(sameBits(o.colours, reference.colours))
                << where << ", point " << firstDifference(o.colours, reference.colours);
            EXPECT_TRUE(sameBits(o.segments, reference.segments))
                << where << ", segment " << firstDifference(o.segments, reference.segments);
            compared += static_cast<long>(o.densities.size());
        }
        bool anyDensity = false;
        for (float d : reference.densities) anyDensity = anyDensity || d > 0.0f;
        withVapour += anyDensity ? 1 : 0;
        list.reset();
        for (ModifierRef* m : held) delete m;
    }
    // The comparison means something only where there is vapour.
    EXPECT_GE(withVapour, 4);
    EXPECT_EQ(compared, 10L * kPointsPerScenario * static_cast<long>(runTargets().size()));
}

// Opposite fades, with the same falloffs and with others, at the edges of their windows: the
// planes through the centre (where both sides stand at 1/2), a window that starts at 1/2 or ends
// there too, one that never reaches 1/2 and one that does not end.
TEST(BatchedDensityShapes, OppositeFadesGiveTheOnePointMask) {
    const float inf = std::numeric_limits<float>::infinity();
    const FalloffPair pairs[] = {{0.0f, 0.5f},  {0.5f, 0.5f}, {0.0f, 0.3f}, {0.2f, 0.7f},
                                 {-inf, 0.5f}, {0.6f, 0.4f}, {0.0f, 0.55f}};
    const float edges[] = {0.0f, 1e-30f, -1e-30f, 1e-8f, -1e-8f, 0.25f, -0.5f, 0.75f, -1.0f, 1.0f};
    Random random(20261210u);
    EffectRef effect(CLSID_Smog);
    ASSERT_TRUE(effect);
    EffectParameters& p = effect->block();
    Workload w;
    for (int i = 0; i < 4000; ++i) {
        const Vector3 v = anyVector(random, p.size);
        // Most points on a plane through the centre or on an edge of a window.
        const float x = pick(random, 2) == 0 ? p.size * edges[pick(random, 10)] : v.x;
        const float y = pick(random, 2) == 0 ? p.size * edges[pick(random, 10)] : v.y;
        w.points.push_back({x, y, v.z});
    }
    p.shapeFlags = kFadePositiveX | kFadeNegativeX | kFadePositiveY | kFadeNegativeY | kFadePositiveZ | kFadeNegativeZ;
    for (const FalloffPair& pair : pairs)
        for (const FalloffPair& opposite : pairs) {
            // The fades towards +x, +y, +z take pair, those towards -x, -y, -z opposite.
            for (int i = 10; i < 13; ++i) p.shapeFalloffs[i] = pair;
            for (int i = 13; i < 16; ++i) p.shapeFalloffs[i] = opposite;
            Outcome reference;
            {
                VectorTargetScope onePoint("point");
                reference = run(effect, w);
            }
            for (const std::string& target : runTargets()) {
                VectorTargetScope lanes(target.c_str());
                const Outcome o = run(effect, w);
                EXPECT_TRUE(sameBits(o.shapes, reference.shapes))
                    << "falloffs " << pair.a << ", " << pair.b << " and " << opposite.a << ", " << opposite.b << " on "
                    << target << ", point " << firstDifference(o.shapes, reference.shapes);
            }
        }
}

// Segments that pass the ball shape just inside and just outside its surface, and through it:
// in runs a march that passes wide of the ball takes no sample at all, one point at a time it
// takes them all.
TEST(BatchedDensityShapes, SegmentsPastTheBallGatherAsOnePointAtATime) {
    const float distances[] = {0.0f, 0.99f, 0.999f, 0.9995f, 0.9999f, 1.0f, 1.0001f, 1.0005f, 1.001f, 1.01f, 1.2f};
    Random random(20261211u);
    EffectRef effect(CLSID_Smog);
    ASSERT_TRUE(effect);
    EffectParameters& p = effect->block();
    p.size = 1.0f;
    p.quality = 1.0f;
    p.densityAmount = 50.0f;
    p.stepJitter = 0.5f;
    // Solid up to radius 0.9999, empty from 1 on.
    p.shapeFlags = kUpperBall | kLowerBall;
    p.shapeFalloffs[0] = p.shapeFalloffs[1] = {0.0f, 1e-4f};
    Workload w;
    for (int i = 0; i < 30; ++i) {
        Vector3 u = anyVector(random, 1.0f);
        u = u * (1.0f / length(u));
        // A direction square to u.
        const Vector3 v = anyVector(random, 1.0f);
        Vector3 along = v - u * dot(u, v);
        along = along * (1.0f / length(along));
        for (float d : distances) {
            const Vector3 from = u * d - along * 1.7f;
            const Vector3 to = u * d + along * 1.7f;
            w.segmentEnds.push_back({from.x, from.y, from.z});
            w.segmentEnds.push_back({to.x, to.y, to.z});
        }
    }
    Outcome reference;
    {
        VectorTargetScope onePoint("point");
        reference = run(effect, w);
    }
    int gathered = 0;
    for (size_t i = 0; i < reference.segments.size(); ++i) {
        const QVColourRecord& c = reference.segments[i];
        const bool inside = distances[i % std::size(distances)] < 1.0f;
        gathered += inside && c.alpha != 0.4f ? 1 : 0;
    }
    // The comparison means something only where the segments inside gather vapour.
    EXPECT_GE(gathered, 100);
    for (const std::string& target : runTargets()) {
        VectorTargetScope lanes(target.c_str());
        const Outcome o = run(effect, w);
        EXPECT_TRUE(sameBits(o.segments, reference.segments))
            << target << ", segment " << firstDifference(o.segments, reference.segments);
    }
}

INSTANTIATE_TEST_SUITE_P(Effects, BatchedDensity,
                         ::testing::Values(EffectCase{"Smog", CLSID_Smog}, EffectCase{"Fire", CLSID_Fire},
                                           EffectCase{"Clouds", CLSID_Clouds},
                                           EffectCase{"RisingSmoke", CLSID_RisingSmoke}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(VectorTargets, ScalarAndPointAreAlwaysOfferedAndUnknownNamesAreRefused) {
    ASSERT_GE(vectorTargetCount(), 1);
    EXPECT_STREQ(vectorTargetAt(vectorTargetCount() - 1), "scalar");
    EXPECT_EQ(vectorTargetAt(vectorTargetCount()), nullptr);
    EXPECT_EQ(vectorTargetAt(-1), nullptr);
    const std::string before = vectorTargetName();
    EXPECT_FALSE(selectVectorTarget("no such set"));
    EXPECT_EQ(before, vectorTargetName());
    {
        VectorTargetScope scalar("scalar");
        EXPECT_FALSE(vectorLanesEnabled());
        EXPECT_FALSE(onePointSampling());
        EXPECT_STREQ(vectorTargetName(), "scalar");
    }
    {
        VectorTargetScope onePoint("point");
        EXPECT_FALSE(vectorLanesEnabled());
        EXPECT_TRUE(onePointSampling());
        EXPECT_STREQ(vectorTargetName(), "point");
    }
    EXPECT_EQ(before, vectorTargetName());
}

}  // namespace
}  // namespace brumo::test
