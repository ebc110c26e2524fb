// Which vector instruction set the batched density paths use. The choice is made once, at the
// first call, from the CPU and the BRUMO_SIMD environment variable:
//   BRUMO_SIMD unset or "auto"  the best set this CPU runs
//   BRUMO_SIMD=scalar           no vector lanes: every density is taken one point at a time
//   BRUMO_SIMD=<name>           at most that set (names as vectorTargetNames lists them)
#pragma once

#include <string>
#include <vector>

namespace brumo {

// True when batches run in vector lanes; false with BRUMO_SIMD=scalar or in a build without them.
bool vectorLanesEnabled();

// Name of the instruction set in use, such as "AVX3" or "AVX2"; "scalar" without lanes.
const char* vectorTargetName();

// Every set this build carries and this CPU runs, best first, then "scalar".
std::vector<std::string> vectorTargetNames();

// Switches to the named set (or "scalar", or "auto"); false, changing nothing, for a name not in
// vectorTargetNames. For tests and benchmarks, which compare the paths in one process; not to be
// called while a render runs.
bool selectVectorTarget(const std::string& name);

}  // namespace brumo
