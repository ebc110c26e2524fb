// ScaleModifier: divides each coordinate by its scale, so a scale above 1 draws the effect
// larger along that axis.
#pragma once

#include "brumo/parameter_blocks.h"
#include "frame/component.h"
#include "modifiers/basic_volume_modifier.h"

namespace brumo {

class ScaleModifier final : public TQVComponent<ScaleModifier, BasicVolumeModifier> {
public:
    ScaleModifier();

    void QV_CALL deformPoint(const Vector3& in, Vector3& out) override;
    // In vector lanes for the whole vectors of a run (deformer_lanes.h).
    void deformPoints(int32_t count, const Vector3* in, Vector3* out) override;
    void updateCache();

    ScaleParameters parameters;
};

}  // namespace brumo
