// The libFuzzer target (`make fuzz`): one reference host for the whole run, the module
// initialised with it once, and every input played as a fuzz case against them. A case that
// leaves something behind or lets an undocumented exception out ends the run like a crash.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/services/host_services.h"
#include "qv/entry_points.h"
#include "qv/memory.h"
#include "tests/fuzz/fuzz_case.h"

namespace {

brumo::host::HostServices* services = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Kept for the whole process, like a host that never unloads its plug-ins.
    services = brumo::host::HostServices::create().addRefed();
    qv::memoryServiceSlot() = &services->memory();
    QVDllInit(services);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string problems = brumo::fuzz::runCase(*services, data, size);
    if (!problems.empty()) {
        std::fprintf(stderr, "fuzz case failed:\n%s", problems.c_str());
        std::abort();
    }
    return 0;
}
