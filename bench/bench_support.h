// What the benchmark programs share: module objects made through the statically linked
// module's class object, and the choice of vector target for one benchmark.
#pragma once

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "host/loader/module_loader.h"
#include "host/services/host_services.h"
#include "math/vector_lanes.h"
#include "qv/entry_points.h"
#include "qv/memory.h"

namespace brumo::bench {

// The object of the class, as the scene builder asks for it.
inline QVResult createFromModule(const QVGuid& classId, IQVUnknown** out) {
    return host::createThroughClassObject(&QVDllGetClassObject, classId, qv::IID_IQVUnknown,
                                          reinterpret_cast<void**>(out));
}

// The scene file of that name in the examples folder of the source tree this program was built
// from, so that a benchmark runs from any folder.
inline nlohmann::json readExample(const std::string& name) {
    const std::filesystem::path path = std::filesystem::path(BRUMO_EXAMPLES_DIR) / name;
    std::ifstream file(path);
    if (!file) throw std::runtime_error("cannot read " + path.string());
    return nlohmann::json::parse(file);
}

// The module, initialised with a reference host for as long as this lives.
struct ModuleWithHost {
    host::Ref<host::HostServices> services = host::HostServices::create();

    ModuleWithHost() {
        qv::memoryServiceSlot() = &services->memory();
        QVDllInit(services.get());
    }
    ~ModuleWithHost() {
        services->scene().clear();
        QVDllCleanUp();
        qv::memoryServiceSlot() = nullptr;
    }
    ModuleWithHost(const ModuleWithHost&) = delete;
    ModuleWithHost& operator=(const ModuleWithHost&) = delete;
};

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
