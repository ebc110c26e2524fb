// Runs count independent items on a number of threads, the caller's among them. Only the caller's
// thread polls `stop` (between its items), so hooks that must run on the caller's thread can sit
// behind it. The first exception of any item passes through once every thread has stopped.
#pragma once

#include <functional>

namespace brumo::host {

// Answers false when `stop` asked to stop before every item was done.
bool runItems(int count, int threads, const std::function<void(int item)>& work,
              const std::function<bool()>& stop = {});

}  // namespace brumo::host
