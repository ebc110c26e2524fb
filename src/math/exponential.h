// e^x for one float: the one-lane case of the vector kernel, so that the module's exponentials
// are the same bits in a run of lanes, one point at a time, and on every platform.
#pragma once

#include "math/one_lane.h"

namespace brumo {
namespace exp_one_lane {

namespace hn = one_lane;
#include "math/lane_types-inl.h"
#include "math/exp_kernels-inl.h"

}  // namespace exp_one_lane

inline float exponential(float x) { return exp_one_lane::expKernel(one_lane::FloatTag{}, one_lane::VecF{x}).raw; }

}  // namespace brumo
