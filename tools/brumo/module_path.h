// Where the CLI finds the module: --module, then $BRUMO_MODULE, then ../lib/libbrumo.so next to
// the executable.
#pragma once

#include <string>

namespace brumo::cli {

std::string modulePath(const std::string& fromOption);

}  // namespace brumo::cli
