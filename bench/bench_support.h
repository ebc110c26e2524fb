// What the benchmark programs share: module objects made through the statically linked
// module's class factory, and the choice of vector target for one benchmark.
#pragma once

#include <benchmark/benchmark.h>

#include <string>

#include "math/vector_lanes.h"
#include "qv/class_factory.h"
#include "qv/entry_points.h"
#include "qv/result_codes.h"

namespace brumo::bench {

// The object of the class, as the scene builder asks for it.
inline QVResult createFromModule(const QVGuid& classId, IQVUnknown** out) {
    IQVClassFactory* factory = nullptr;
    const QVResult found =
        QVDllGetClassObject(classId, qv::IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (found != qv::kOk) return found;
    const QVResult made =
        factory->CreateInstance(nullptr, qv::IID_IQVUnknown, reinterpret_cast<void**>(out));
    factory->Release();
    return made;
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
