// Which vector instruction set the batched density paths use. The choice is made once, at the
// first call, from the CPU and the BRUMO_SIMD environment variable:
//   BRUMO_SIMD unset or "auto"  the best set this CPU runs
//   BRUMO_SIMD=scalar           no vector lanes: the runs of samples go one lane at a time, as in
//                               the builds without vector lanes (32-bit Linux and Windows)
//   BRUMO_SIMD=point            no runs either: every density is taken one point at a time, as
//                               the march of a host shader takes them (for comparisons)
//   BRUMO_SIMD=<name>           at most that set (one of the names vectorTargetAt gives)
#pragma once

#include <cstdint>

namespace brumo {

// Below this many points a batch is not worth the lanes: it takes one point at a time.
constexpr int32_t kFewestForLanes = 4;

// True when batches run in vector lanes; false with BRUMO_SIMD=scalar or point, or in a build
// without them.
bool vectorLanesEnabled();

// True when a batch of count points takes the vector lanes.
inline bool worthLanes(int32_t count) { return count >= kFewestForLanes && vectorLanesEnabled(); }

// True with BRUMO_SIMD=point: the march takes no runs of samples.
bool onePointSampling();

// Name of the instruction set in use, such as "AVX3" or "AVX2"; "scalar" without lanes, "point"
// without runs.
const char* vectorTargetName();

// The sets this build carries and this CPU runs, best first, then "scalar": names 0 to
// vectorTargetCount() - 1; null outside that range.
int32_t vectorTargetCount();
const char* vectorTargetAt(int32_t index);

// Switches to the named set (or "scalar", "point" or "auto"); false, changing nothing, for a name
// that vectorTargetAt does not give. For tests and benchmarks, which compare the paths in one
// process; not to be called while a render runs.
bool selectVectorTarget(const char* name);

}  // namespace brumo
