// The shader and mesh pickers. A popup part fills its host popup with the names found in the
// scene, a separator and fixed entries; a chooser part writes the user's pick into two other
// controls: a text control that receives the item's name and an integer control that tells a
// scene item (0) from a fixed entry (1 or more).
#pragma once

#include "frame/basic_part.h"
#include "frame/component.h"
#include "frame/panel_controls.h"
#include "qv/class_array.h"
#include "qv/scene.h"
#include "qv/strings.h"

namespace brumo {

using PopupList = QVClassArray<TQVString15>;

// Refills the panel popup with that id: the first count - trailing texts, a separator (always),
// then the trailing texts. An empty list leaves the popup alone. Raises 0x80010005 (source
// "PopupParts") when the panel has no such part (line 114) or it is no popup (line 118).
void fillPopup(IMFPart* hostPart, uint32_t id, const PopupList& list, int32_t trailing);

// What the two popup parts share: the scene they list from, taken when attached.
class ScenePopupPart : public TBasicPart {
public:
    void QV_CALL attachPart() override;
    void QV_CALL detachPart() override;

protected:
    ScenePopupPart() = default;
    ~ScenePopupPart() = default;

    QVCountedPtr<IQVScene> scene;
};

// Lists the scene's shaders followed by the built-in entries of its list type: 0 the four noise
// patterns, 1 the single "none" entry, anything else none.
class ShaderPopupPart final : public TQVComponent<ShaderPopupPart, ScenePopupPart> {
public:
    ShaderPopupPart() = default;

    // Item "Type" gives the list type.
    bool QV_CALL readInitData(uint32_t itemId, IQVUnknown* source) override;
    // Refills the popup from the scene.
    void QV_CALL prepareContent(int32_t* out, intptr_t first, intptr_t second) override;
    void QV_CALL detachPart() override;

    QVResult queryInterfaceChain(const QVGuid& iid, void** out);

    int32_t listTypeValue() const { return listType; }

private:
    friend TQVUnknownImpl<ShaderPopupPart, ScenePopupPart>;
    ~ShaderPopupPart() = default;

    void fillShaderPopup();

    // A layout without a "Type" item lists the four patterns, as after a detach.
    int32_t listType = 0;
};

// Lists the scene's renderable triangle meshes followed by the "none" entry.
class MeshPopupPart final : public TQVComponent<MeshPopupPart, ScenePopupPart> {
public:
    MeshPopupPart() = default;

    void QV_CALL prepareContent(int32_t* out, intptr_t first, intptr_t second) override;

    QVResult queryInterfaceChain(const QVGuid& iid, void** out);

private:
    friend TQVUnknownImpl<MeshPopupPart, ScenePopupPart>;
    ~MeshPopupPart() = default;

    void fillMeshPopup();
};

// What the two choosers share: the ids of their target controls and the scene.
class ChooserPart : public TBasicPart {
public:
    void QV_CALL detachPart() override;

protected:
    ChooserPart(uint32_t indexId, uint32_t nameId) : indexPartId(indexId), namePartId(nameId) {}
    ~ChooserPart() = default;

    // For a value-changed message from the panel's popup `popupId`: the chosen item and its text.
    // False for any other message or control.
    bool readChoice(int32_t message, IQVUnknown* source, uint32_t popupId, int32_t& chosen,
                    TQVFixedString<255>& name);
    // Writes the pick into the name and index controls (a control not found is skipped).
    void writeChoice(const TQVString& name, int32_t index);
    // Leaves one empty item in the popup and redraws this part. Raises 0x80010005 (source
    // "PopupParts") at `line` when the source is no popup.
    void resetPopup(IQVUnknown* source, int32_t line);

    uint32_t indexPartId;
    uint32_t namePartId;
    QVCountedPtr<IQVScene> scene;
};

// Reacts to the shader popup "ShaP": index 0 for a scene shader, k for fixed entry k.
class ShaderChooserPart final : public TQVComponent<ShaderChooserPart, ChooserPart> {
public:
    ShaderChooserPart() : TQVUnknownImpl(kShaderIndexField, kShaderPickerNameField) {}

    // Items "PaID" and "ShNa" give the ids of the index and name controls.
    bool QV_CALL readInitData(uint32_t itemId, IQVUnknown* source) override;
    // Takes the scene and gives the layout's "PaID" and "ShNa" controls the ids to use.
    void QV_CALL attachPart() override;
    bool QV_CALL receiveMessage(int32_t message, IQVUnknown* source, void* extra) override;

    QVResult queryInterfaceChain(const QVGuid& iid, void** out);

    uint32_t indexId() const { return indexPartId; }
    uint32_t nameId() const { return namePartId; }

private:
    friend TQVUnknownImpl<ShaderChooserPart, ChooserPart>;
    ~ShaderChooserPart() = default;
};

// Reacts to the mesh popup "MesP": index 0 for a scene mesh, 1 for the "none" entry.
class MeshChooserPart final : public TQVComponent<MeshChooserPart, ChooserPart> {
public:
    MeshChooserPart() : TQVUnknownImpl(kMeshIndexField, kMeshNameField) {}

    void QV_CALL attachPart() override;
    bool QV_CALL receiveMessage(int32_t message, IQVUnknown* source, void* extra) override;

    // Answers the shader chooser's class identifier as its identity.
    QVResult queryInterfaceChain(const QVGuid& iid, void** out);

private:
    friend TQVUnknownImpl<MeshChooserPart, ChooserPart>;
    ~MeshChooserPart() = default;
};

}  // namespace brumo
