// The editor's events as the primitive takes them: check boxes and preset popups of the two
// shape panels, the seed button and the component list of modifiers.
#include "brumo/parameter_blocks.h"
#include "frame/module_state.h"
#include "frame/panel_controls.h"
#include "primitive/brumo_base.h"
#include "primitive/shape_presets.h"
#include "qv/host_editor.h"
#include "qv/memory.h"

namespace brumo {

namespace {

// Bit of the check box `id` in `bank`, or -1.
int checkBoxBit(const CheckBoxBank& bank, uint32_t id) {
    for (int bit = 0; bit < 16; ++bit)
        if (bank[bit] == id) return bit;
    return -1;
}

// Flips one bit of a flag word from a check box's value.
void applyCheckBox(IMFPart* part, int bit, uint32_t& flags) {
    bool checked = false;
    part->getValue(&checked, qv::kValueBool);
    const uint32_t mask = 1u << bit;
    if (checked)
        flags |= mask;
    else
        flags &= ~mask;
}

// Applies the preset the popup names and sets the popup back to "no selection".
void applyPresetPopup(IMFPart* part, bool colourBank, uint32_t& flags, FalloffPair (&falloffs)[16]) {
    int32_t code = -1;
    part->getValue(&code, qv::kValueInt32);
    applyShapePreset(static_cast<uint32_t>(code), colourBank, flags, falloffs);
    const int32_t none = static_cast<int32_t>(kNoPreset);
    part->setValue(&none, qv::kValueInt32, 0, 0);
}

}  // namespace

QVResult BrumoBase::handleEvent(int32_t kind, IQVUnknown* source, void* data) {
    EffectParameters& p = parameters;
    if (kind == qv::kControlChanged && source != nullptr) {
        QVCountedPtr<IMFPart> part;
        source->QueryInterface(qv::IID_IMFPart, part.slot());
        if (part) {
            const uint32_t id = part->partId();
            int bit = -1;
            if ((bit = checkBoxBit(kDensityCheckBoxes, id)) >= 0) {
                applyCheckBox(part.get(), bit, p.shapeFlags);
            } else if ((bit = checkBoxBit(kColourCheckBoxes, id)) >= 0) {
                applyCheckBox(part.get(), bit, p.colourShapeFlags);
            } else if (id == kDensityPresetPopup) {
                applyPresetPopup(part.get(), false, p.shapeFlags, p.shapeFalloffs);
            } else if (id == kColourPresetPopup) {
                applyPresetPopup(part.get(), true, p.colourShapeFlags, p.colourShapeFalloffs);
            } else if (id == kSeedButton) {
                if (IQVUtilityService* utility = utilityService())
                    p.seedValue = static_cast<float>(utility->nextRandom());
                reseedPending = 1;
            } else if (id == kComponentsControl) {
                // The record is ours whatever it says: release its reference and free it.
                auto* record = static_cast<QVComponentChangeRecord*>(data);
                if (record != nullptr) {
                    IMFComponentList* list = record->list;
                    record->list = nullptr;
                    if (list != nullptr && record->kind >= qv::kComponentAttached &&
                        record->kind <= qv::kComponentMoved) {
                        list->componentListSlot9(&p.dataComponents);
                        modifiersPending = 1;
                    }
                    if (list != nullptr) list->Release();
                    qv::freeBlock(record);
                    return qv::kHandled;
                }
            }
        }
    } else if (kind == qv::kComponentListChanged && source != nullptr) {
        QVCountedPtr<IMFComponentList> list;
        source->QueryInterface(qv::IID_IMFComponentList, list.slot());
        if (list) list->componentListSlot8(&p.dataComponents);
    }
    TBasicDataExchanger::handleEvent(kind, source, data);
    return qv::kHandled;
}

}  // namespace brumo
