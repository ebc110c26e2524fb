// BasicVolumeModifier: the base of the ten volume modifiers. A modifier maps a sample point of the
// primitive's normalised cube to the point at which the undeformed effect is looked up.
//
// The base answers the modifier interface, hands the host the concrete class's parameter block,
// and marks the cache stale when the host reports new values. A concrete modifier is completed by
// TQVComponent, which writes the reference counting and queries once:
//
//   class TaperModifier final : public TQVComponent<TaperModifier, BasicVolumeModifier> { ... };
//
// Its deformPoint starts with `if (needsUpdate) updateCache();`, and updateCache clears the flag.
#pragma once

#include <cstdint>

#include "brumo/parameter_codes.h"
#include "brumo/volume_modifier.h"
#include "frame/basic_data_component.h"

namespace brumo {

class GridInputs;

// A divisor not above 2^-14 sends the coordinate to 16384, far outside the cube where every
// effect is empty.
constexpr float kSmallestFactor = 6.103515625e-05f;
constexpr float kFarCoordinate = 16384.0f;

// A modifier's range [start, end] as fractions along the main axis, with inv = 1 / (s1 - s0)
// (start equal to end makes it a step).
struct FractionRange {
    float s0 = 0.0f;
    float s1 = 0.0f;
    float inv = 0.0f;

    void set(float start, float end) {
        s0 = start;
        s1 = end;
        inv = 1.0f / (s1 - s0);
    }
};

// A modifier's range [start, end] in the cube's -1..+1 coordinates along the main axis.
struct CubeRange {
    float lo = 0.0f;
    float hi = 0.0f;

    void set(float start, float end) {
        lo = 2.0f * start - 1.0f;
        hi = 2.0f * end - 1.0f;
    }
};

class BasicVolumeModifier : public TBasicDataComponent<IVolumeModifier> {
public:
    // No behaviour here: raises 0x80010003. Every concrete modifier supplies it.
    void QV_CALL deformPoint(const Vector3& in, Vector3& out) override;

    // IExDataExchanger.
    void* QV_CALL parameterBlock() override;
    QVResult QV_CALL parametersChanged() override;
    int32_t QV_CALL parameterBlockSize() override;

    // deformPoint for count points, in[i] to out[i] (separate arrays); a modifier with a faster
    // way overrides it.
    // Not part of the binary interface: only primitives of this module call it.
    virtual void deformPoints(int32_t count, const Vector3* in, Vector3* out);
    // What the deformation depends on, for the inputs of a primitive's shadow grid: the block's
    // bytes and the axis held from earlier codes. False when it depends on a host object.
    virtual bool addInputs(GridInputs& inputs) const;

    // The modifier interface (also as IID_BasicVolumeModifier), then the data component's.
    QVResult queryInterfaceChain(const QVGuid& iid, void** out);

    IVolumeModifier* modifierInterface() { return this; }

    // Set at construction and by parametersChanged; cleared by the next cache update.
    bool needsUpdate;

    // Axis indices of the last recognised axis code; (2, 0, 1) for "ZAXI" until then.
    int32_t mainAxis;
    int32_t firstCrossAxis;
    int32_t secondCrossAxis;

protected:
    // block and blockSize: the concrete class's parameter block, handed to the host as is.
    BasicVolumeModifier(void* block, int32_t blockSize);
    ~BasicVolumeModifier() = default;

    // Derives the three indices from an axis code; an unknown code keeps the previous axis.
    void updateAxis(uint32_t code);

private:
    void* block_;
    int32_t blockSize_;
};

}  // namespace brumo
