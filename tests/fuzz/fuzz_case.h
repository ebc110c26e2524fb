// One fuzz case: the input bytes decide everything a hostile or careless host can do to an
// effect through the module's public surface, and the case checks that the module survives it
// and gives back everything it took. The libFuzzer target and the corpus replay test share it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace brumo::host {
class HostServices;
}

namespace brumo::fuzz {

// Runs the case against a module already initialised with `services`. Answers what went wrong
// (an undocumented exception, memory or references still out afterwards), empty when nothing
// did. Crashes and sanitizer findings end the process as usual.
std::string runCase(host::HostServices& services, const uint8_t* data, size_t size);

}  // namespace brumo::fuzz
