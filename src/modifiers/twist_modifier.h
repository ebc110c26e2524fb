// TwistModifier: rotates the cross-section about the main axis by an angle that grows from 0 at
// start to angle at end, and draws it at 1/√2 of its size so a square section fits at every angle.
#pragma once

#include "brumo/parameter_blocks.h"
#include "frame/component.h"
#include "modifiers/basic_volume_modifier.h"

namespace brumo {

class TwistModifier final : public TQVComponent<TwistModifier, BasicVolumeModifier> {
public:
    TwistModifier();

    void QV_CALL deformPoint(const Vector3& in, Vector3& out) override;
    // In vector lanes for the whole vectors of a run (deformer_lanes.h).
    void deformPoints(int32_t count, const Vector3* in, Vector3* out) override;
    void updateCache();

    TwistParameters parameters;

    FractionRange range;
    float k;  // 1.4142135
};

}  // namespace brumo
