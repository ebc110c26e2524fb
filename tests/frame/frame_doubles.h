// Small components built on the frame's base classes, and stand-ins for the host objects they
// talk to (an aggregating outer object, a host part, a host responder).
#pragma once

#include <cstdint>

#include "brumo/volume_modifier.h"
#include "frame/basic_data_component.h"
#include "frame/basic_part.h"
#include "frame/basic_primitive.h"
#include "frame/component.h"

namespace brumo::test {

// A primitive that takes the defaults everywhere, queryBounds included.
class PlainPrimitive final : public TQVComponent<PlainPrimitive, TBasicPrimitive> {};

// A primitive with bounds and scale chosen by the test.
class BoxPrimitive final : public TQVComponent<BoxPrimitive, TBasicPrimitive> {
public:
    QVBox* QV_CALL queryBounds(QVBox* box) override {
        ++boundsQueries;
        *box = bounds;
        return box;
    }
    float QV_CALL unitScale() override { return scale; }
    void QV_CALL samplingSizes(float* fine, float* coarse) override {
        if (fixedSizes) {
            *fine = fixedFine;
            *coarse = fixedCoarse;
        } else {
            TBasicPrimitive::samplingSizes(fine, coarse);
        }
    }
    void setReferenceCount(int32_t count) { refCount = count; }

    QVBox bounds{{0.0f, 0.0f, 0.0f}, {0.0f, 2.0f, 4.0f}};
    float scale = 1.0f;
    bool fixedSizes = false;
    float fixedFine = 0.0f;
    float fixedCoarse = 0.0f;
    int boundsQueries = 0;
};

// A data component whose primary interface extends the data component interface, as the volume
// modifiers' does.
class TestModifier final : public TQVComponent<TestModifier, TBasicDataComponent<IVolumeModifier>> {
public:
    void QV_CALL deformPoint(const brumo::Vector3&, brumo::Vector3&) override { ++deformCalls; }
    QVResult queryInterfaceChain(const QVGuid& iid, void** out) {
        if (iid == brumo::IID_IVolumeModifier) return answerQuery(primaryInterface(), out);
        return TBasicDataComponent<IVolumeModifier>::queryInterfaceChain(iid, out);
    }
    int deformCalls = 0;
};

class PlainPart final : public TQVComponent<PlainPart, TBasicPart> {};

// A part whose primary 4th operation answers twice its value.
class DoublingPart final : public TQVComponent<DoublingPart, TBasicPart> {
public:
    int32_t QV_CALL primarySlot4(intptr_t value) override { return static_cast<int32_t>(value * 2); }
};

// A constructor that fails after the base classes were built.
class FailingPrimitive final : public TQVComponent<FailingPrimitive, TBasicPrimitive> {
public:
    FailingPrimitive() { qv::raise(qv::kEditorPartError, "FailingPrimitive", 7); }
};

// An IQVUnknown that counts what reaches it. Used as an aggregating outer object (it answers
// `extraIid` itself) and as something held in an out slot.
class CountingUnknown : public IQVUnknown {
public:
    QVResult QV_CALL QueryInterface(const QVGuid& iid, void** out) override {
        ++queries;
        qv::releaseSlot(out);
        if (iid != extraIid) return qv::kNoInterface;
        AddRef();
        *out = static_cast<IQVUnknown*>(this);
        return qv::kOk;
    }
    int32_t QV_CALL AddRef() override {
        ++addRefs;
        return ++references;
    }
    // Answers -1 once the last reference is gone, the host's signal to destroy the inner object.
    int32_t QV_CALL Release() override {
        ++releases;
        --references;
        return references == 0 ? -1 : references;
    }

    QVGuid extraIid = qvGuid(0x12345678, 0x1234, 0x1234, 0x1234, 0x123456789ABCULL);
    int32_t references = 1;
    int queries = 0;
    int addRefs = 0;
    int releases = 0;
};

#define BRUMO_NOOP_HOST_PART_SLOT(n) \
    void QV_CALL hostPartSlot##n() override {}

// A host part that aggregates a module part and records what the part passes on to it.
class FakeHostPart : public IMFPart, public IMFResponder {
public:
    QVResult QV_CALL QueryInterface(const QVGuid& iid, void** out) override {
        qv::releaseSlot(out);
        void* found = nullptr;
        if (iid == qv::IID_IMFPart) {
            ++partQueries;
            found = static_cast<IMFPart*>(this);
        } else if (iid == qv::IID_IMFResponder) {
            ++responderQueries;
            found = static_cast<IMFResponder*>(this);
        } else if (iid == qv::IID_IQVUnknown) {
            found = static_cast<IMFPart*>(this);
        }
        if (found == nullptr) return qv::kNoInterface;
        AddRef();
        *out = found;
        return qv::kOk;
    }
    int32_t QV_CALL AddRef() override { return ++references; }
    // Answers -1 once the last reference is gone, the host's signal to destroy the inner part.
    int32_t QV_CALL Release() override {
        --references;
        return references == 0 ? -1 : references;
    }

    void QV_CALL hostPartSlot5(intptr_t first, intptr_t second) override {
        lastOperation = 5;
        lastFirst = first;
        lastSecond = second;
    }
    IMFPart* QV_CALL findPart(uint32_t) override { return nullptr; }
    void QV_CALL setPartActive(int32_t) override {}
    void QV_CALL refreshPart() override {}
    uint32_t QV_CALL partId() override { return qv::fourcc("Host"); }
    void QV_CALL setPartId(uint32_t) override {}
    QVResult QV_CALL getValue(void*, uint32_t) override { return qv::kNotImplemented; }
    QVResult QV_CALL setValue(const void*, uint32_t, int32_t, int32_t) override {
        return qv::kNotImplemented;
    }
    void QV_CALL hostPartSlot53(intptr_t first, intptr_t second) override {
        lastOperation = 53;
        lastFirst = first;
        lastSecond = second;
    }
    void QV_CALL hostPartSlot54(intptr_t first, intptr_t second) override {
        lastOperation = 54;
        lastFirst = first;
        lastSecond = second;
    }
    void QV_CALL hostPartSlot55(intptr_t value) override {
        lastOperation = 55;
        lastFirst = value;
        lastSecond = 0;
    }
    void QV_CALL hostResponderSlot9(intptr_t value) override {
        lastOperation = 109;  // the responder's 9th
        lastFirst = value;
        lastSecond = 0;
    }
    void QV_CALL sendMessage(int32_t, IQVUnknown*, void*) override {}

    BRUMO_NOOP_HOST_PART_SLOT(4)
    BRUMO_NOOP_HOST_PART_SLOT(9) BRUMO_NOOP_HOST_PART_SLOT(10) BRUMO_NOOP_HOST_PART_SLOT(11)
    BRUMO_NOOP_HOST_PART_SLOT(12) BRUMO_NOOP_HOST_PART_SLOT(13) BRUMO_NOOP_HOST_PART_SLOT(14)
    BRUMO_NOOP_HOST_PART_SLOT(15) BRUMO_NOOP_HOST_PART_SLOT(16) BRUMO_NOOP_HOST_PART_SLOT(17)
    BRUMO_NOOP_HOST_PART_SLOT(18) BRUMO_NOOP_HOST_PART_SLOT(19) BRUMO_NOOP_HOST_PART_SLOT(20)
    BRUMO_NOOP_HOST_PART_SLOT(21) BRUMO_NOOP_HOST_PART_SLOT(22) BRUMO_NOOP_HOST_PART_SLOT(23)
    BRUMO_NOOP_HOST_PART_SLOT(24) BRUMO_NOOP_HOST_PART_SLOT(25) BRUMO_NOOP_HOST_PART_SLOT(28)
    BRUMO_NOOP_HOST_PART_SLOT(29) BRUMO_NOOP_HOST_PART_SLOT(30) BRUMO_NOOP_HOST_PART_SLOT(31)
    BRUMO_NOOP_HOST_PART_SLOT(32) BRUMO_NOOP_HOST_PART_SLOT(33) BRUMO_NOOP_HOST_PART_SLOT(34)
    BRUMO_NOOP_HOST_PART_SLOT(35) BRUMO_NOOP_HOST_PART_SLOT(36) BRUMO_NOOP_HOST_PART_SLOT(37)
    BRUMO_NOOP_HOST_PART_SLOT(38) BRUMO_NOOP_HOST_PART_SLOT(39) BRUMO_NOOP_HOST_PART_SLOT(40)
    BRUMO_NOOP_HOST_PART_SLOT(41) BRUMO_NOOP_HOST_PART_SLOT(44) BRUMO_NOOP_HOST_PART_SLOT(45)
    BRUMO_NOOP_HOST_PART_SLOT(46) BRUMO_NOOP_HOST_PART_SLOT(47) BRUMO_NOOP_HOST_PART_SLOT(48)
    BRUMO_NOOP_HOST_PART_SLOT(49) BRUMO_NOOP_HOST_PART_SLOT(50) BRUMO_NOOP_HOST_PART_SLOT(51)
    BRUMO_NOOP_HOST_PART_SLOT(52)

    void QV_CALL hostResponderSlot4() override {}
    void QV_CALL hostResponderSlot5() override {}
    void QV_CALL hostResponderSlot6() override {}
    void QV_CALL hostResponderSlot7() override {}
    void QV_CALL hostResponderSlot8() override {}
    void QV_CALL hostResponderSlot10() override {}

    int32_t references = 1;
    int partQueries = 0;
    int responderQueries = 0;
    int lastOperation = 0;
    intptr_t lastFirst = 0;
    intptr_t lastSecond = 0;
};

#undef BRUMO_NOOP_HOST_PART_SLOT

}  // namespace brumo::test
