#include <gtest/gtest.h>

#include <algorithm>

#include "host/scene/scene.h"
#include "host/scene/shaders.h"
#include "qv/strings.h"
#include "tests/support/comparisons.h"

using namespace brumo::host;

namespace {

// Evaluates a shader the way an effect does: through its evaluation interface, with the sample
// point in a default shading record.
struct Evaluation {
    float value;
    QVColourRecord colour;
    float coverage;
};

Evaluation evaluate(IQVShader* shader, QVVector3 point) {
    QVShadingRecord record;
    qv::resetShadingRecord(record);
    record.point = point;
    record.position = point;
    Evaluation result{0.0f, {-1.0f, -1.0f, -1.0f, -1.0f}, 0.0f};
    uint8_t flag = 0;
    EXPECT_EQ(shader->evaluateValue(&result.value, &flag, &record), qv::kOk);
    flag = 0;
    result.coverage = shader->evaluateColour(&result.colour, &flag, &record);
    return result;
}

Ref<IQVShader> interfaceOf(IQVShaderObject* object) {
    Ref<IQVShader> shader;
    object->shaderInterface(shader.slot());
    return shader;
}

using brumo::test::expectColour;

const QVColourRecord kBlack{0.0f, 0.0f, 0.0f, 1.0f};
const QVColourRecord kWhite{1.0f, 1.0f, 1.0f, 1.0f};

}  // namespace

TEST(HostShaders, ConstantCheckerAndGradientGiveTheirNumbers) {
    auto constant = Ref<ConstantColourShader>::adopt(
        new ConstantColourShader("c", {0.2f, 0.4f, 0.8f, 1.0f}));
    const Evaluation c = evaluate(interfaceOf(constant.get()).get(), {3.0f, -7.0f, 0.5f});
    expectColour(c.colour, {0.2f, 0.4f, 0.8f, 1.0f});
    EXPECT_FLOAT_EQ(c.value, 0.2126f * 0.2f + 0.7152f * 0.4f + 0.0722f * 0.8f);
    EXPECT_FLOAT_EQ(c.coverage, 1.0f);

    auto checker = Ref<CheckerShader>::adopt(new CheckerShader("k", 0.5f, kBlack, kWhite));
    auto checkerShader = interfaceOf(checker.get());
    const struct {
        QVVector3 point;
        float value;
    } cells[] = {
        {{0.1f, 0.1f, 0.1f}, 0.0f},    {{0.6f, 0.1f, 0.1f}, 1.0f},
        {{0.6f, 0.6f, 0.1f}, 0.0f},    {{0.6f, 0.6f, 0.6f}, 1.0f},
        {{-0.1f, 0.1f, 0.1f}, 1.0f},   // cells do not double up across zero
        {{-0.1f, -0.1f, 0.1f}, 0.0f},  {{-0.6f, 0.1f, 0.1f}, 0.0f},
        {{1.2f, -3.3f, 7.9f}, 0.0f},   // cells 2, -7, 15: an even sum
    };
    for (const auto& cell : cells) {
        const Evaluation e = evaluate(checkerShader.get(), cell.point);
        EXPECT_EQ(e.value, cell.value) << cell.point.x << " " << cell.point.y << " " << cell.point.z;
        expectColour(e.colour, cell.value == 1.0f ? kWhite : kBlack);
    }

    auto gradient = Ref<HeightGradientShader>::adopt(
        new HeightGradientShader("g", -1.0f, 1.0f, {0.0f, 0.2f, 0.4f, 1.0f}, kWhite));
    auto gradientShader = interfaceOf(gradient.get());
    EXPECT_FLOAT_EQ(evaluate(gradientShader.get(), {5.0f, 5.0f, -1.0f}).value, 0.0f);
    EXPECT_FLOAT_EQ(evaluate(gradientShader.get(), {0.0f, 0.0f, 0.5f}).value, 0.75f);
    EXPECT_FLOAT_EQ(evaluate(gradientShader.get(), {0.0f, 0.0f, 3.0f}).value, 1.0f);
    EXPECT_FLOAT_EQ(evaluate(gradientShader.get(), {0.0f, 0.0f, -9.0f}).value, 0.0f);
    expectColour(evaluate(gradientShader.get(), {0.0f, 0.0f, 0.0f}).colour,
                 {0.5f, 0.6f, 0.7f, 1.0f});
}

TEST(HostShaders, TheyFollowThePositionInTheShadedObjectsSpace) {
    auto gradient = Ref<HeightGradientShader>::adopt(
        new HeightGradientShader("g", 0.0f, 1.0f, kBlack, kWhite));
    QVShadingRecord record;
    qv::resetShadingRecord(record);
    record.point = {0.0f, 0.0f, 0.9f};
    record.position = {0.0f, 0.0f, 0.25f};
    float value = -1.0f;
    uint8_t flag = 0;
    gradient->evaluateValue(&value, &flag, &record);
    EXPECT_FLOAT_EQ(value, 0.25f);
}

TEST(HostShaders, NoiseIsSmoothDeterministicSeededAndSpansItsRange) {
    auto noise = Ref<NoiseShader>::adopt(new NoiseShader("n", 1.0f, 1, 7u, kBlack, kWhite));
    auto same = Ref<NoiseShader>::adopt(new NoiseShader("n", 1.0f, 1, 7u, kBlack, kWhite));
    auto other = Ref<NoiseShader>::adopt(new NoiseShader("n", 1.0f, 1, 8u, kBlack, kWhite));
    float lowest = 1.0f, highest = 0.0f;
    int differing = 0;
    for (int i = 0; i < 400; ++i) {
        const QVVector3 p{0.37f * float(i % 20) - 3.0f, 0.29f * float(i / 20) - 2.0f, 0.11f * i};
        const float v = noise->valueAt(p);
        ASSERT_GE(v, 0.0f);
        ASSERT_LE(v, 1.0f);
        lowest = std::min(lowest, v);
        highest = std::max(highest, v);
        EXPECT_EQ(v, same->valueAt(p));
        differing += v != other->valueAt(p);
        // Smooth: a step of 0.001 moves the value by far less than the lattice's range.
        EXPECT_NEAR(noise->valueAt({p.x + 0.001f, p.y, p.z}), v, 0.01f);
    }
    EXPECT_GT(differing, 390);
    EXPECT_LT(lowest, 0.25f);
    EXPECT_GT(highest, 0.75f);

    // At lattice points the single octave is exactly the lattice value; between two of them along
    // x it blends with the smooth step 3t² - 2t³.
    const float a = noise->latticeNoise(2.0f, -1.0f, 4.0f);
    const float b = noise->latticeNoise(3.0f, -1.0f, 4.0f);
    const float t = 0.25f, s = t * t * (3.0f - 2.0f * t);
    EXPECT_NEAR(noise->latticeNoise(2.25f, -1.0f, 4.0f), a + (b - a) * s, 1e-6f);
    // The colour is the value's blend of the two colours.
    const QVVector3 p{0.3f, 0.6f, 0.9f};
    expectColour(noise->colourAt(p), {noise->valueAt(p), noise->valueAt(p), noise->valueAt(p), 1.0f});

    // More octaves add finer detail but stay within [0, 1].
    auto fractal = Ref<NoiseShader>::adopt(new NoiseShader("f", 0.5f, 5, 7u, kBlack, kWhite));
    for (int i = 0; i < 100; ++i) {
        const float v = fractal->valueAt({0.013f * i, 0.7f, -0.2f});
        EXPECT_GE(v, 0.0f);
        EXPECT_LE(v, 1.0f);
    }
}

TEST(HostShaders, TheBuiltInShadersAreFoundByNameInTheScene) {
    auto scene = Ref<Scene>::adopt(new Scene);
    addBuiltInShaders(*scene);
    EXPECT_EQ(scene->shaderCount(), 4);
    for (const char* name : {shader_names::kConstant, shader_names::kChecker,
                             shader_names::kHeightGradient, shader_names::kNoise}) {
        TQVHeapString wanted(name);
        Ref<IQVShaderObject> object;
        scene->findShader(object.slot(), &wanted);
        ASSERT_TRUE(object) << name;
        Ref<IQVShader> shader = interfaceOf(object.get());
        ASSERT_TRUE(shader) << name;
        const Evaluation e = evaluate(shader.get(), {0.2f, 0.3f, 0.4f});
        EXPECT_GE(e.value, 0.0f) << name;
        EXPECT_LE(e.value, 1.0f) << name;
        EXPECT_GE(e.colour.red, 0.0f) << name;
    }
    // The height gradient runs from z = -1 to z = 1 and the checker's cells are 0.5 wide.
    TQVHeapString gradientName(shader_names::kHeightGradient);
    Ref<IQVShaderObject> gradient;
    scene->findShader(gradient.slot(), &gradientName);
    EXPECT_FLOAT_EQ(evaluate(interfaceOf(gradient.get()).get(), {0, 0, 0.5f}).value, 0.75f);
    TQVHeapString checkerName(shader_names::kChecker);
    Ref<IQVShaderObject> checker;
    scene->findShader(checker.slot(), &checkerName);
    EXPECT_EQ(evaluate(interfaceOf(checker.get()).get(), {0.4f, 0, 0}).value, 0.0f);
    EXPECT_EQ(evaluate(interfaceOf(checker.get()).get(), {0.6f, 0, 0}).value, 1.0f);
}
