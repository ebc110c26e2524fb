// The density sampler: every effect answers it, it gives what the march accumulates at the same
// point, it prepares like a render call, a batch equals single samples (mesh shaping included),
// and bad arguments, empty effects and a cancelled preparation are answered cleanly.
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "bake_fixtures.h"
#include "host/scene/mesh_object.h"
#include "host/scene_file/parameter_block.h"
#include "qv/result_codes.h"

namespace brumo::test {
namespace {

constexpr float kNegligible = 0.00006103515625f;  // 2^-14: a smaller optical depth adds nothing

// size 2 (local = 2 × normalised, exactly), quality 0.005 (a step of 2), no jitter, no
// extinction and densityAmount 0.5 (densityScale 1), unlit: a march sample over length 1 adds
// exactly its density to alpha and density × colour to red, green and blue.
std::string sceneOf(const std::string& type, const std::string& extra = "",
                    const std::string& modifiers = "[]") {
    return R"({"effects": [{"type": ")" + type + R"(", "parameters": {"size": 2, "quality": 0.005,
        "stepJitter": 0, "absorptionDistance": 0, "densityAmount": 0.5, "seedValue": 31,
        "lightingMode": "Opt0")" + extra +
           R"(}, "modifiers": )" + modifiers + "}]}";
}

QVVector3 local(const QVVector3& normalised) {
    return {normalised.x * 2.0f, normalised.y * 2.0f, normalised.z * 2.0f};
}

// Normalised points of the cube on a grid of eighths (exact in floats).
std::vector<QVVector3> eighths() {
    std::vector<QVVector3> points;
    for (int i = -7; i <= 7; i += 2)
        for (int j = -7; j <= 7; j += 3)
            for (int k = -7; k <= 7; k += 2) points.push_back({i / 8.0f, j / 8.0f, k / 8.0f});
    return points;
}

// The segment, shorter than one step, whose single remainder sample lands on p (normalised):
// length 1 along +x, so fraction 0.5; the sample lies (1 + 0.5) × 2 / 2 = 1.5 past the start.
QVColourRecord marchThrough(IVolumePrimitive& volume, const QVVector3& p) {
    const QVVector3 start = local({p.x - 1.5f, p.y, p.z});
    const QVVector3 end = local({p.x - 0.5f, p.y, p.z});
    QVColourRecord colour{0.0f, 0.0f, 0.0f, 0.0f};
    volume.integrateSegment(&start, &end, &colour, nullptr, 0, 0);
    return colour;
}

// Samples every point through the sampler first, in one batch (so that the sampler alone
// prepares the effect), then marches through each; returns how many points contributed.
int expectSamplerMatchesMarch(const host::BuiltEffect& effect, const std::vector<QVVector3>& points,
                              std::vector<float>& densities) {
    host::Ref<IDensitySampler> sampler = samplerOf(effect);
    host::Ref<IVolumePrimitive> volume = interfaceOf<IVolumePrimitive>(effect, qv::IID_IVolumePrimitive);
    EXPECT_TRUE(sampler && volume);
    if (!sampler || !volume) return 0;
    std::vector<QVVector3> at;
    for (const QVVector3& p : points) at.push_back(local(p));
    densities.assign(points.size(), -1.0f);
    std::vector<QVColourRecord> colours(points.size());
    EXPECT_EQ(sampler->sampleMany(int32_t(at.size()), at.data(), densities.data(), nullptr, colours.data()),
              qv::kOk);
    int contributing = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        const QVVector3& p = points[i];
        const float d = densities[i];
        const QVColourRecord& c = colours[i];
        const QVColourRecord marched = marchThrough(*volume, p);
        if (d > kNegligible) {
            ++contributing;
            EXPECT_EQ(marched.alpha, d) << p.x << " " << p.y << " " << p.z;
            EXPECT_EQ(marched.red, d * c.red);
            EXPECT_EQ(marched.green, d * c.green);
            EXPECT_EQ(marched.blue, d * c.blue);
        } else {
            EXPECT_EQ(marched.alpha, 0.0f) << "a negligible sample adds nothing";
        }
    }
    return contributing;
}

TEST(DensitySampler, GivesWhatTheMarchAccumulatesForEveryEffect) {
    const std::vector<QVVector3> points = eighths();
    for (const char* type : {"clouds", "fire", "risingSmoke", "smog"}) {
        SCOPED_TRACE(type);
        // A modifier and a seed of its own: the sampler must prepare both as the march does.
        host::BuiltEffect effect = buildFirstEffect(
            sceneOf(type, "", R"([{"type": "twist", "parameters": {"angle": 1.5}}])"));
        std::vector<float> first;
        EXPECT_GT(expectSamplerMatchesMarch(effect, points, first), 0) << "no point had vapour";

        // A new seed written into the block reaches the sampler's next call.
        const FieldInfo* seed = host::findField(*effect.effect.table, "seedValue");
        ASSERT_NE(seed, nullptr);
        const float value = 4242.0f;
        std::memcpy(static_cast<char*>(host::parameterBlockOf(effect.effect.object.get(),
                                                              *effect.effect.table)) + seed->offset,
                    &value, sizeof value);
        host::notifyParametersChanged(effect.effect.object.get());
        std::vector<float> second;
        expectSamplerMatchesMarch(effect, points, second);
        EXPECT_NE(first, second) << "the new seed did not reach the sampler";
    }
}

TEST(DensitySampler, ShapeValueDrivesTheColourAsTheMarchReadsIt) {
    // colourSourceMix 1 colours by the shape value alone; a grey ramp makes red that value.
    host::BuiltEffect effect = buildFirstEffect(sceneOf("fire", R"(, "colourSourceMix": 1,
        "colourGradient": [{"position": 0, "colour": [0, 0, 0, 1]}, {"position": 1, "colour": [1, 1, 1, 1]}])"));
    host::Ref<IDensitySampler> sampler = samplerOf(effect);
    ASSERT_TRUE(sampler);
    int between = 0;
    for (const QVVector3& p : eighths()) {
        const QVVector3 at = local(p);
        float shape = -1.0f;
        QVColourRecord c{};
        ASSERT_EQ(sampler->sampleAt(&at, nullptr, &shape, &c), qv::kOk);
        const float k = shape < 0.0f ? 0.0f : (shape > 1.0f ? 1.0f : shape);
        EXPECT_NEAR(c.red, k, 1e-6f);
        if (k > 0.0f && k < 1.0f) ++between;
    }
    EXPECT_GT(between, 0) << "no shape value inside the ramp";
}

TEST(DensitySampler, ABatchEqualsSingleSamplesAlongAndAcrossMeshLines) {
    // A Smog confined to a sphere: each point's density depends on the mesh ray through it.
    host::Ref<host::MeshObject> ball = host::MeshObject::sphere("bakeBall", 1.0f);
    host().scene().addObject(ball.get());
    {
        host::BuiltEffect effect = buildFirstEffect(
            sceneOf("smog", R"(, "meshOff": 0, "meshName": "bakeBall", "meshFalloff": 0.2)"));
        host::Ref<IDensitySampler> sampler = samplerOf(effect);
        ASSERT_TRUE(sampler);
        // Two rows along x, then back to the first, and a lone point; corners lie outside the ball.
        std::vector<QVVector3> points;
        for (float y : {0.125f, -0.5f, 0.125f})
            for (int i = -8; i <= 8; ++i) points.push_back(local({i / 8.0f, y, 0.25f}));
        points.push_back(local({0.875f, 0.875f, 0.875f}));
        const int32_t n = int32_t(points.size());
        std::vector<float> densities(points.size()), shapes(points.size());
        std::vector<QVColourRecord> colours(points.size());
        ASSERT_EQ(sampler->sampleMany(n, points.data(), densities.data(), shapes.data(), colours.data()),
                  qv::kOk);
        int inside = 0;
        for (int32_t i = 0; i < n; ++i) {
            float d = -1.0f, s = -1.0f;
            QVColourRecord c{};
            ASSERT_EQ(sampler->sampleAt(&points[size_t(i)], &d, &s, &c), qv::kOk);
            EXPECT_EQ(densities[size_t(i)], d) << "point " << i;
            EXPECT_EQ(shapes[size_t(i)], s) << "point " << i;
            EXPECT_EQ(std::memcmp(&colours[size_t(i)], &c, sizeof c), 0) << "point " << i;
            if (d > 0.0f) ++inside;
        }
        EXPECT_GT(inside, 0);
        EXPECT_EQ(densities.back(), 0.0f) << "a corner of the cube lies outside the ball";
        EXPECT_EQ(densities[0], 0.0f) << "the row's end lies outside the ball";
    }
    host().scene().removeObject("bakeBall");
}

TEST(DensitySampler, OneArrayForDensitiesAndShapeValuesIsLeftHoldingTheShapeValues) {
    host::BuiltEffect effect = buildFirstEffect(sceneOf("smog"));
    host::Ref<IDensitySampler> sampler = samplerOf(effect);
    ASSERT_TRUE(sampler);
    std::vector<QVVector3> points;
    for (const QVVector3& p : eighths()) points.push_back(local(p));
    // A point that is not finite among them answers zero.
    points[3].y = std::numeric_limits<float>::infinity();
    std::vector<float> both(points.size(), -1.0f);
    ASSERT_EQ(sampler->sampleMany(int32_t(points.size()), points.data(), both.data(), both.data(), nullptr),
              qv::kOk);
    int differ = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        float d = -1.0f, s = -1.0f;
        ASSERT_EQ(sampler->sampleAt(&points[i], &d, &s, nullptr), qv::kOk);
        EXPECT_EQ(both[i], s) << "point " << i;
        if (d != s) ++differ;
    }
    EXPECT_EQ(both[3], 0.0f);
    EXPECT_GT(differ, 0) << "densities and shape values never told apart";
}

TEST(DensitySampler, EveryEffectAnswersItAndModifiersDoNot) {
    for (const char* type : {"clouds", "fire", "risingSmoke", "smog"}) {
        host::BuiltEffect effect = buildFirstEffect(sceneOf(type));
        host::Ref<IDensitySampler> sampler = samplerOf(effect);
        ASSERT_TRUE(sampler) << type;
        // The same object: its own interfaces are reachable from the sampler.
        host::Ref<IVolumePrimitive> volume;
        EXPECT_EQ(sampler->QueryInterface(qv::IID_IVolumePrimitive, reinterpret_cast<void**>(volume.slot())),
                  qv::kOk);
        EXPECT_TRUE(volume);
    }
    host::BuiltEffect twisted =
        buildFirstEffect(sceneOf("smog", "", R"([{"type": "twist"}])"));
    host::Ref<IDensitySampler> none;
    EXPECT_EQ(twisted.modifiers.at(0).object->QueryInterface(IID_IDensitySampler,
                                                             reinterpret_cast<void**>(none.slot())),
              qv::kNoInterface);
    EXPECT_FALSE(none);
}

// The position of a virtual operation, counting from 1 with the three IQVUnknown operations:
// GCC and Clang keep 1 + the byte offset of its slot in a pointer to a virtual member.
template <class Member>
int positionOf(Member member) {
    uintptr_t words[2];
    static_assert(sizeof member == sizeof words, "Itanium pointer to member function");
    std::memcpy(words, &member, sizeof words);
    EXPECT_EQ(words[1], 0u) << "reached through a base at an offset";
    return static_cast<int>((words[0] - 1) / sizeof(void*)) + 1;
}

TEST(DensitySampler, OperationsFollowTheThreeUnknownOperations) {
    EXPECT_EQ(positionOf(&IDensitySampler::sampleAt), 4);
    EXPECT_EQ(positionOf(&IDensitySampler::sampleMany), 5);
}

TEST(DensitySampler, BadArgumentsEmptyEffectsAndPointsOutsideNumbers) {
    host::BuiltEffect effect = buildFirstEffect(sceneOf("smog"));
    host::Ref<IDensitySampler> sampler = samplerOf(effect);
    ASSERT_TRUE(sampler);
    float d = -1.0f;
    EXPECT_EQ(sampler->sampleAt(nullptr, &d, nullptr, nullptr), kInvalidArgument);
    EXPECT_EQ(sampler->sampleMany(-1, nullptr, nullptr, nullptr, nullptr), kInvalidArgument);
    EXPECT_EQ(sampler->sampleMany(3, nullptr, &d, nullptr, nullptr), kInvalidArgument);
    EXPECT_EQ(d, -1.0f);
    EXPECT_EQ(sampler->sampleMany(0, nullptr, nullptr, nullptr, nullptr), qv::kOk);

    // Points that are not finite hold nothing; every output may be left out.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const QVVector3 odd[2] = {{nan, 0.0f, 0.0f}, {0.0f, std::numeric_limits<float>::infinity(), 0.0f}};
    float densities[2] = {-1.0f, -1.0f};
    QVColourRecord colours[2];
    ASSERT_EQ(sampler->sampleMany(2, odd, densities, nullptr, colours), qv::kOk);
    EXPECT_EQ(densities[0], 0.0f);
    EXPECT_EQ(densities[1], 0.0f);
    EXPECT_EQ(colours[1].alpha, 0.0f);
    EXPECT_EQ(sampler->sampleMany(2, odd, nullptr, nullptr, nullptr), qv::kOk);

    // An effect of size 0 is empty everywhere.
    host::BuiltEffect empty = buildFirstEffect(R"({"effects": [{"type": "fire", "parameters": {"size": 0}}]})");
    host::Ref<IDensitySampler> emptySampler = samplerOf(empty);
    const QVVector3 origin{0.0f, 0.0f, 0.0f};
    float shape = -1.0f;
    QVColourRecord colour{-1.0f, -1.0f, -1.0f, -1.0f};
    ASSERT_EQ(emptySampler->sampleAt(&origin, &d, &shape, &colour), qv::kOk);
    EXPECT_EQ(d, 0.0f);
    EXPECT_EQ(shape, 0.0f);
    EXPECT_EQ(colour.red, 0.0f);
    EXPECT_EQ(colour.alpha, 0.0f);
}

TEST(DensitySampler, ACancelledShadowBuildIsAnsweredWithItsCode) {
    host::BuiltEffect effect = buildFirstEffect(sceneOf("smog", R"(, "lightingMode": "Opt1")"));
    host::Ref<IDensitySampler> sampler = samplerOf(effect);
    ASSERT_TRUE(sampler);
    const QVVector3 origin{0.0f, 0.0f, 0.0f};
    float d = -1.0f;
    QVColourRecord colour{-1.0f, -1.0f, -1.0f, -1.0f};
    host().utility().requestCancel();
    const QVResult cancelled = sampler->sampleAt(&origin, &d, nullptr, &colour);
    host().utility().clearCancel();
    EXPECT_EQ(cancelled, qv::kCancelled);
    EXPECT_EQ(d, -1.0f) << "the outputs stay as they were";
    EXPECT_EQ(colour.red, -1.0f);
    // The lock was left: the next call goes through.
    EXPECT_EQ(sampler->sampleAt(&origin, &d, nullptr, &colour), qv::kOk);
    EXPECT_GE(d, 0.0f);
}

}  // namespace
}  // namespace brumo::test
