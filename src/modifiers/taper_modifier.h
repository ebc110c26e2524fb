// TaperModifier: narrows the cross-section toward one end of the main axis. Between lo and hi
// the cross coordinates are divided by a factor that rises smoothly from 1 - amount to 1.
#pragma once

#include "brumo/parameter_blocks.h"
#include "frame/component.h"
#include "modifiers/basic_volume_modifier.h"

namespace brumo {

class TaperModifier final : public TQVComponent<TaperModifier, BasicVolumeModifier> {
public:
    TaperModifier();

    void QV_CALL deformPoint(const Vector3& in, Vector3& out) override;
    // In vector lanes for the whole vectors of a run (deformer_lanes.h).
    void deformPoints(int32_t count, const Vector3* in, Vector3* out) override;
    void updateCache();

    TaperParameters parameters;

    CubeRange range;
};

}  // namespace brumo
