#include "math/shaping.h"

#include <cmath>

#include "math/c_library.h"

namespace brumo {

namespace {
// Computed once when the library loads, and kept in single precision.
const float lnHalf = static_cast<float>(std::log(0.5));
}  // namespace

float biasExponent(float b) { return std::log(b) / lnHalf; }

float bias(float b, float t) { return power(t, biasExponent(b)); }

float gain(float g, float t) {
    if (t < 0.5f) return bias(1.0f - g, 2.0f * t) / 2.0f;
    return 1.0f - bias(1.0f - g, 2.0f - 2.0f * t) / 2.0f;
}

}  // namespace brumo
