// Colour gradients and the preset table, through evaluate, addKey, findKey and copyPreset.
#include <gtest/gtest.h>

#include <algorithm>

#include "primitive/colour_gradient.h"
#include "support/test_host.h"

namespace brumo {
namespace {

ColourRGBA rgb(int r, int g, int b) {
    return {static_cast<float>(r) / 255.0f, static_cast<float>(g) / 255.0f,
            static_cast<float>(b) / 255.0f, 0.0f};
}

void expectColour(const ColourRGBA& actual, const ColourRGBA& expected, float tolerance = 0.0f) {
    EXPECT_NEAR(actual.red, expected.red, tolerance);
    EXPECT_NEAR(actual.green, expected.green, tolerance);
    EXPECT_NEAR(actual.blue, expected.blue, tolerance);
    EXPECT_NEAR(actual.alpha, expected.alpha, tolerance);
}

const ColourGradient& preset(int32_t index) {
    const ColourGradient* gradient = presetGradient(index);
    EXPECT_NE(gradient, nullptr) << "preset " << index;
    return *gradient;
}

TEST(PresetGradients, TableContents) {
    const int32_t keyCounts[kPresetGradientCount] = {2, 2, 3, 4, 7, 5, 7, 7, 2, 3, 3, 3, 4};
    for (int32_t i = 0; i < kPresetGradientCount; ++i) {
        ASSERT_EQ(preset(i).count(), keyCounts[i]) << "preset " << i;
        for (const ColourKey& key : preset(i)) EXPECT_EQ(key.colour.alpha, 0.0f);
    }
    EXPECT_EQ(presetGradient(-1), nullptr);
    EXPECT_EQ(presetGradient(kPresetGradientCount), nullptr);

    // Fire's default: orange at 0.07, yellow at 0.41, near white at 0.75.
    const ColourGradient& fire = preset(2);
    expectColour(evaluate(fire, 0.0f), {1.0f, 168.0f / 255.0f, 51.0f / 255.0f, 0.0f});
    expectColour(evaluate(fire, 0.24f), (rgb(255, 168, 51) + rgb(255, 218, 1)) * 0.5f, 1e-6f);
    expectColour(evaluate(fire, 0.41f), rgb(255, 218, 1));
    expectColour(evaluate(fire, 0.9f), rgb(255, 255, 253));

    for (float x : {-3.0f, 0.0f, 0.5f, 1.0f, 20.0f}) expectColour(evaluate(preset(0), x), {0, 0, 0, 0});
    expectColour(evaluate(preset(1), 0.3f), {1.0f, 1.0f, 1.0f, 0.0f});
    // Preset 8 starts from a colour given as floats.
    expectColour(evaluate(preset(8), 0.0f), {0.5f, 0.4f, 0.4f, 0.0f});
    expectColour(evaluate(preset(8), 0.5f), {0.75f, 0.7f, 0.7f, 0.0f}, 1e-6f);
    expectColour(evaluate(preset(4), 1.0f), rgb(13, 22, 255));
    expectColour(evaluate(preset(4), 0.1f), rgb(3, 3, 3));
    expectColour(evaluate(preset(9), 0.47f), (rgb(183, 255, 44) + rgb(56, 56, 25)) * 0.5f, 1e-5f);
    expectColour(evaluate(preset(12), 0.7f), rgb(255, 248, 169));
}

TEST(ColourGradient, Evaluation) {
    ColourGradient empty;
    expectColour(evaluate(empty, 0.5f), {0.0f, 0.0f, 0.0f, 1.0f});

    ColourGradient single;
    ASSERT_EQ(addKey(single, {0.2f, 0.4f, 0.6f, 0.8f}, 0.5f), 0);
    for (float x : {-1.0f, 0.5f, 3.0f}) expectColour(evaluate(single, x), {0.2f, 0.4f, 0.6f, 0.8f});

    // Keys in any storage order give the same colours: every order of five keys.
    const ColourKey keys[] = {{{1.0f, 0.0f, 0.0f, 1.0f}, 0.1f},
                              {{0.0f, 1.0f, 0.0f, 0.5f}, 0.3f},
                              {{0.0f, 0.0f, 1.0f, 0.0f}, 0.55f},
                              {{1.0f, 1.0f, 0.0f, 0.25f}, 0.6f},
                              {{0.2f, 0.2f, 0.2f, 0.75f}, 0.9f}};
    int order[] = {0, 1, 2, 3, 4};
    ColourGradient sorted;
    for (const ColourKey& key : keys) ASSERT_GE(addKey(sorted, key.colour, key.position), 0);
    int permutations = 0;
    do {
        ColourGradient shuffled;
        for (int i : order) ASSERT_GE(addKey(shuffled, keys[i].colour, keys[i].position), 0);
        for (int s = -4; s <= 24; ++s) {
            const float x = static_cast<float>(s) * 0.05f;
            ASSERT_EQ(evaluate(shuffled, x), evaluate(sorted, x)) << "x " << x;
        }
        ++permutations;
    } while (std::next_permutation(order, order + 5));
    EXPECT_EQ(permutations, 120);

    // Between keys: linear. Below the first and above the last: the end keys.
    expectColour(evaluate(sorted, 0.2f), {0.5f, 0.5f, 0.0f, 0.75f}, 1e-6f);
    expectColour(evaluate(sorted, 0.0f), keys[0].colour);
    expectColour(evaluate(sorted, 5.0f), keys[4].colour);
    for (const ColourKey& key : keys) EXPECT_EQ(evaluate(sorted, key.position), key.colour);
}

TEST(ColourGradient, DuplicatePositionsResolveToTheLaterKey) {
    // Only possible for gradients edited outside addKey.
    ColourGradient gradient;
    ASSERT_TRUE(gradient.append({{0.0f, 0.0f, 0.0f, 0.0f}, 0.0f}));
    ASSERT_TRUE(gradient.append({{1.0f, 0.0f, 0.0f, 0.0f}, 0.5f}));
    ASSERT_TRUE(gradient.append({{0.0f, 1.0f, 0.0f, 0.0f}, 0.5f}));
    ASSERT_TRUE(gradient.append({{1.0f, 1.0f, 1.0f, 1.0f}, 1.0f}));
    expectColour(evaluate(gradient, 0.5f), {0.0f, 1.0f, 0.0f, 0.0f});
}

TEST(ColourGradient, AddAndFindKeys) {
    ColourGradient gradient;
    EXPECT_EQ(findKey(gradient, 0.5f, 1.0f), -1);
    EXPECT_EQ(addKey(gradient, {1, 0, 0, 0}, 0.25f), 0);
    EXPECT_EQ(addKey(gradient, {0, 1, 0, 0}, 0.75f), 1);
    EXPECT_EQ(addKey(gradient, {0, 0, 1, 0}, 0.5f), 2);
    EXPECT_EQ(addKey(gradient, {1, 1, 1, 1}, 0.75f), -1);
    EXPECT_EQ(gradient.count(), 3);
    expectColour(evaluate(gradient, 0.75f), {0, 1, 0, 0});

    EXPECT_EQ(findKey(gradient, 0.5f, 0.0f), 2);
    EXPECT_EQ(findKey(gradient, 0.6f, 0.2f), 2);   // nearest within tolerance
    EXPECT_EQ(findKey(gradient, 0.7f, 0.2f), 1);
    EXPECT_EQ(findKey(gradient, 0.6f, 0.05f), -1);  // none within tolerance
    EXPECT_EQ(findKey(gradient, -1.0f, 5.0f), -1);  // keys farther than 1 are never found
    EXPECT_EQ(findKey(gradient, -0.5f, 5.0f), 0);
}

TEST(PresetGradients, CopiesAreValues) {
    ColourGradient gradient;
    ASSERT_TRUE(copyPreset(4, gradient));
    ASSERT_EQ(gradient.count(), 7);
    gradient[0].colour.red = 0.9f;
    EXPECT_EQ(preset(4)[0].colour, rgb(3, 3, 3));
    ASSERT_TRUE(copyPreset(2, gradient));
    EXPECT_EQ(gradient.count(), 3);
    EXPECT_EQ(evaluate(gradient, 0.41f), rgb(255, 218, 1));
    EXPECT_FALSE(copyPreset(13, gradient));
    EXPECT_EQ(gradient.count(), 3);
}

TEST(PresetGradients, MissingTableLeavesGradientsAlone) {
    ColourGradient gradient;
    ASSERT_GE(addKey(gradient, {0.1f, 0.2f, 0.3f, 0.4f}, 0.5f), 0);

    destroyPresetGradients();
    EXPECT_EQ(presetGradient(0), nullptr);
    EXPECT_FALSE(copyPreset(8, gradient));
    ASSERT_EQ(gradient.count(), 1);
    expectColour(evaluate(gradient, 0.0f), {0.1f, 0.2f, 0.3f, 0.4f});

    // Every allocation of the build in turn fails: the table is then absent, nothing leaks, and
    // a later build completes.
    auto& memory = test::host().memory();
    const auto before = memory.counts();
    int absent = 0;
    for (uint64_t n = 1; n <= 40; ++n) {
        memory.failNthAllocation(n);
        createPresetGradients();
        memory.clearFaults();
        if (presetGradient(0) == nullptr) {
            ++absent;
            EXPECT_EQ(memory.counts().liveBlocks, before.liveBlocks) << n;
            EXPECT_EQ(memory.counts().liveObjects, before.liveObjects) << n;
        } else {
            for (int32_t i = 0; i < kPresetGradientCount; ++i) ASSERT_NE(presetGradient(i), nullptr);
            destroyPresetGradients();
        }
    }
    EXPECT_GE(absent, 2 + kPresetGradientCount);  // table object, table storage, each preset

    createPresetGradients();
    ASSERT_NE(presetGradient(12), nullptr);
    const ColourGradient* table = presetGradient(0);
    createPresetGradients();  // built only once
    EXPECT_EQ(presetGradient(0), table);
    ASSERT_TRUE(copyPreset(8, gradient));
    expectColour(evaluate(gradient, 0.0f), {0.5f, 0.4f, 0.4f, 0.0f});
}

}  // namespace
}  // namespace brumo
