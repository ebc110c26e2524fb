// Shaping curves of one value: soft and linear falloff windows, smooth step, Perlin's bias and gain.
#pragma once

#include "math/one_lane.h"

namespace brumo {

namespace shaping_one_lane {
namespace hn = one_lane;
#include "math/lane_types-inl.h"
#include "math/shaping_kernels-inl.h"
}  // namespace shaping_one_lane

// Wyvill's soft-object falloff over u = x / range: 1 at u = 0, 0 at u = 1.
inline float softObject(float x, float range) {
    return shaping_one_lane::softObject({}, {x}, {range}).raw;
}

// 1 below full, 0 from zero on, a ramp between.
inline float linearStep(float full, float zero, float x) {
    return shaping_one_lane::window({}, false, {full}, {zero}, {x}).raw;
}

inline float softStep(float full, float zero, float x) {
    return shaping_one_lane::window({}, true, {full}, {zero}, {x}).raw;
}

// Index into a shaping table of 10000 entries for v in [0, 1]: trunc(9999 v) within 0..9999.
inline int32_t shapingTableIndex(float v) { return shaping_one_lane::shapingTableIndex({}, {v}).raw; }

// 0 below edge0, 1 from edge1 on, a cubic between.
inline float smoothStep(float edge0, float edge1, float x) {
    return shaping_one_lane::smoothStepKernel({}, {edge0}, {edge1}, {x}).raw;
}

// t to the power ln b / ln 0.5: bias(b, 0.5) = b.
float bias(float b, float t);
// ln b / ln 0.5, the power bias raises t to.
float biasExponent(float b);

// Bias mirrored about the middle: steepens (g > 0.5) or flattens the curve around t = 0.5.
float gain(float g, float t);

}  // namespace brumo
