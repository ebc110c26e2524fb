// Test support for the editor suite: module objects created as a host creates them, and an
// edited object that records the events it receives.
#pragma once

#include <vector>

#include "brumo/class_ids.h"
#include "frame/module_state.h"
#include "host/common/host_object.h"
#include "host/editor/component_list.h"
#include "qv/class_factory.h"
#include "qv/data_exchanger.h"
#include "qv/entry_points.h"
#include "qv/memory.h"

namespace brumo::test {

inline int32_t liveModuleObjects() { return brumo::liveObjectCount(); }

// A module object of that class aggregated by outer (may be null), as its IQVUnknown; null
// when the module does not build the class.
inline IQVUnknown* createModuleObject(const QVGuid& classId, IQVUnknown* outer = nullptr) {
    IQVClassFactory* factory = nullptr;
    if (QVDllGetClassObject(classId, qv::IID_IClassFactory, reinterpret_cast<void**>(&factory)) != qv::kOk)
        return nullptr;
    IQVUnknown* object = nullptr;
    factory->CreateInstance(outer, qv::IID_IQVUnknown, reinterpret_cast<void**>(&object));
    factory->Release();
    return object;
}

// An edited object that keeps what its events said and, like a primitive, takes the "Ctrl"
// record: refills its component list from it, releases the reference and frees the block.
class RecordingObject final : public host::HostObject<IExDataExchanger> {
public:
    static host::Ref<RecordingObject> create() {
        return host::Ref<RecordingObject>::adopt(new RecordingObject);
    }

    struct Event {
        int32_t kind;
        uint32_t sourceId;
        int32_t recordKind;  // -1 without a record
    };
    std::vector<Event> events;
    QVClassArray<IQVUnknown*> components;
    int32_t parameterChanges = 0;

    void QV_CALL exchangerSlot4(void** out, intptr_t) override { qv::releaseSlot(out); }
    bool QV_CALL exchangerSlot5(intptr_t) override { return true; }
    QVResult QV_CALL exchangerSlot6(intptr_t, intptr_t) override { return qv::kNotImplemented; }
    QVResult QV_CALL exchangerSlot7(intptr_t, intptr_t) override { return qv::kNotImplemented; }
    void* QV_CALL parameterBlock() override { return nullptr; }
    QVResult QV_CALL parametersChanged() override {
        ++parameterChanges;
        return qv::kOk;
    }
    QVResult QV_CALL exchangerSlot10(intptr_t, intptr_t, intptr_t) override { return qv::kNotImplemented; }
    QVResult QV_CALL handleEvent(int32_t kind, IQVUnknown* source, void* data) override {
        Event event{kind, 0, -1};
        IMFPart* part = nullptr;
        if (source != nullptr && source->QueryInterface(qv::IID_IMFPart, reinterpret_cast<void**>(&part)) == qv::kOk) {
            event.sourceId = part->partId();
            part->Release();
        }
        if (event.sourceId == qv::fourcc("Ctrl") && data != nullptr) {
            auto* record = static_cast<host::ComponentChangeRecord*>(data);
            event.recordKind = record->kind;
            if (record->list != nullptr) {
                record->list->componentListSlot9(&components);
                record->list->Release();
            }
            qv::freeBlock(record);
        }
        events.push_back(event);
        return qv::kHandled;
    }
    void QV_CALL exchangerSlot12(int32_t* out) override { *out = 0; }
    int16_t QV_CALL exchangerSlot13() override { return 0; }
    int16_t QV_CALL exchangerSlot14() override { return 0; }
    QVResult QV_CALL exchangerSlot15() override { return qv::kNotImplemented; }
    QVResult QV_CALL exchangerSlot16() override { return qv::kExchangeDefault; }
    QVResult QV_CALL exchangerSlot17(intptr_t) override { return qv::kExchangeDefault; }
    int32_t QV_CALL parameterBlockSize() override { return 0; }

private:
    void* findInterface(const QVGuid& iid) override {
        return iid == qv::IID_IExDataExchanger ? static_cast<IExDataExchanger*>(this) : nullptr;
    }
    ~RecordingObject() override {
        for (IQVUnknown* held : components) held->Release();
    }
};

}  // namespace brumo::test
