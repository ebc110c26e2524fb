// The libFuzzer target over scene files (`make fuzz-scenes`): every input is read as a scene
// file; a case that escapes the scene reader's own error ends the run like a crash.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/fuzz/scene_file/scene_file_case.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string problems = brumo::fuzz::runSceneFileCase(data, size);
    if (!problems.empty()) {
        std::fprintf(stderr, "scene file case failed:\n%s", problems.c_str());
        std::abort();
    }
    return 0;
}
