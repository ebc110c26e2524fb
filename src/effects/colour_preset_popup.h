// The colour preset popups of Fire and Smog: one control whose choices "Opt0".."Opt5" each load a
// preset gradient into the effect's colour gradient.
#pragma once

#include <cstdint>

#include "brumo/colour.h"
#include "qv/unknown.h"

namespace brumo {

// One popup choice and the preset gradient it loads.
struct PopupPreset {
    uint32_t code;
    int32_t preset;
};

// For a value-changed event from the control `popupId`: copies the preset that the control's
// value names (no preset for any other value) into gradient, then sets the control back to
// "NoPt" so that it shows no choice and the same choice can be made again. Other events and
// controls are left alone.
void applyColourPresetPopup(int32_t kind, IQVUnknown* source, uint32_t popupId,
                            const PopupPreset* presets, int32_t presetCount,
                            ColourGradient& gradient);

template <int32_t N>
inline void applyColourPresetPopup(int32_t kind, IQVUnknown* source, uint32_t popupId,
                                   const PopupPreset (&presets)[N], ColourGradient& gradient) {
    applyColourPresetPopup(kind, source, popupId, presets, N, gradient);
}

}  // namespace brumo
