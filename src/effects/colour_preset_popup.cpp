#include "effects/colour_preset_popup.h"

#include "frame/panel_controls.h"
#include "primitive/colour_gradient.h"
#include "qv/counted_ptr.h"
#include "qv/fourcc.h"
#include "qv/host_editor.h"
#include "qv/result_codes.h"

namespace brumo {

namespace {

constexpr uint32_t kChoices[kColourPopupChoices] = {
    qv::fourcc("Opt0"), qv::fourcc("Opt1"), qv::fourcc("Opt2"),
    qv::fourcc("Opt3"), qv::fourcc("Opt4"), qv::fourcc("Opt5"),
};

}  // namespace

void applyColourPresetPopup(int32_t kind, IQVUnknown* source, uint32_t popupId,
                            const int32_t (&presets)[kColourPopupChoices], ColourGradient& gradient) {
    if (kind != qv::kControlChanged || source == nullptr) return;
    QVCountedPtr<IMFPart> part;
    if (part.queryFrom(source, qv::IID_IMFPart) != qv::kOk || !part || part->partId() != popupId)
        return;
    int32_t choice = -1;
    part->getValue(&choice, qv::kValueInt32);
    for (int32_t k = 0; k < kColourPopupChoices; ++k)
        if (static_cast<uint32_t>(choice) == kChoices[k]) copyPreset(presets[k], gradient);
    const int32_t none = static_cast<int32_t>(kNoPreset);
    part->setValue(&none, qv::kValueInt32, 0, 0);
}

}  // namespace brumo
