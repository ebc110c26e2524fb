// What the primitive tests drive BrumoBase with: a test effect whose density the test chooses and
// whose samples it records, and stand-ins for the host's editor controls, component lists and
// the modifiers attached to a primitive.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "brumo/volume_modifier.h"
#include "frame/basic_data_component.h"
#include "frame/component.h"
#include "primitive/brumo_base.h"
#include "qv/host_editor.h"

namespace brumo::test {

// An effect whose density is a function the test sets (0 by default). It records every sample
// point and leaves `shape` in shapeValue.
class ProbeEffect final : public TQVComponent<ProbeEffect, BrumoBase> {
public:
    float QV_CALL sampleDensity(const Vector3& point) override {
        if (recording) samples.push_back(point);
        ++sampleCount;
        shapeValue = shape;
        return density ? density(point) : 0.0f;
    }
    int32_t QV_CALL parameterBlockSize() override { return static_cast<int32_t>(sizeof(EffectParameters)); }
    void QV_CALL prepareEffect() override { ++effectPreparations; }

    // A constant density everywhere.
    void setDensity(float value) {
        density = [value](const Vector3&) { return value; };
    }
    // Marches a segment given in local space; answers the resulting colour record.
    QVColourRecord march(const Vector3& from, const Vector3& to, QVColourRecord colour) {
        const QVVector3 start{from.x, from.y, from.z};
        const QVVector3 end{to.x, to.y, to.z};
        volumeInterface()->integrateSegment(&start, &end, &colour, nullptr, 0, 0);
        return colour;
    }
    void release() { primaryUnknown()->Release(); }

    std::function<float(const Vector3&)> density;
    float shape = 0.0f;
    bool recording = true;
    std::vector<Vector3> samples;
    long sampleCount = 0;
    int effectPreparations = 0;
};

// An effect that supplies no density of its own.
class BareEffect final : public TQVComponent<BareEffect, BrumoBase> {
public:
    int32_t QV_CALL parameterBlockSize() override { return static_cast<int32_t>(sizeof(EffectParameters)); }
};

// Owns one reference to a test effect for the length of a test.
template <class Effect>
class Held {
public:
    Held() : effect_(new Effect()) {}
    ~Held() {
        if (effect_ != nullptr) effect_->primaryUnknown()->Release();
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    Effect* operator->() const { return effect_; }
    Effect& operator*() const { return *effect_; }
    Effect* get() const { return effect_; }

private:
    Effect* effect_;
};

using Probe = Held<ProbeEffect>;

// Plain reference counting for the stand-ins below, which live on the test's stack.
#define BRUMO_TEST_COUNTING                                            \
    int32_t QV_CALL AddRef() override { return ++references; }        \
    int32_t QV_CALL Release() override { return --references; }       \
    int32_t references = 1;

#define BRUMO_PART_SLOT(n) \
    void QV_CALL hostPartSlot##n() override {}

// A control of the host's editor panel: an id and a value of one type.
class FakeControl final : public IMFPart {
public:
    FakeControl(uint32_t controlId, uint32_t valueType) : id(controlId), type(valueType) {}

    QVResult QV_CALL QueryInterface(const QVGuid& iid, void** out) override {
        qv::releaseSlot(out);
        if (!(iid == qv::IID_IMFPart || iid == qv::IID_IQVUnknown) || !answersPart) return qv::kNoInterface;
        AddRef();
        *out = static_cast<IMFPart*>(this);
        return qv::kOk;
    }
    BRUMO_TEST_COUNTING

    void QV_CALL hostPartSlot5(intptr_t, intptr_t) override {}
    IMFPart* QV_CALL findPart(uint32_t) override { return nullptr; }
    void QV_CALL setPartActive(int32_t) override {}
    void QV_CALL refreshPart() override {}
    uint32_t QV_CALL partId() override { return id; }
    void QV_CALL setPartId(uint32_t newId) override { id = newId; }
    QVResult QV_CALL getValue(void* value, uint32_t asType) override {
        if (asType != type) return qv::kNotImplemented;
        if (type == qv::kValueBool) *static_cast<bool*>(value) = checked;
        if (type == qv::kValueInt32) *static_cast<int32_t*>(value) = number;
        return qv::kOk;
    }
    QVResult QV_CALL setValue(const void* value, uint32_t asType, int32_t, int32_t) override {
        ++writes;
        if (asType != type) return qv::kNotImplemented;
        if (type == qv::kValueBool) checked = *static_cast<const bool*>(value);
        if (type == qv::kValueInt32) number = *static_cast<const int32_t*>(value);
        return qv::kOk;
    }
    BRUMO_PART_SLOT(4) BRUMO_PART_SLOT(9) BRUMO_PART_SLOT(10) BRUMO_PART_SLOT(11)
    BRUMO_PART_SLOT(12) BRUMO_PART_SLOT(13) BRUMO_PART_SLOT(14) BRUMO_PART_SLOT(15)
    BRUMO_PART_SLOT(16) BRUMO_PART_SLOT(17) BRUMO_PART_SLOT(18) BRUMO_PART_SLOT(19)
    BRUMO_PART_SLOT(20) BRUMO_PART_SLOT(21) BRUMO_PART_SLOT(22) BRUMO_PART_SLOT(23)
    BRUMO_PART_SLOT(24) BRUMO_PART_SLOT(25) BRUMO_PART_SLOT(28) BRUMO_PART_SLOT(29)
    BRUMO_PART_SLOT(30) BRUMO_PART_SLOT(31) BRUMO_PART_SLOT(32) BRUMO_PART_SLOT(33)
    BRUMO_PART_SLOT(34) BRUMO_PART_SLOT(35) BRUMO_PART_SLOT(36) BRUMO_PART_SLOT(37)
    BRUMO_PART_SLOT(38) BRUMO_PART_SLOT(39) BRUMO_PART_SLOT(40) BRUMO_PART_SLOT(41)
    BRUMO_PART_SLOT(44) BRUMO_PART_SLOT(45) BRUMO_PART_SLOT(46) BRUMO_PART_SLOT(47)
    BRUMO_PART_SLOT(48) BRUMO_PART_SLOT(49) BRUMO_PART_SLOT(50) BRUMO_PART_SLOT(51)
    BRUMO_PART_SLOT(52)
    void QV_CALL hostPartSlot53(intptr_t, intptr_t) override {}
    void QV_CALL hostPartSlot54(intptr_t, intptr_t) override {}
    void QV_CALL hostPartSlot55(intptr_t) override {}

    uint32_t id;
    uint32_t type;
    bool checked = false;
    int32_t number = 0;
    int writes = 0;
    bool answersPart = true;
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
    BRUMO_TEST_COUNTING

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

// A volume modifier that shifts points by `offset` and logs its parametersChanged calls.
class LoggingModifier final : public TQVComponent<LoggingModifier, TBasicDataComponent<IVolumeModifier>> {
public:
    LoggingModifier(std::vector<int>* callLog, int modifierName) : log(callLog), name(modifierName) {}

    void QV_CALL deformPoint(const Vector3& in, Vector3& out) override { out = in + offset; }
    QVResult QV_CALL parametersChanged() override {
        log->push_back(name);
        return qv::kOk;
    }
    int32_t QV_CALL parameterBlockSize() override { return 0; }
    QVResult queryInterfaceChain(const QVGuid& iid, void** out) {
        if (iid == IID_IVolumeModifier) return answerQuery(primaryInterface(), out);
        return TBasicDataComponent<IVolumeModifier>::queryInterfaceChain(iid, out);
    }
    IQVUnknown* unknown() { return primaryUnknown(); }
    int32_t references() { return refCount; }

    std::vector<int>* log;
    int name;
    Vector3 offset{0.0f, 0.0f, 0.0f};
};

// A data component that is not a modifier.
class PlainComponent final : public TQVComponent<PlainComponent, TBasicDataComponent<>> {
public:
    int32_t QV_CALL parameterBlockSize() override { return 0; }
    IQVUnknown* unknown() { return primaryUnknown(); }
};

}  // namespace brumo::test
