// The march's run lookups (gradient colours, trilinear shadow-grid values) give the one-point
// bits under every instruction set, for the inputs the march never produces too: unsorted and
// coincident keys, values outside the keys and not numbers, points outside the cube.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "primitive/colour_gradient.h"
#include "primitive/march_lanes.h"
#include "primitive/shadow_grid.h"
#include "tests/support/comparisons.h"
#include "tests/support/test_host.h"
#include "tests/support/vector_target_scope.h"

namespace brumo::test {
namespace {

std::vector<std::string> everyTarget() {
    std::vector<std::string> names;
    for (int32_t i = 0; i < vectorTargetCount(); ++i) names.push_back(vectorTargetAt(i));
    return names;
}

float uniform(std::mt19937& random, float lo, float hi) {
    return std::uniform_real_distribution<float>(lo, hi)(random);
}

TEST(MarchLookups, GradientColoursOfARunAreTheOnePointColours) {
    std::mt19937 random(20261209u);
    for (int trial = 0; trial < 40; ++trial) {
        ColourGradient gradient;
        const int keys = trial % 6;  // none to five
        for (int k = 0; k < keys; ++k) {
            // Every third trial has keys on the same positions.
            const float position = trial % 3 == 0 ? 0.25f * static_cast<float>(k % 2) : uniform(random, -0.2f, 1.2f);
            gradient.append(ColourKey{{uniform(random, -1.0f, 2.0f), uniform(random, 0.0f, 1.0f),
                                       uniform(random, 0.0f, 1.0f), uniform(random, 0.0f, 1.0f)},
                                      position});
        }
        std::vector<float> x(1 + trial * 3);  // runs of 1 to 118 values, so every tail length occurs
        for (float& v : x) v = uniform(random, -0.5f, 1.5f);
        x[0] = kNaN;
        if (x.size() > 3) {
            x[1] = kInfinity;
            x[2] = -kInfinity;
        }
        // Values right on a key, where the bracket's ties decide.
        for (int k = 0; k < keys && 3 + k < static_cast<int>(x.size()); ++k) x[3 + k] = gradient[k].position;
        const int n = static_cast<int>(x.size());
        std::vector<ColourRGBA> expected(n), found(n);
        for (int i = 0; i < n; ++i) expected[i] = evaluate(gradient, x[i]);
        for (const std::string& target : everyTarget()) {
            VectorTargetScope scope(target.c_str());
            ASSERT_TRUE(scope.selected) << target;
            std::fill(found.begin(), found.end(), ColourRGBA{-9.0f, -9.0f, -9.0f, -9.0f});
            evaluateMany(gradient, n, x.data(), found.data());
            for (int i = 0; i < n; ++i)
                ASSERT_EQ(std::memcmp(&found[i], &expected[i], sizeof(ColourRGBA)), 0)
                    << target << ", trial " << trial << ", value " << x[i];
        }
    }
}

TEST(MarchLookups, ShadowGridValuesOfARunAreTheOnePointValues) {
    std::mt19937 random(20261210u);
    for (int r : {2, 3, 17}) {
        std::vector<float> values(static_cast<size_t>(r) * r * r);
        for (float& v : values) v = uniform(random, 0.0f, 2.0f);
        std::vector<Vector3> points(77);
        for (Vector3& p : points) p = {uniform(random, -1.3f, 1.3f), uniform(random, -1.3f, 1.3f), uniform(random, -1.3f, 1.3f)};
        points[0] = {kNaN, kInfinity, -kInfinity};
        points[1] = {1.0f, -1.0f, 1.0f};
        points[2] = {-1e30f, 1e30f, 0.0f};
        const int n = static_cast<int>(points.size());
        std::vector<float> expected(n), found(n);
        for (int i = 0; i < n; ++i) expected[i] = trilinearLookup(values.data(), r, points[i]);
        for (const std::string& target : everyTarget()) {
            VectorTargetScope scope(target.c_str());
            ASSERT_TRUE(scope.selected) << target;
            for (int count : {n, 5, 1}) {
                std::fill(found.begin(), found.end(), -9.0f);
                trilinearMany(values.data(), r, count, points.data(), found.data());
                for (int i = 0; i < count; ++i)
                    ASSERT_EQ(std::memcmp(&found[i], &expected[i], sizeof(float)), 0)
                        << target << ", r " << r << ", point " << i << " of " << count;
            }
        }
    }
}

}  // namespace
}  // namespace brumo::test
