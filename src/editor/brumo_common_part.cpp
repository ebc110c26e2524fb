#include "editor/brumo_common_part.h"

#include "brumo/class_ids.h"
#include "editor/editor_support.h"
#include "frame/module_texts.h"
#include "frame/panel_controls.h"
#include "primitive/shape_presets.h"
#include "qv/exception.h"
#include "qv/host_editor.h"
#include "qv/memory.h"
#include "qv/strings.h"

namespace brumo {

uint32_t presetMask(int32_t code) { return shapePresetFlags(static_cast<uint32_t>(code)); }

QVResult BrumoCommonPart::queryInterfaceChain(const QVGuid& iid, void** out) {
    if (iid == CLSID_BrumoCommonPart) return answerQuery(this, out);
    return TBasicPart::queryInterfaceChain(iid, out);
}

bool BrumoCommonPart::receiveMessage(int32_t message, IQVUnknown* source, void*) {
    if (message == qv::kControlChanged) {
        QVCountedPtr<IMFPart> part;
        part.queryFrom(source, qv::IID_IMFPart);
        if (!part) return false;
        const uint32_t id = part->partId();
        if (id == kDensityPresetPopup) {
            setBank(kDensityCheckBoxes, presetMask(readInt(part.get(), -1)));
        } else if (id == kColourPresetPopup) {
            setBank(kColourCheckBoxes, presetMask(readInt(part.get(), -1)));
        } else if (id == kShaderPopup) {
            chooseShader(source, part.get());
        }
        return false;
    }
    if (message == qv::kPanelFilled) {
        // The check boxes follow the flag words the panel shows in "Ramp" and "ColR".
        IMFPart* host = hostPartInterface();
        const struct {
            uint32_t flagsId;
            const CheckBoxBank& bank;
        } banks[] = {{kDensityFlagsField, kDensityCheckBoxes}, {kColourFlagsField, kColourCheckBoxes}};
        for (const auto& entry : banks) {
            QVCountedPtr<IMFPart> flags = findPanelPart(host, entry.flagsId);
            if (!flags) continue;
            int32_t mask = 0;
            if (flags->getValue(&mask, qv::kValueInt32) != qv::kOk) continue;
            setBank(entry.bank, static_cast<uint32_t>(mask));
        }
        return false;
    }
    if (message >= qv::kComponentAttached && message <= qv::kComponentMoved) {
        if (source == nullptr) return false;
        forwardComponentChange(message, source);
        return true;
    }
    return message == qv::kPanelRefresh;
}

void BrumoCommonPart::setBank(const CheckBoxBank& bank, uint32_t mask) {
    IMFPart* host = hostPartInterface();
    if (host == nullptr) return;
    for (int i = 0; i < 16; ++i) {
        QVCountedPtr<IMFPart> box = findPanelPart(host, bank[i]);
        if (!box) continue;
        const bool on = ((mask >> i) & 1u) != 0;
        box->setValue(&on, qv::kValueBool, 0, 0);
    }
}

void BrumoCommonPart::chooseShader(IQVUnknown* source, IMFPart* popupPart) {
    QVCountedPtr<IMFPopup> popup;
    popup.queryFrom(source, qv::IID_IMFPopup);
    if (!popup) qv::raise(qv::kEditorPartError, "BrumoCommonPart", 273);
    if (popup->countItems() < 2) return;

    // The popup lists the scene's shaders, a separator, then the built-in patterns from 1 on.
    const int32_t chosen = readInt(popupPart, -1);
    if (IMFPart* host = hostPartInterface()) {
        QVCountedPtr<IMFPart> namePart = findPanelPart(host, kShaderNameField);
        QVCountedPtr<IMFPart> indexPart = findPanelPart(host, kBuiltInIndexField);
        QVCountedPtr<IMFPart> options = findPanelPart(host, kNoiseOptionsGroup);
        const int32_t shaders = scene ? scene->shaderCount() : 0;
        TQVFixedString<255> name;
        int32_t index = 0;
        int32_t optionsActive = 0;
        if (chosen < shaders) {
            QVCountedPtr<IQVShaderObject> shader;
            if (scene) scene->shaderAt(reinterpret_cast<IQVShaderObject**>(shader.slot()), chosen);
            if (shader) shader->shaderObjectName(&name);
        } else {
            index = chosen - shaders;
            builtInPatternName(index, name);
            optionsActive = 1;
        }
        if (namePart) namePart->setValue(&name, qv::kValueString, 0, 0);
        if (indexPart) indexPart->setValue(&index, qv::kValueInt32, 0, 0);
        if (options) options->setPartActive(optionsActive);
    }
    // The popup keeps one empty item until the shader popup part refills it.
    popup->removeAllItems();
    TQVString15 empty;
    popup->appendItem(&empty);
    if (IMFPart* host = hostPartInterface()) host->refreshPart();
}

void BrumoCommonPart::forwardComponentChange(int32_t message, IQVUnknown* source) {
    QVCountedPtr<IMFPart> sourcePart;
    sourcePart.queryFrom(source, qv::IID_IMFPart);
    if (sourcePart) (void)sourcePart->partId();

    QVCountedPtr<IMFComponentList> list;
    list.queryFrom(source, qv::IID_IMFComponentList);
    if (!list) return;

    QVCountedPtr<IMFResponder> responder;
    responder.queryFrom(hostPartInterface(), qv::IID_IMFResponder);
    if (!responder) return;  // nobody to tell; nothing was handed out yet

    // The primitive takes the record: it releases the list reference and frees the block.
    auto* record = static_cast<QVComponentChangeRecord*>(qv::allocateBlock(sizeof(QVComponentChangeRecord)));
    if (record != nullptr) {
        record->kind = message;
        record->list = list.get();
        record->list->AddRef();
    }
    responder->sendMessage(qv::kControlChanged, responder.get(), record);
}

void BrumoCommonPart::attachPart() { takeCurrentScene(scene); }

void BrumoCommonPart::detachPart() {
    scene.reset();
    TBasicPart::detachPart();
}

}  // namespace brumo
