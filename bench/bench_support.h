// What the benchmark programs share: module objects made through the statically linked
// module's class object, and the choice of vector target for one benchmark.
#pragma once

#include <benchmark/benchmark.h>

#include <string>

#include "host/loader/module_loader.h"
#include "math/vector_lanes.h"
#include "qv/entry_points.h"

namespace brumo::bench {

// The object of the class, as the scene builder asks for it.
inline QVResult createFromModule(const QVGuid& classId, IQVUnknown** out) {
    return host::createThroughClassObject(&QVDllGetClassObject, classId, qv::IID_IQVUnknown,
                                          reinterpret_cast<void**>(out));
}

// False, with the benchmark skipped, when the effects could not be set up (problem says why)
// or the target is not one this machine runs; otherwise the target is selected.
inline bool readyToRun(benchmark::State& state, bool haveEffect, const std::string& problem,
                       const std::string& target) {
    if (!haveEffect) {
        state.SkipWithError(("the effects cannot be set up: " + problem).c_str());
        return false;
    }
    if (!selectVectorTarget(target.c_str())) {
        state.SkipWithError("this vector target is not available");
        return false;
    }
    return true;
}

}  // namespace brumo::bench
