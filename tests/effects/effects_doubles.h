// What the effect tests drive the primitives with: an effect created through the class factory
// like a host would, and stand-ins for the host objects it talks to (a density shader, a popup
// part, volume modifiers).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "brumo/class_ids.h"
#include "brumo/volume_modifier.h"
#include "host/common/host_object.h"
#include "host/common/text.h"
#include "primitive/brumo_base.h"
#include "qv/class_factory.h"
#include "qv/entry_points.h"
#include "qv/host_editor.h"
#include "qv/scene.h"

namespace brumo::test {

// An effect primitive made through the module's factory, held by one reference.
class EffectRef {
public:
    explicit EffectRef(const QVGuid& classId) {
        IQVClassFactory* factory = nullptr;
        EXPECT_EQ(QVDllGetClassObject(classId, qv::IID_IClassFactory, reinterpret_cast<void**>(&factory)),
                  qv::kOk);
        if (factory == nullptr) return;
        void* object = nullptr;
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_BrumoBase, &object), qv::kOk);
        factory->Release();
        base_ = static_cast<BrumoBase*>(object);
    }
    ~EffectRef() {
        if (base_ != nullptr) base_->primaryUnknown()->Release();
    }
    EffectRef(const EffectRef&) = delete;
    EffectRef& operator=(const EffectRef&) = delete;

    BrumoBase* get() const { return base_; }
    BrumoBase* operator->() const { return base_; }
    EffectParameters& block() const { return base_->block(); }
    explicit operator bool() const { return base_ != nullptr; }

private:
    BrumoBase* base_ = nullptr;
};

// A host shader whose value the test sets; it records what each evaluation received.
class ValueShader final : public host::HostObject<IQVShaderObject, IQVShader> {
public:
    explicit ValueShader(std::string shaderName) : name(std::move(shaderName)) {}

    void QV_CALL shaderInterface(IQVShader** shader) override {
        host::fillSlot<IQVShader>(shader, this);
    }
    void QV_CALL shaderObjectName(TQVString* text) override { host::setText(text, name); }

    QVResult QV_CALL evaluateValue(float* result, uint8_t* flag, QVShadingRecord* record) override {
        ++evaluations;
        resultOnEntry = *result;
        flagOnEntry = *flag;
        point = record->point;
        position = record->position;
        *result = value;
        *flag = 1;
        return 12345;  // must not matter
    }
    float QV_CALL evaluateColour(QVColourRecord* colour, uint8_t*, QVShadingRecord*) override {
        *colour = {1.0f, 1.0f, 1.0f, 1.0f};
        return 1.0f;
    }

    std::string name;
    float value = 0.0f;
    int evaluations = 0;
    float resultOnEntry = -1.0f;
    uint8_t flagOnEntry = 0xFF;
    QVVector3 point{0.0f, 0.0f, 0.0f};
    QVVector3 position{0.0f, 0.0f, 0.0f};
};

// A control of the editor panel with a four-character id and an integer or boolean value.
class FakePart final : public host::HostObject<IMFPart> {
public:
    FakePart(uint32_t id, int32_t value) : id_(id), value_(value) {}

    uint32_t QV_CALL partId() override { return id_; }
    void QV_CALL setPartId(uint32_t id) override { id_ = id; }
    QVResult QV_CALL getValue(void* value, uint32_t type) override {
        if (type == qv::kValueInt32) {
            *static_cast<int32_t*>(value) = value_;
            return qv::kOk;
        }
        if (type == qv::kValueBool) {
            *static_cast<bool*>(value) = value_ != 0;
            return qv::kOk;
        }
        return qv::kNotImplemented;
    }
    QVResult QV_CALL setValue(const void* value, uint32_t type, int32_t, int32_t) override {
        if (type != qv::kValueInt32) return qv::kNotImplemented;
        value_ = *static_cast<const int32_t*>(value);
        ++writes;
        return qv::kOk;
    }
    int32_t value() const { return value_; }

    IMFPart* QV_CALL findPart(uint32_t) override { return nullptr; }
    void QV_CALL setPartActive(int32_t) override {}
    void QV_CALL refreshPart() override {}
    void QV_CALL hostPartSlot4() override {}
    void QV_CALL hostPartSlot5(intptr_t, intptr_t) override {}
    void QV_CALL hostPartSlot9() override {}
    void QV_CALL hostPartSlot10() override {}
    void QV_CALL hostPartSlot11() override {}
    void QV_CALL hostPartSlot12() override {}
    void QV_CALL hostPartSlot13() override {}
    void QV_CALL hostPartSlot14() override {}
    void QV_CALL hostPartSlot15() override {}
    void QV_CALL hostPartSlot16() override {}
    void QV_CALL hostPartSlot17() override {}
    void QV_CALL hostPartSlot18() override {}
    void QV_CALL hostPartSlot19() override {}
    void QV_CALL hostPartSlot20() override {}
    void QV_CALL hostPartSlot21() override {}
    void QV_CALL hostPartSlot22() override {}
    void QV_CALL hostPartSlot23() override {}
    void QV_CALL hostPartSlot24() override {}
    void QV_CALL hostPartSlot25() override {}
    void QV_CALL hostPartSlot28() override {}
    void QV_CALL hostPartSlot29() override {}
    void QV_CALL hostPartSlot30() override {}
    void QV_CALL hostPartSlot31() override {}
    void QV_CALL hostPartSlot32() override {}
    void QV_CALL hostPartSlot33() override {}
    void QV_CALL hostPartSlot34() override {}
    void QV_CALL hostPartSlot35() override {}
    void QV_CALL hostPartSlot36() override {}
    void QV_CALL hostPartSlot37() override {}
    void QV_CALL hostPartSlot38() override {}
    void QV_CALL hostPartSlot39() override {}
    void QV_CALL hostPartSlot40() override {}
    void QV_CALL hostPartSlot41() override {}
    void QV_CALL hostPartSlot44() override {}
    void QV_CALL hostPartSlot45() override {}
    void QV_CALL hostPartSlot46() override {}
    void QV_CALL hostPartSlot47() override {}
    void QV_CALL hostPartSlot48() override {}
    void QV_CALL hostPartSlot49() override {}
    void QV_CALL hostPartSlot50() override {}
    void QV_CALL hostPartSlot51() override {}
    void QV_CALL hostPartSlot52() override {}
    void QV_CALL hostPartSlot53(intptr_t, intptr_t) override {}
    void QV_CALL hostPartSlot54(intptr_t, intptr_t) override {}
    void QV_CALL hostPartSlot55(intptr_t) override {}

    int writes = 0;

protected:
    void* findInterface(const QVGuid& iid) override {
        return iid == qv::IID_IMFPart ? static_cast<IMFPart*>(this) : nullptr;
    }

private:
    uint32_t id_;
    int32_t value_;
};

// A volume modifier that deforms points through a function the test gives; `out` arrives as a
// copy of the input point, so a function may leave coordinates alone.
class FunctionModifier final : public host::HostObject<IVolumeModifier> {
public:
    explicit FunctionModifier(std::function<void(const Vector3&, Vector3&)> function)
        : deform(std::move(function)) {}

    void QV_CALL deformPoint(const Vector3& in, Vector3& out) override {
        ++calls;
        deform(in, out);
    }
    QVResult QV_CALL componentSlot4(intptr_t) override { return qv::kNotImplemented; }
    bool QV_CALL componentSlot5(intptr_t) override { return false; }
    void QV_CALL componentSlot6(intptr_t) override {}
    bool QV_CALL componentSlot7(intptr_t) override { return false; }
    bool QV_CALL componentSlot8(intptr_t) override { return false; }
    bool QV_CALL componentSlot9() override { return false; }

    std::function<void(const Vector3&, Vector3&)> deform;
    int calls = 0;

protected:
    void* findInterface(const QVGuid& iid) override {
        return iid == IID_IVolumeModifier ? static_cast<IVolumeModifier*>(this) : nullptr;
    }
};

// Puts modifiers into a primitive's list for the length of a test (each entry holds a
// reference) and empties the list again.
class ModifierList {
public:
    explicit ModifierList(BrumoBase* base) : base_(base) {}
    ~ModifierList() {
        for (IVolumeModifier* modifier : base_->modifiers) modifier->Release();
        base_->modifiers.clear();
    }
    void add(IVolumeModifier* modifier) {
        modifier->AddRef();
        ASSERT_TRUE(base_->modifiers.append(modifier));
    }

private:
    BrumoBase* base_;
};

}  // namespace brumo::test
