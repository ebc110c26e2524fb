// The module's own e^x against the exact value.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "math/exponential.h"

namespace brumo {
namespace {

float floatFromBits(uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// Every 97th float from -104 to 89, where e^x runs from below the smallest float to beyond the
// largest: e^x in double rounded to the nearest float, but for a hair's breadth near halfway.
TEST(Exponential, IsRoundedToNearestOverEveryRangeItMeets) {
    double worst = 0.0;
    float worstAt = 0.0f;
    for (uint32_t sign : {0u, 0x80000000u}) {
        const uint32_t last = sign == 0 ? 0x42B20000u : 0xC2D00000u;  // 89, -104
        for (uint32_t bits = sign; bits <= last; bits += 97) {
            const float x = floatFromBits(bits);
            const double exact = std::exp(static_cast<double>(x));
            if (exact > std::numeric_limits<float>::max()) continue;
            int exponent = 0;
            std::frexp(exact, &exponent);
            const double ulp = std::ldexp(1.0, exponent - 24 < -149 ? -149 : exponent - 24);
            const double error = std::fabs(static_cast<double>(exponential(x)) - exact) / ulp;
            if (error > worst) {
                worst = error;
                worstAt = x;
            }
        }
    }
    EXPECT_LE(worst, 0.501) << "at x = " << worstAt;
}

TEST(Exponential, OverflowsToInfinityUnderflowsToZeroAndPassesNotANumberOn) {
    const float infinity = std::numeric_limits<float>::infinity();
    EXPECT_EQ(exponential(0.0f), 1.0f);
    EXPECT_EQ(exponential(-0.0f), 1.0f);
    EXPECT_EQ(exponential(88.8f), infinity);
    EXPECT_EQ(exponential(1000.0f), infinity);
    EXPECT_EQ(exponential(infinity), infinity);
    EXPECT_LT(exponential(88.72f), infinity);
    EXPECT_EQ(exponential(-104.0f), 0.0f);
    EXPECT_EQ(exponential(-1000.0f), 0.0f);
    EXPECT_EQ(exponential(-infinity), 0.0f);
    // Below 2^-126 the result keeps what bits it can.
    EXPECT_EQ(exponential(-103.0f), floatFromBits(1));
    EXPECT_NEAR(exponential(-95.0f), std::exp(-95.0), 1.5e-45);
    EXPECT_TRUE(std::isnan(exponential(std::nanf(""))));
}

}  // namespace
}  // namespace brumo
