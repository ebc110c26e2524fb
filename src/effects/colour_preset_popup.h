// The colour preset popups of Fire and Smog: one control whose choices "Opt0".."Opt5" each load a
// preset gradient into the effect's colour gradient.
#pragma once

#include <cstdint>

#include "brumo/colour.h"
#include "qv/unknown.h"

namespace brumo {

constexpr int32_t kColourPopupChoices = 6;

// For a value-changed event from the control `popupId`: copies into gradient the preset that
// the control's value chooses (presets[k] for "Opt0" + k; nothing for any other value), then
// sets the control back to "NoPt" so that it shows no choice and the same choice can be made
// again. Other events and controls are left alone.
void applyColourPresetPopup(int32_t kind, IQVUnknown* source, uint32_t popupId,
                            const int32_t (&presets)[kColourPopupChoices], ColourGradient& gradient);

}  // namespace brumo
