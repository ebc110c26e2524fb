#include "effects/colour_preset_popup.h"

#include "primitive/colour_gradient.h"
#include "qv/counted_ptr.h"
#include "qv/fourcc.h"
#include "qv/host_editor.h"
#include "qv/result_codes.h"

namespace brumo {

namespace {

constexpr int32_t kControlChanged = 5;

}  // namespace

void applyColourPresetPopup(int32_t kind, IQVUnknown* source, uint32_t popupId,
                            const PopupPreset* presets, int32_t presetCount,
                            ColourGradient& gradient) {
    if (kind != kControlChanged || source == nullptr) return;
    QVCountedPtr<IMFPart> part;
    if (part.queryFrom(source, qv::IID_IMFPart) != qv::kOk || !part || part->partId() != popupId)
        return;
    int32_t choice = -1;
    part->getValue(&choice, qv::kValueInt32);
    for (int32_t i = 0; i < presetCount; ++i)
        if (static_cast<uint32_t>(choice) == presets[i].code) copyPreset(presets[i].preset, gradient);
    const int32_t none = static_cast<int32_t>(qv::fourcc("NoPt"));
    part->setValue(&none, qv::kValueInt32, 0, 0);
}

}  // namespace brumo
