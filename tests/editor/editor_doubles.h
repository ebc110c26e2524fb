// Test support for the editor suite: the panel's way of creating module parts, an edited object
// that records the events it receives, a shifting modifier and the fixture that checks
// everything came back.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "brumo/class_ids.h"
#include "brumo/volume_modifier.h"
#include "frame/module_state.h"
#include "host/common/host_object.h"
#include "host/common/text.h"
#include "host/editor/component_list.h"
#include "host/editor/panel.h"
#include "host/scene/shaders.h"
#include "qv/data_exchanger.h"
#include "qv/memory.h"
#include "qv/scene.h"
#include "tests/support/host_doubles.h"
#include "tests/support/module_objects.h"
#include "tests/support/test_host.h"

namespace brumo::test {

inline int32_t liveModuleObjects() { return brumo::liveObjectCount(); }

// The code of a four-character text.
inline uint32_t id(const char* text) {
    const char code[5] = {text[0], text[1], text[2], text[3], '\0'};
    return qv::fourcc(code);
}

// How the panel builds module parts here: through the statically linked module's entry points.
inline host::ModuleObjectFactory moduleFactory() {
    return [](const QVGuid& classId, IQVUnknown* outer, IQVUnknown** object) {
        return createThroughFactory(classId, qv::IID_IQVUnknown, reinterpret_cast<void**>(object), outer);
    };
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

// A modifier that moves every sample point by `shift` along x and counts the points it was given.
inline host::Ref<FunctionModifier> shiftingModifier(float shift) {
    return FunctionModifier::create([shift](const Vector3& in, Vector3& out) {
        out = in;
        out.x += shift;
    });
}

// What the editor tests share: at the end the scene is emptied and every panel, part, record and
// text the module took is back.
class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        before = host().memory().counts();
        liveBefore = liveModuleObjects();
    }
    // Derived fixtures let go of their panels and objects first.
    void TearDown() override {
        host().scene().clear();
        const host::MemoryCounts after = host().memory().counts();
        EXPECT_EQ(liveModuleObjects(), liveBefore);
        EXPECT_EQ(after.liveObjects, before.liveObjects);
        EXPECT_EQ(after.liveBlocks, before.liveBlocks);
        EXPECT_EQ(host().resources().openContexts(), 0);
    }

    static void addShader(const char* name) {
        auto* shader = new host::ConstantColourShader(name, {0.5f, 0.5f, 0.5f, 1.0f});
        host().scene().addShader(shader);
        shader->Release();
    }

    host::MemoryCounts before;
    int32_t liveBefore = 0;
};

}  // namespace brumo::test
