// ShiftModifier: slides the cross-section along both cross axes in proportion to the fraction
// along the main axis, and draws it at 1 / (1 + shift) of its size so the slid shape stays in
// the box.
#pragma once

#include "brumo/parameter_blocks.h"
#include "frame/component.h"
#include "modifiers/basic_volume_modifier.h"

namespace brumo {

class ShiftModifier final : public TQVComponent<ShiftModifier, BasicVolumeModifier> {
public:
    ShiftModifier();

    void QV_CALL deformPoint(const Vector3& in, Vector3& out) override;
    // In vector lanes for the whole vectors of a run (deformer_lanes.h).
    void deformPoints(int32_t count, const Vector3* in, Vector3* out) override;
    void updateCache();

    ShiftParameters parameters;

    FractionRange range;
    float g1;  // shiftFirst + 1
    float g2;   // shiftSecond + 1
};

}  // namespace brumo
