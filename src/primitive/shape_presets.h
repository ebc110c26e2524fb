// The shape presets of the density and colour preset popups. A preset replaces the whole flag
// word and writes some falloff pairs; the other pairs keep their values. The density popup names
// the presets "Opt1".."Opt5", the colour popup "Pre1".."Pre5".
#pragma once

#include <cstdint>

#include "brumo/parameter_blocks.h"
#include "qv/fourcc.h"

namespace brumo {

// The density popup's codes, by what each preset sets.
constexpr uint32_t kBallPreset = qv::fourcc("Opt1");        // both half balls
constexpr uint32_t kCylinderPreset = qv::fourcc("Opt2");    // the upright cylinder
constexpr uint32_t kBoxPreset = qv::fourcc("Opt3");         // fades towards all six faces
constexpr uint32_t kHollowCorePreset = qv::fourcc("Opt4");  // a hollow core along x
constexpr uint32_t kTopFadePreset = qv::fourcc("Opt5");     // a fade towards +z

// The preset `code` names in one bank's popup, applied to that bank's flags and falloffs; any
// other code clears the flags and writes no pair.
void applyShapePreset(uint32_t code, bool colourBank, uint32_t& flags, FalloffPair (&falloffs)[16]);

// The flag word of the preset that either popup's code names; 0 for any other code.
uint32_t shapePresetFlags(uint32_t code);

// Pairs first to last of falloffs set to value.
void setFalloffPairs(FalloffPair (&falloffs)[16], int first, int last, FalloffPair value);

}  // namespace brumo
