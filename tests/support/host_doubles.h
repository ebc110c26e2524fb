// Host-side stand-ins the suites hand to the module where the reference host has no object of
// that kind: a part owner that counts what module code writes into parts, an object that is
// nothing but IQVUnknown, a scene shader whose value the test sets (also put in the host's
// scene for a while) and a volume modifier that deforms points through a function.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "brumo/volume_modifier.h"
#include "host/common/host_object.h"
#include "host/common/text.h"
#include "host/editor/host_part.h"
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

// A scene shader whose value the test sets; it keeps what each evaluation received.
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
    float QV_CALL evaluateColour(QVColourRecord* colour, uint8_t*, QVShadingRecord*) override {
        *colour = {1.0f, 1.0f, 1.0f, 1.0f};
        return 1.0f;
    }

    std::string name;
    float value;
    int evaluations = 0;
    float valueOnEntry = -1.0f;
    uint8_t flagOnEntry = 0xFF;
    QVShadingRecord record{};
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

}  // namespace brumo::test
