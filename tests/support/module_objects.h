// Module objects made as a host makes them: the class object from the statically linked
// module's QVDllGetClassObject, then CreateInstance on it.
#pragma once

#include <gtest/gtest.h>

#include "brumo/class_ids.h"
#include "brumo/density_sampler.h"
#include "brumo/parameter_blocks.h"
#include "host/loader/module_loader.h"
#include "primitive/brumo_base.h"
#include "qv/class_factory.h"
#include "qv/counted_ptr.h"
#include "qv/entry_points.h"

namespace brumo::test {

// The object of the class, aggregated by `outer` (may be null), as its interface `iid` in
// *object. Answers the code of the step that failed, or 0.
inline QVResult createThroughFactory(const QVGuid& classId, const QVGuid& iid, void** object,
                                     IQVUnknown* outer = nullptr) {
    return host::createThroughClassObject(&QVDllGetClassObject, classId, iid, object, outer);
}

// The object as its IQVUnknown; null when the module does not build the class.
inline IQVUnknown* createModuleObject(const QVGuid& classId, IQVUnknown* outer = nullptr) {
    void* object = nullptr;
    createThroughFactory(classId, qv::IID_IQVUnknown, &object, outer);
    return static_cast<IQVUnknown*>(object);
}

// An effect primitive made through the factory, held by one reference.
class EffectRef {
public:
    explicit EffectRef(const QVGuid& classId) {
        void* object = nullptr;
        EXPECT_EQ(createThroughFactory(classId, IID_BrumoBase, &object), qv::kOk);
        base_ = static_cast<BrumoBase*>(object);
    }
    ~EffectRef() {
        if (base_ != nullptr) base_->primaryUnknown()->Release();
    }
    EffectRef(const EffectRef&) = delete;
    EffectRef& operator=(const EffectRef&) = delete;

    BrumoBase* get() const { return base_; }
    BrumoBase* operator->() const { return base_; }
    BrumoBase& operator*() const { return *base_; }
    EffectParameters& block() const { return base_->block(); }
    explicit operator bool() const { return base_ != nullptr; }

private:
    BrumoBase* base_ = nullptr;
};

// What a host reads at a point of the cube through IDensitySampler, which first prepares the
// primitive as a render call does. The block's edits are announced first unless `announce` is
// false. The point is scaled by the block's size into local space (exactly, for the default
// size 4 or any other power of two).
struct PointSample {
    float density = -1.0f;
    float shapeValue = -1.0f;
};
inline PointSample sampleAt(const EffectRef& effect, const Vector3& p, bool announce = true) {
    if (announce) effect->exchangerInterface()->parametersChanged();
    QVCountedPtr<IDensitySampler> sampler;
    EXPECT_EQ(sampler.queryFrom(effect->primaryUnknown(), IID_IDensitySampler), qv::kOk);
    PointSample sample;
    const float size = effect.block().size;
    const QVVector3 point{p.x * size, p.y * size, p.z * size};
    EXPECT_EQ(sampler->sampleAt(&point, &sample.density, &sample.shapeValue, nullptr), qv::kOk);
    return sample;
}

}  // namespace brumo::test
