#include "editor/brumo_common_part.h"

#include "brumo/class_ids.h"
#include "editor/editor_support.h"
#include "frame/module_texts.h"
#include "primitive/component_change.h"
#include "qv/exception.h"
#include "qv/fourcc.h"
#include "qv/memory.h"
#include "qv/strings.h"

namespace brumo {

const CheckBoxBank kDensityBank = {
    qv::fourcc("DPHU"), qv::fourcc("DPHD"), qv::fourcc("DNHU"), qv::fourcc("DNHD"),
    qv::fourcc("DPXC"), qv::fourcc("DPYC"), qv::fourcc("DPZC"), qv::fourcc("DNXC"),
    qv::fourcc("DNYC"), qv::fourcc("DNZC"), qv::fourcc("DXPo"), qv::fourcc("DYPo"),
    qv::fourcc("DZPo"), qv::fourcc("DXNe"), qv::fourcc("DYNe"), qv::fourcc("DZNe"),
};
const CheckBoxBank kColourBank = {
    qv::fourcc("FPHU"), qv::fourcc("FPHD"), qv::fourcc("FNHU"), qv::fourcc("FNHD"),
    qv::fourcc("FPXC"), qv::fourcc("FPYC"), qv::fourcc("FPZC"), qv::fourcc("FNXC"),
    qv::fourcc("FNYC"), qv::fourcc("FNZC"), qv::fourcc("FXPo"), qv::fourcc("FYPo"),
    qv::fourcc("FZPo"), qv::fourcc("FXNe"), qv::fourcc("FYNe"), qv::fourcc("FZNe"),
};

namespace {

constexpr int32_t kControlChanged = 5;
constexpr int32_t kPanelRefresh = 9;
constexpr int32_t kBanksFromFlags = 104;
constexpr int32_t kFirstComponentChange = 5102;
constexpr int32_t kLastComponentChange = 5104;

}  // namespace

uint32_t presetMask(int32_t code) {
    switch (static_cast<uint32_t>(code)) {
        case qv::fourcc("Opt1"): case qv::fourcc("Pre1"): return 0x0003;
        case qv::fourcc("Opt2"): case qv::fourcc("Pre2"): return 0x0040;
        case qv::fourcc("Opt3"): case qv::fourcc("Pre3"): return 0xFC00;
        case qv::fourcc("Opt4"): case qv::fourcc("Pre4"): return 0x0080;
        case qv::fourcc("Opt5"): case qv::fourcc("Pre5"): return 0x1000;
        default: return 0;
    }
}

QVResult BrumoCommonPart::queryInterfaceChain(const QVGuid& iid, void** out) {
    if (iid == CLSID_BrumoCommonPart) return answerQuery(this, out);
    return TBasicPart::queryInterfaceChain(iid, out);
}

bool BrumoCommonPart::receiveMessage(int32_t message, IQVUnknown* source, void*) {
    if (message == kControlChanged) {
        QVCountedPtr<IMFPart> part;
        part.queryFrom(source, qv::IID_IMFPart);
        if (!part) return false;
        const uint32_t id = part->partId();
        if (id == qv::fourcc("DePr")) {
            setBank(kDensityBank, presetMask(readInt(part.get(), -1)));
        } else if (id == qv::fourcc("CoPr")) {
            setBank(kColourBank, presetMask(readInt(part.get(), -1)));
        } else if (id == qv::fourcc("ShPo")) {
            chooseShader(source, part.get());
        }
        return false;
    }
    if (message == kBanksFromFlags) {
        // The check boxes follow the flag words the panel shows in "Ramp" and "ColR".
        IMFPart* host = hostPartInterface();
        const struct {
            uint32_t flagsId;
            const CheckBoxBank& bank;
        } banks[] = {{qv::fourcc("Ramp"), kDensityBank}, {qv::fourcc("ColR"), kColourBank}};
        for (const auto& entry : banks) {
            QVCountedPtr<IMFPart> flags = findPanelPart(host, entry.flagsId);
            if (!flags) continue;
            int32_t mask = 0;
            if (flags->getValue(&mask, qv::kValueInt32) != qv::kOk) continue;
            setBank(entry.bank, static_cast<uint32_t>(mask));
        }
        return false;
    }
    if (message >= kFirstComponentChange && message <= kLastComponentChange) {
        if (source == nullptr) return false;
        forwardComponentChange(message, source);
        return true;
    }
    return message == kPanelRefresh;
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
        QVCountedPtr<IMFPart> namePart = findPanelPart(host, qv::fourcc("ShaN"));
        QVCountedPtr<IMFPart> indexPart = findPanelPart(host, qv::fourcc("CusI"));
        QVCountedPtr<IMFPart> options = findPanelPart(host, qv::fourcc("Opti"));
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
    auto* record = static_cast<ComponentChangeRecord*>(qv::allocateBlock(sizeof(ComponentChangeRecord)));
    if (record != nullptr) {
        record->kind = message;
        record->list = list.get();
        record->list->AddRef();
    }
    responder->sendMessage(kControlChanged, responder.get(), record);
}

void BrumoCommonPart::attachPart() { takeCurrentScene(scene); }

void BrumoCommonPart::detachPart() {
    scene.reset();
    TBasicPart::detachPart();
}

}  // namespace brumo
