// Module objects made as a host makes them: the class object from the statically linked
// module's QVDllGetClassObject, then CreateInstance on it.
#pragma once

#include <gtest/gtest.h>

#include "brumo/class_ids.h"
#include "brumo/parameter_codes.h"
#include "brumo/density_sampler.h"
#include "brumo/parameter_blocks.h"
#include "host/common/host_object.h"
#include "host/loader/module_loader.h"
#include "qv/class_factory.h"
#include "math/vector3.h"
#include "qv/data_exchanger.h"
#include "qv/entry_points.h"
#include "qv/geometric_primitive.h"
#include "qv/volume_primitive.h"

namespace brumo::test {

// The object of the class, aggregated by `outer` (may be null), as its interface `iid` in
// *object. Answers the code of the step that failed, or 0.
inline QVResult createThroughFactory(const QVGuid& classId, const QVGuid& iid, void** object,
                                     IQVUnknown* outer = nullptr) {
    return host::createThroughClassObject(&QVDllGetClassObject, classId, iid, object, outer);
}

// The factory's answer for the object as its IQVUnknown in *out, the way the host's scene
// builder asks for components.
inline QVResult createFromModule(const QVGuid& classId, IQVUnknown** out) {
    return createThroughFactory(classId, qv::IID_IQVUnknown, reinterpret_cast<void**>(out));
}

// The object as its IQVUnknown; null when the module does not build the class.
inline IQVUnknown* createModuleObject(const QVGuid& classId, IQVUnknown* outer = nullptr) {
    void* object = nullptr;
    createThroughFactory(classId, qv::IID_IQVUnknown, &object, outer);
    return static_cast<IQVUnknown*>(object);
}

// The object's interface iid, held by one reference; empty when the object does not answer it.
template <class Interface>
host::Ref<Interface> query(IQVUnknown* object, const QVGuid& iid) {
    host::Ref<Interface> result;
    object->QueryInterface(iid, reinterpret_cast<void**>(result.slot()));
    return result;
}

// An effect primitive made through the factory, held by one reference, and the interfaces a
// host asks it for. The interfaces are asked for once and their extra references given back at
// once, so the object's count stays what the host's one reference makes it.
class EffectRef {
public:
    explicit EffectRef(const QVGuid& classId) {
        void* object = nullptr;
        EXPECT_EQ(createThroughFactory(classId, qv::IID_IQVUnknown, &object), qv::kOk);
        unknown_ = static_cast<IQVUnknown*>(object);
        if (unknown_ == nullptr) return;
        exchanger_ = ask<IExDataExchanger>(qv::IID_IExDataExchanger);
        geometric_ = ask<I3DExGeometricPrimitive>(qv::IID_I3DExGeometricPrimitive);
        volume_ = ask<IVolumePrimitive>(qv::IID_IVolumePrimitive);
        newVolume_ = ask<I3DExNewVolumePrimitive>(qv::IID_I3DExNewVolumePrimitive);
        sampler_ = ask<IDensitySampler>(IID_IDensitySampler);
    }
    ~EffectRef() {
        if (unknown_ != nullptr) unknown_->Release();
    }
    EffectRef(const EffectRef&) = delete;
    EffectRef& operator=(const EffectRef&) = delete;

    IQVUnknown* primaryUnknown() const { return unknown_; }
    IExDataExchanger* exchangerInterface() const { return exchanger_; }
    I3DExGeometricPrimitive* geometricInterface() const { return geometric_; }
    IVolumePrimitive* volumeInterface() const { return volume_; }
    I3DExNewVolumePrimitive* newVolumeInterface() const { return newVolume_; }
    IDensitySampler* densitySamplerInterface() const { return sampler_; }
    // The block the host reads and writes, through the exchanger's own answer.
    EffectParameters& block() const { return *static_cast<EffectParameters*>(exchanger_->parameterBlock()); }
    QVResult parametersChanged() const { return exchanger_->parametersChanged(); }
    const EffectRef* operator->() const { return this; }
    const EffectRef& operator*() const { return *this; }
    explicit operator bool() const { return unknown_ != nullptr; }

private:
    template <class Interface>
    Interface* ask(const QVGuid& iid) {
        void* out = nullptr;
        EXPECT_EQ(unknown_->QueryInterface(iid, &out), qv::kOk);
        if (out != nullptr) static_cast<IQVUnknown*>(out)->Release();
        return static_cast<Interface*>(out);
    }

    IQVUnknown* unknown_ = nullptr;
    IExDataExchanger* exchanger_ = nullptr;
    I3DExGeometricPrimitive* geometric_ = nullptr;
    IVolumePrimitive* volume_ = nullptr;
    I3DExNewVolumePrimitive* newVolume_ = nullptr;
    IDensitySampler* sampler_ = nullptr;
};

// A class and the size of its whole parameter block, here and in a 32-bit build.
struct BlockSize {
    const char* name;
    QVGuid classId;
    size_t size;
    int32_t size32;
};

// The exchanger answers the size of the whole block.
inline void expectBlockSize(IExDataExchanger* exchanger, const BlockSize& expected) {
    SCOPED_TRACE(expected.name);
    EXPECT_EQ(exchanger->parameterBlockSize(), static_cast<int32_t>(expected.size));
#if defined(__i386__) || defined(_M_IX86)
    EXPECT_EQ(exchanger->parameterBlockSize(), expected.size32);
#endif
}

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
    PointSample sample;
    const float size = effect.block().size;
    const QVVector3 point{p.x * size, p.y * size, p.z * size};
    EXPECT_EQ(effect->densitySamplerInterface()->sampleAt(&point, &sample.density, &sample.shapeValue, nullptr), qv::kOk);
    return sample;
}

}  // namespace brumo::test
