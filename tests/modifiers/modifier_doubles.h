// What the modifier tests drive the modifiers with: a modifier made through the module's class
// factory as a host makes it.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "brumo/class_ids.h"
#include "brumo/volume_modifier.h"
#include "qv/data_exchanger.h"
#include "tests/support/host_doubles.h"
#include "tests/support/module_objects.h"

namespace brumo::test {

// A modifier created by class id through the factory, held by one reference, with its
// exchanger interface at hand.
class ModifierRef {
public:
    explicit ModifierRef(const QVGuid& classId) {
        void* object = nullptr;
        EXPECT_EQ(createThroughFactory(classId, IID_IVolumeModifier, &object), qv::kOk);
        modifier_ = static_cast<IVolumeModifier*>(object);
        if (modifier_ == nullptr) return;
        void* exchanger = nullptr;
        EXPECT_EQ(modifier_->QueryInterface(qv::IID_IExDataExchanger, &exchanger), qv::kOk);
        exchanger_ = static_cast<IExDataExchanger*>(exchanger);
    }
    ~ModifierRef() {
        if (exchanger_ != nullptr) exchanger_->Release();
        if (modifier_ != nullptr) modifier_->Release();
    }
    ModifierRef(const ModifierRef&) = delete;
    ModifierRef& operator=(const ModifierRef&) = delete;

    explicit operator bool() const { return modifier_ != nullptr && exchanger_ != nullptr; }
    IVolumeModifier* get() const { return modifier_; }
    IExDataExchanger* exchanger() const { return exchanger_; }

    // The parameter block as the host addresses it.
    template <class Block>
    Block& block() const {
        return *static_cast<Block*>(exchanger_->parameterBlock());
    }
    // Reports written parameters, as the host does after an edit.
    void changed() const { EXPECT_EQ(exchanger_->parametersChanged(), qv::kOk); }

    // out starts as NaN so that a coordinate the modifier forgets to write shows.
    Vector3 deform(const Vector3& in) const {
        const float nan = std::numeric_limits<float>::quiet_NaN();
        Vector3 out{nan, nan, nan};
        modifier_->deformPoint(in, out);
        return out;
    }

private:
    IVolumeModifier* modifier_ = nullptr;
    IExDataExchanger* exchanger_ = nullptr;
};

inline bool finite(const Vector3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

}  // namespace brumo::test
