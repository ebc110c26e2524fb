// The ids of the panel controls the module reads and writes, and the value of a preset popup
// that shows no choice. The host's panel layouts give their controls the same ids.
#pragma once

#include <cstdint>

#include "qv/fourcc.h"

namespace brumo {

// The two banks of sixteen shape check boxes: entry k shows bit k of shapeFlags (density) and
// of colourShapeFlags (colour).
using CheckBoxBank = uint32_t[16];
inline constexpr CheckBoxBank kDensityCheckBoxes = {
    qv::fourcc("DPHU"), qv::fourcc("DPHD"), qv::fourcc("DNHU"), qv::fourcc("DNHD"),
    qv::fourcc("DPXC"), qv::fourcc("DPYC"), qv::fourcc("DPZC"), qv::fourcc("DNXC"),
    qv::fourcc("DNYC"), qv::fourcc("DNZC"), qv::fourcc("DXPo"), qv::fourcc("DYPo"),
    qv::fourcc("DZPo"), qv::fourcc("DXNe"), qv::fourcc("DYNe"), qv::fourcc("DZNe"),
};
inline constexpr CheckBoxBank kColourCheckBoxes = {
    qv::fourcc("FPHU"), qv::fourcc("FPHD"), qv::fourcc("FNHU"), qv::fourcc("FNHD"),
    qv::fourcc("FPXC"), qv::fourcc("FPYC"), qv::fourcc("FPZC"), qv::fourcc("FNXC"),
    qv::fourcc("FNYC"), qv::fourcc("FNZC"), qv::fourcc("FXPo"), qv::fourcc("FYPo"),
    qv::fourcc("FZPo"), qv::fourcc("FXNe"), qv::fourcc("FYNe"), qv::fourcc("FZNe"),
};

// An effect's panel.
constexpr uint32_t kDensityPresetPopup = qv::fourcc("DePr");
constexpr uint32_t kColourPresetPopup = qv::fourcc("CoPr");
constexpr uint32_t kNoPreset = qv::fourcc("NoPt");          // a popup's value after a choice
constexpr uint32_t kDensityFlagsField = qv::fourcc("Ramp");  // shows shapeFlags
constexpr uint32_t kColourFlagsField = qv::fourcc("ColR");   // shows colourShapeFlags
constexpr uint32_t kShaderPopup = qv::fourcc("ShPo");
constexpr uint32_t kShaderNameField = qv::fourcc("ShaN");
constexpr uint32_t kBuiltInIndexField = qv::fourcc("CusI");
constexpr uint32_t kNoiseOptionsGroup = qv::fourcc("Opti");  // active for a built-in pattern
constexpr uint32_t kSeedButton = qv::fourcc("SEED");         // also the noise modifier's
constexpr uint32_t kComponentsControl = qv::fourcc("Ctrl");  // sends component changes
constexpr uint32_t kPuffSeedButton = qv::fourcc("SpSe");     // Clouds
constexpr uint32_t kFireColourPopup = qv::fourcc("FirP");
constexpr uint32_t kSmogColourPopup = qv::fourcc("SmoP");

// The shader and mesh pickers.
constexpr uint32_t kListTypeItem = qv::fourcc("Type");  // init data: which shaders to list
constexpr uint32_t kShaderPickerPopup = qv::fourcc("ShaP");
constexpr uint32_t kShaderIndexField = qv::fourcc("PaID");
constexpr uint32_t kShaderPickerNameField = qv::fourcc("ShNa");
constexpr uint32_t kMeshPickerPopup = qv::fourcc("MesP");
constexpr uint32_t kMeshIndexField = qv::fourcc("MeID");
constexpr uint32_t kMeshNameField = qv::fourcc("MeNa");

}  // namespace brumo
