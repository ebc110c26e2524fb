// Which vector instruction set the batched density paths use. The choice is made once, at the
// first call, from the CPU and the BRUMO_SIMD environment variable:
//   BRUMO_SIMD unset or "auto"  the best set this CPU runs
//   BRUMO_SIMD=scalar           no vector lanes: every density is taken one point at a time
//   BRUMO_SIMD=<name>           at most that set (one of the names vectorTargetAt gives)
#pragma once

#include <cstdint>

namespace brumo {

// Below this many points a batch is not worth the lanes: it takes one point at a time.
constexpr int32_t kFewestForLanes = 4;

// True when batches run in vector lanes; false with BRUMO_SIMD=scalar or in a build without them.
bool vectorLanesEnabled();

// Name of the instruction set in use, such as "AVX3" or "AVX2"; "scalar" without lanes.
const char* vectorTargetName();

// The sets this build carries and this CPU runs, best first, then "scalar": names 0 to
// vectorTargetCount() - 1; null outside that range.
int32_t vectorTargetCount();
const char* vectorTargetAt(int32_t index);

// Switches to the named set (or "scalar", or "auto"); false, changing nothing, for a name that
// vectorTargetAt does not give. For tests and benchmarks, which compare the paths in one
// process; not to be called while a render runs.
bool selectVectorTarget(const char* name);

}  // namespace brumo
