// PunchModifier: dents the positive half of the main axis (the negative half when inverted)
// around the axis, most strongly on it and fading with the distance in units of radius.
#pragma once

#include "brumo/parameter_blocks.h"
#include "frame/component.h"
#include "modifiers/basic_volume_modifier.h"

namespace brumo {

class PunchModifier final : public TQVComponent<PunchModifier, BasicVolumeModifier> {
public:
    PunchModifier();

    void QV_CALL deformPoint(const Vector3& in, Vector3& out) override;
    // In vector lanes for the whole vectors of a run (deformer_lanes.h).
    void deformPoints(int32_t count, const Vector3* in, Vector3* out) override;
    void updateCache();

    PunchParameters parameters;
};

}  // namespace brumo
