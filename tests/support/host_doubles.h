// Host-side stand-ins the suites hand to the module where the reference host has no object of
// that kind: a part owner that counts what module code writes into parts, an object that is
// nothing but IQVUnknown, the list of components attached to a primitive and the editor's
// report that it changed, a scene shader whose value the test sets (also put in the host's
// scene for a while), a mesh object that is only a box and a volume modifier that deforms points
// through a function.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "brumo/volume_modifier.h"
#include "host/common/host_object.h"
#include "host/common/text.h"
#include "host/editor/host_part.h"
#include "qv/data_exchanger.h"
#include "qv/fourcc.h"
#include "qv/host_editor.h"
#include "qv/memory.h"
#include "qv/scene.h"
#include "tests/support/test_host.h"

namespace brumo::test {

// Stands in for the panel around loose host parts: counts the values module code writes into
// them, finds no other part and lets messages go nowhere.
class WriteCounter final : public host::PartOwner {
public:
    host::HostPart* findPartById(uint32_t) override { return nullptr; }
    void partValueWritten(host::HostPart&) override { ++writes; }
    void deliverMessage(host::HostPart&, int32_t, IQVUnknown*, void*) override {}
    void partMessage(host::HostPart&, int32_t) override {}

    int writes = 0;
};

// A loose part of the panel with that id holding `value`, reporting writes to `owner` (may be
// null).
inline host::Ref<host::HostPart> loosePart(uint32_t id, host::PartKind kind, int32_t value = 0,
                                           host::PartOwner* owner = nullptr) {
    host::Ref<host::HostPart> part = host::HostPart::create(id, kind);
    part->storeInt(value);
    part->setOwner(owner);
    return part;
}

// A host object that answers nothing but IQVUnknown.
class PlainObject final : public host::HostObject<IQVUnknown> {};

// A scene shader whose value the test sets; it keeps what each evaluation received (of value
// and of colour).
class ValueShader final : public host::HostObject<IQVShaderObject, IQVShader> {
public:
    explicit ValueShader(std::string shaderName, float shaderValue = 0.0f)
        : name(std::move(shaderName)), value(shaderValue) {}

    void QV_CALL shaderInterface(IQVShader** shader) override { host::fillSlot<IQVShader>(shader, this); }
    void QV_CALL shaderObjectName(TQVString* text) override { host::setText(text, name); }
    QVResult QV_CALL evaluateValue(float* result, uint8_t* flag, QVShadingRecord* shading) override {
        ++evaluations;
        valueOnEntry = *result;
        flagOnEntry = *flag;
        record = *shading;
        *result = value;
        *flag = 1;
        return 12345;  // must not matter
    }
    float QV_CALL evaluateColour(QVColourRecord* colour, uint8_t*, QVShadingRecord* shading) override {
        ++colourEvaluations;
        colourRecord = *shading;
        *colour = {1.0f, 1.0f, 1.0f, 1.0f};
        return 1.0f;
    }

    std::string name;
    float value;
    int evaluations = 0;
    float valueOnEntry = -1.0f;
    uint8_t flagOnEntry = 0xFF;
    QVShadingRecord record{};
    int colourEvaluations = 0;
    QVShadingRecord colourRecord{};
};

// A ValueShader in the host's scene for as long as this lives.
class SceneShader {
public:
    explicit SceneShader(const std::string& name, float value = 0.0f)
        : shader_(host::Ref<ValueShader>::adopt(new ValueShader(name, value))) {
        host().scene().addShader(shader_.get());
    }
    ~SceneShader() { host().scene().removeShader(shader_->name); }
    SceneShader(const SceneShader&) = delete;
    SceneShader& operator=(const SceneShader&) = delete;

    ValueShader* get() const { return shader_.get(); }
    ValueShader* operator->() const { return shader_.get(); }

private:
    host::Ref<ValueShader> shader_;
};

// What the mesh picker reads of a scene object (the mesh interface itself, the kind, the record
// with its renderable flag, the shape); each can be taken away.
struct MeshPickerView {
    bool answersMesh = true;
    int32_t kind = qv::kTriangleMesh;
    bool hasRecord = true;
    int32_t renderable = 1;
    bool hasShape = true;
};

// A scene object that is a mesh with a fixed box: its bounds widen the box they are handed to
// take it in (the space and widening asked for are kept), and it is never hit.
class FakeMesh final : public host::HostObject<IQVSceneObject, IQVMesh> {
public:
    using Picker = MeshPickerView;
    explicit FakeMesh(std::string objectName, Picker seen = {}, QVBox meshBox = {})
        : name(std::move(objectName)), box(meshBox), picker(seen), record_{1, 0, seen.renderable} {}
    static host::Ref<FakeMesh> create(std::string objectName, Picker seen = {}, QVBox meshBox = {}) {
        return host::Ref<FakeMesh>::adopt(new FakeMesh(std::move(objectName), seen, meshBox));
    }

    void QV_CALL objectName(TQVString* text) override { host::setText(text, name); }
    int32_t QV_CALL meshKind() override { return picker.kind; }
    void QV_CALL meshBounds(QVBox* out, int32_t space, int32_t widen) override {
        lastSpace = space;
        lastWiden = widen;
        out->min = {std::fmin(out->min.x, box.min.x), std::fmin(out->min.y, box.min.y),
                    std::fmin(out->min.z, box.min.z)};
        out->max = {std::fmax(out->max.x, box.max.x), std::fmax(out->max.y, box.max.y),
                    std::fmax(out->max.z, box.max.z)};
    }
    bool QV_CALL castRay(QVCastQuery*) override { return false; }
    const QVFacetData* QV_CALL meshData() override { return nullptr; }
    const QVObjectRecord* QV_CALL objectRecord() override { return picker.hasRecord ? &record_ : nullptr; }
    IQVUnknown* QV_CALL objectShape() override {
        if (!picker.hasShape) return nullptr;
        AddRef();  // the object stands for its own geometry
        return static_cast<IQVSceneObject*>(this);
    }

    std::string name;
    QVBox box;
    Picker picker;
    int32_t lastSpace = 0;
    int32_t lastWiden = 0;

protected:
    void* findInterface(const QVGuid& iid) override {
        return iid == qv::IID_Mesh && picker.answersMesh ? static_cast<IQVMesh*>(this) : nullptr;
    }

private:
    QVObjectRecord record_;
};

// A volume modifier that deforms points through a function the test gives, counting the points.
// The module hands `out` over as a copy of the input point, so a function may leave
// coordinates alone.
class FunctionModifier final : public host::HostObject<IVolumeModifier> {
public:
    using Deform = std::function<void(const Vector3&, Vector3&)>;
    static host::Ref<FunctionModifier> create(Deform function) {
        return host::Ref<FunctionModifier>::adopt(new FunctionModifier(std::move(function)));
    }
    explicit FunctionModifier(Deform function) : deform(std::move(function)) {}

    void QV_CALL deformPoint(const Vector3& in, Vector3& out) override {
        ++calls;
        deform(in, out);
    }
    QVResult QV_CALL componentSlot4(intptr_t) override { return qv::kNotImplemented; }
    bool QV_CALL componentSlot5(intptr_t) override { return true; }
    void QV_CALL componentSlot6(intptr_t) override {}
    bool QV_CALL componentSlot7(intptr_t) override { return false; }
    bool QV_CALL componentSlot8(intptr_t) override { return false; }
    bool QV_CALL componentSlot9() override { return false; }

    Deform deform;
    int64_t calls = 0;

protected:
    void* findInterface(const QVGuid& iid) override {
        return iid == IID_IVolumeModifier || iid == qv::IID_I3DExDataComponent ? static_cast<IVolumeModifier*>(this)
                                                                              : nullptr;
    }
};

// The host's list of components attached to a primitive: both fill operations replace the
// list's content with counted references to `attached`.
class FakeComponentList final : public IMFComponentList {
public:
    QVResult QV_CALL QueryInterface(const QVGuid& iid, void** out) override {
        qv::releaseSlot(out);
        if (!(iid == qv::IID_IMFComponentList || iid == qv::IID_IQVUnknown)) return qv::kNoInterface;
        AddRef();
        *out = static_cast<IMFComponentList*>(this);
        return qv::kOk;
    }
    // Plain counting: the list lives on the test's stack.
    int32_t QV_CALL AddRef() override { return ++references; }
    int32_t QV_CALL Release() override { return --references; }

    void QV_CALL componentListSlot4() override {}
    void QV_CALL componentListSlot5() override {}
    void QV_CALL componentListSlot6() override {}
    void QV_CALL componentListSlot7() override {}
    void QV_CALL componentListSlot8(QVClassArray<IQVUnknown*>* components) override {
        ++fills8;
        fill(components);
    }
    void QV_CALL componentListSlot9(QVClassArray<IQVUnknown*>* components) override {
        ++fills9;
        fill(components);
    }

    std::vector<IQVUnknown*> attached;
    int32_t references = 1;
    int fills8 = 0;
    int fills9 = 0;

private:
    void fill(QVClassArray<IQVUnknown*>* components) {
        for (IQVUnknown* held : *components)
            if (held != nullptr) held->Release();
        components->setCount(0);
        for (IQVUnknown* component : attached) {
            component->AddRef();
            components->append(component);
        }
    }
};

// The common editor part's report of a change of the attached components, as a "Ctrl" record
// from the part `ctrl` (a fresh one when null): 5102 to 5104 have the primitive refill its list
// from `from` and collect its modifiers again at the next call.
inline QVResult reportComponentChange(IExDataExchanger* primitive, IMFComponentList* from, int32_t kind = 5103,
                                      host::HostPart* ctrl = nullptr) {
    host::Ref<host::HostPart> own;
    if (ctrl == nullptr) {
        own = loosePart(qv::fourcc("Ctrl"), host::PartKind::integer);
        ctrl = own.get();
    }
    auto* record = static_cast<QVComponentChangeRecord*>(qv::allocateBlock(sizeof(QVComponentChangeRecord)));
    record->kind = kind;
    record->list = from;
    if (from != nullptr) from->AddRef();
    return primitive->handleEvent(5, ctrl->unknown(), record);
}

}  // namespace brumo::test
