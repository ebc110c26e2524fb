#include "math/c_library.h"

#include <cmath>

namespace brumo {

void sineAndCosine(float x, float& sine, float& cosine) {
    cosine = std::cos(x);
    sine = std::sin(x);
}

float sine(float x) { return std::sin(x); }

float power(float x, float y) { return std::pow(x, y); }

}  // namespace brumo
