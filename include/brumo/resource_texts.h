// The module's own texts: string list 300 of its resources, read while the module's resource
// context (family "prim", identifier "Fire") is current. The host's resource service holds them.
#pragma once

#include <cstdint>

#include "qv/fourcc.h"

namespace brumo {

constexpr uint32_t kResourceFamily = qv::fourcc("prim");
constexpr uint32_t kResourceIdentifier = qv::fourcc("Fire");
constexpr int32_t kModuleStringList = 300;

constexpr int32_t kTextComputingShadows = 2;  // the shadow grid's progress bar
// The built-in patterns of noiseType 1 to 4.
constexpr int32_t kTextSpectralNoise = 3;
constexpr int32_t kTextTurbulence = 4;
constexpr int32_t kTextRidgedNoise = 5;
constexpr int32_t kTextFractalNoise = 6;
constexpr int32_t kTextNone = 8;  // "none chosen"

}  // namespace brumo
