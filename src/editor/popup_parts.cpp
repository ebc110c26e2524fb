#include "editor/popup_parts.h"

#include "brumo/class_ids.h"
#include "brumo/resource_texts.h"
#include "editor/editor_support.h"
#include "frame/module_texts.h"
#include "frame/panel_controls.h"
#include "qv/exception.h"

namespace brumo {

namespace {

constexpr const char* kSource = "PopupParts";
constexpr uint32_t kListGrowth = 16;

// Appends a text, or raises when the list cannot grow.
void appendText(PopupList& list, const TQVString& text) {
    if (!list.append(TQVString15(text))) qv::raise(qv::kOutOfMemory);
}

}  // namespace

void fillPopup(IMFPart* hostPart, uint32_t id, const PopupList& list, int32_t trailing) {
    if (list.count() == 0) return;
    QVCountedPtr<IMFPart> part = findPanelPart(hostPart, id);
    if (!part) qv::raise(qv::kEditorPartError, kSource, 114);
    QVCountedPtr<IMFPopup> popup;
    popup.queryFrom(part.get(), qv::IID_IMFPopup);
    if (!popup) qv::raise(qv::kEditorPartError, kSource, 118);

    popup->removeAllItems();
    const int32_t sceneItems = list.count() - trailing;
    for (int32_t i = 0; i < sceneItems; ++i) popup->appendItem(&list[i]);
    popup->appendSeparator();
    for (int32_t i = sceneItems < 0 ? 0 : sceneItems; i < list.count(); ++i) popup->appendItem(&list[i]);
}

// The popup parts

void ScenePopupPart::attachPart() { takeCurrentScene(scene); }

void ScenePopupPart::detachPart() {
    scene.reset();
    TBasicPart::detachPart();
}

QVResult ShaderPopupPart::queryInterfaceChain(const QVGuid& iid, void** out) {
    if (iid == CLSID_ShaderPopupPart) return answerQuery(this, out);
    return TBasicPart::queryInterfaceChain(iid, out);
}

bool ShaderPopupPart::readInitData(uint32_t itemId, IQVUnknown* source) {
    if (itemId != kListTypeItem) return false;
    QVCountedPtr<IMFPart> item;
    item.queryFrom(source, qv::IID_IMFPart);
    listType = readInt(item.get(), listType);
    return true;
}

void ShaderPopupPart::prepareContent(int32_t* out, intptr_t, intptr_t) {
    if (scene) fillShaderPopup();
    if (out != nullptr) *out = 0;
}

void ShaderPopupPart::detachPart() {
    listType = 0;
    ScenePopupPart::detachPart();
}

void ShaderPopupPart::fillShaderPopup() {
    // The texts are read, and the popup filled, with the module's resources current.
    ModuleResourceScope resources;
    PopupList list(qv::kArrayZeroFill | kListGrowth);
    const int32_t shaders = scene->shaderCount();
    for (int32_t i = 0; i < shaders; ++i) {
        QVCountedPtr<IQVShaderObject> shader;
        scene->shaderAt(reinterpret_cast<IQVShaderObject**>(shader.slot()), i);
        TQVString15 name;
        if (shader) shader->shaderObjectName(&name);
        appendText(list, name);
    }
    int32_t fixedEntries = 0;
    if (listType == 0) {
        fixedEntries = 4;
        for (int32_t k = 1; k <= 4; ++k) {
            TQVString15 name;
            resources.loadText(builtInPatternText(k), name);
            appendText(list, name);
        }
    } else if (listType == 1) {
        fixedEntries = 1;
        TQVString15 none;
        resources.loadText(kTextNone, none);
        appendText(list, none);
    }
    if (IMFPart* host = hostPartInterface()) fillPopup(host, host->partId(), list, fixedEntries);
}

QVResult MeshPopupPart::queryInterfaceChain(const QVGuid& iid, void** out) {
    if (iid == CLSID_MeshPopupPart) return answerQuery(this, out);
    return TBasicPart::queryInterfaceChain(iid, out);
}

void MeshPopupPart::prepareContent(int32_t* out, intptr_t, intptr_t) {
    if (scene) fillMeshPopup();
    if (out != nullptr) *out = 0;
}

void MeshPopupPart::fillMeshPopup() {
    IMFPart* host = hostPartInterface();
    if (host == nullptr) return;
    ModuleResourceScope resources;
    PopupList list(qv::kArrayZeroFill | kListGrowth);
    const int32_t objects = scene->objectCount();
    for (int32_t i = 0; i < objects; ++i) {
        IQVSceneObject* object = scene->objectAt(i);  // borrowed
        QVCountedPtr<IQVMesh> mesh;
        mesh.queryFrom(object, qv::IID_Mesh);
        if (!mesh || mesh->meshKind() != qv::kTriangleMesh) continue;
        const QVObjectRecord* record = mesh->objectRecord();
        if (record == nullptr || record->renderable == 0) continue;
        QVCountedPtr<IQVUnknown> shape(mesh->objectShape());
        if (!shape) continue;
        shape.reset();
        mesh.reset();
        TQVString15 name;
        object->objectName(&name);
        appendText(list, name);
    }
    TQVString15 none;
    resources.loadText(kTextNone, none);
    appendText(list, none);
    fillPopup(host, host->partId(), list, 1);
}

// The choosers

void ChooserPart::detachPart() {
    scene.reset();
    TBasicPart::detachPart();
}

bool ChooserPart::readChoice(int32_t message, IQVUnknown* source, uint32_t popupId, int32_t& chosen,
                             TQVFixedString<255>& name) {
    if (message != qv::kControlChanged) return false;
    QVCountedPtr<IMFPart> popupPart;
    popupPart.queryFrom(source, qv::IID_IMFPart);
    if (!popupPart || popupPart->partId() != popupId) return false;
    chosen = readInt(popupPart.get(), -1);
    popupPart->getValue(&name, qv::kValueString);
    return true;
}

void ChooserPart::writeChoice(const TQVString& name, int32_t index) {
    IMFPart* host = hostPartInterface();
    if (host == nullptr) return;
    QVCountedPtr<IMFPart> namePart = findPanelPart(host, namePartId);
    QVCountedPtr<IMFPart> indexPart = findPanelPart(host, indexPartId);
    if (namePart) namePart->setValue(&name, qv::kValueString, 0, 0);
    if (indexPart) indexPart->setValue(&index, qv::kValueInt32, 0, 0);
}

void ChooserPart::resetPopup(IQVUnknown* source, int32_t line) {
    QVCountedPtr<IMFPopup> popup;
    popup.queryFrom(source, qv::IID_IMFPopup);
    if (!popup) qv::raise(qv::kEditorPartError, kSource, line);
    popup->removeAllItems();
    TQVString15 empty;
    popup->appendItem(&empty);
    if (IMFPart* host = hostPartInterface()) host->refreshPart();
}

QVResult ShaderChooserPart::queryInterfaceChain(const QVGuid& iid, void** out) {
    if (iid == CLSID_ShaderChooserPart) return answerQuery(this, out);
    return TBasicPart::queryInterfaceChain(iid, out);
}

bool ShaderChooserPart::readInitData(uint32_t itemId, IQVUnknown* source) {
    uint32_t* target = itemId == kShaderIndexField        ? &indexPartId
                       : itemId == kShaderPickerNameField ? &namePartId
                                                          : nullptr;
    if (target == nullptr) return false;
    QVCountedPtr<IMFPart> item;
    item.queryFrom(source, qv::IID_IMFPart);
    *target = static_cast<uint32_t>(readInt(item.get(), static_cast<int32_t>(*target)));
    return true;
}

void ShaderChooserPart::attachPart() {
    if (!takeCurrentScene(scene)) return;
    // The layout names the two controls "PaID" and "ShNa"; they take the ids the init data gave.
    IMFPart* host = hostPartInterface();
    QVCountedPtr<IMFPart> indexPart = findPanelPart(host, kShaderIndexField);
    if (indexPart) indexPart->setPartId(indexPartId);
    QVCountedPtr<IMFPart> namePart = findPanelPart(host, kShaderPickerNameField);
    if (namePart) namePart->setPartId(namePartId);
}

bool ShaderChooserPart::receiveMessage(int32_t message, IQVUnknown* source, void*) {
    int32_t chosen = -1;
    TQVFixedString<255> name;
    if (!readChoice(message, source, kShaderPickerPopup, chosen, name)) return false;
    // Scene shaders stand before the separator; fixed entry k stands k places after it.
    const int32_t shaders = scene ? scene->shaderCount() : 0;
    writeChoice(name, chosen < shaders ? 0 : chosen - shaders);
    resetPopup(source, 402);
    return false;
}

QVResult MeshChooserPart::queryInterfaceChain(const QVGuid& iid, void** out) {
    if (iid == CLSID_ShaderChooserPart) return answerQuery(this, out);
    return TBasicPart::queryInterfaceChain(iid, out);
}

void MeshChooserPart::attachPart() { takeCurrentScene(scene); }

bool MeshChooserPart::receiveMessage(int32_t message, IQVUnknown* source, void*) {
    int32_t chosen = -1;
    TQVFixedString<255> name;
    if (!readChoice(message, source, kMeshPickerPopup, chosen, name)) return false;
    if (hostPartInterface() != nullptr) {
        QVCountedPtr<IMFPopup> popup;
        popup.queryFrom(source, qv::IID_IMFPopup);
        if (!popup) qv::raise(qv::kEditorPartError, kSource, 613);
        // The last item is the fixed "none" entry.
        const int32_t items = popup->countItems();
        writeChoice(name, chosen < items - 1 ? 0 : 1);
    }
    resetPopup(source, 632);
    return false;
}

}  // namespace brumo
