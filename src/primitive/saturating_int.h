// Float to integer conversion without overflow: the value is truncated toward zero and held
// within [low, high]; NaN gives low. A plain cast of a float outside the int range is undefined.
#pragma once

#include <cstdint>

namespace brumo {

inline int32_t saturatingInt(float value, int32_t low, int32_t high) {
    if (!(value >= static_cast<float>(low))) return low;
    if (value >= static_cast<float>(high)) return high;
    return static_cast<int32_t>(value);
}

}  // namespace brumo
