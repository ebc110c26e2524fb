// What the primitive tests drive BrumoBase with besides the probe effect: an effect without a
// density, and stand-ins for the host's component list and the modifiers attached to a
// primitive.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "brumo/volume_modifier.h"
#include "frame/basic_data_component.h"
#include "frame/component.h"
#include "primitive/brumo_base.h"
#include "qv/fourcc.h"
#include "qv/host_editor.h"
#include "qv/memory.h"
#include "tests/support/host_doubles.h"
#include "tests/support/probe_effect.h"

namespace brumo::test {

// An effect that supplies no density of its own.
class BareEffect final : public TQVComponent<BareEffect, BrumoBase> {
public:
    int32_t QV_CALL parameterBlockSize() override { return static_cast<int32_t>(sizeof(EffectParameters)); }
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
inline QVResult reportComponentChange(BrumoBase& primitive, IMFComponentList* from, int32_t kind = 5103,
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
    return primitive.exchangerInterface()->handleEvent(5, ctrl->unknown(), record);
}

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
