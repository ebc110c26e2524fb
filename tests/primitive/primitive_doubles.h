// The modifiers the primitive tests attach besides the host's: one that logs its calls and a
// data component that is no modifier.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "brumo/volume_modifier.h"
#include "frame/basic_data_component.h"
#include "frame/component.h"
#include "math/vector3.h"
#include "tests/support/host_doubles.h"
#include "tests/support/probe_effect.h"

namespace brumo::test {

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
