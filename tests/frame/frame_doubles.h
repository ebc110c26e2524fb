// Small components built on the frame's base classes, and stand-ins for the host objects they
// talk to (an aggregating outer object, a host part, a host responder).
#pragma once

#include <cstdint>

#include "brumo/volume_modifier.h"
#include "frame/basic_data_component.h"
#include "frame/basic_part.h"
#include "frame/basic_primitive.h"
#include "frame/component.h"
#include "host/editor/host_part.h"
#include "qv/fourcc.h"

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

// A host part that aggregates a module part and records what the part passes on to it: the
// reference host's part, but plainly counted (it lives on the test's stack) and answering -1
// once the last reference is gone, the host's signal to destroy the inner part.
class FakeHostPart final : public host::HostPart {
public:
    FakeHostPart() : HostPart(qv::fourcc("Host"), host::PartKind::group) {}
    ~FakeHostPart() override = default;

    QVResult QV_CALL QueryInterface(const QVGuid& iid, void** out) override {
        if (iid == qv::IID_IMFPart) ++partQueries;
        if (iid == qv::IID_IMFResponder) ++responderQueries;
        return HostPart::QueryInterface(iid, out);
    }
    int32_t QV_CALL AddRef() override { return ++references; }
    int32_t QV_CALL Release() override {
        --references;
        return references == 0 ? -1 : references;
    }

    void QV_CALL hostPartSlot5(intptr_t first, intptr_t second) override { record(5, first, second); }
    void QV_CALL hostPartSlot53(intptr_t first, intptr_t second) override { record(53, first, second); }
    void QV_CALL hostPartSlot54(intptr_t first, intptr_t second) override { record(54, first, second); }
    void QV_CALL hostPartSlot55(intptr_t value) override { record(55, value, 0); }
    void QV_CALL hostResponderSlot9(intptr_t value) override { record(109, value, 0); }  // the responder's 9th

    int32_t references = 1;
    int partQueries = 0;
    int responderQueries = 0;
    int lastOperation = 0;
    intptr_t lastFirst = 0;
    intptr_t lastSecond = 0;

private:
    void record(int operation, intptr_t first, intptr_t second) {
        lastOperation = operation;
        lastFirst = first;
        lastSecond = second;
    }
};

}  // namespace brumo::test
