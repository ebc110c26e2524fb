// BulgeModifier: a parabola along the main axis, 0 at lo and hi and amount midway, scales the
// cross-section; a positive amount keeps the middle and shrinks the ends, a negative one the
// opposite.
#pragma once

#include "brumo/parameter_blocks.h"
#include "frame/component.h"
#include "modifiers/basic_volume_modifier.h"

namespace brumo {

class BulgeModifier final : public TQVComponent<BulgeModifier, BasicVolumeModifier> {
public:
    BulgeModifier();

    void QV_CALL deformPoint(const Vector3& in, Vector3& out) override;
    // In vector lanes for the whole vectors of a run (deformer_lanes.h).
    void deformPoints(int32_t count, const Vector3* in, Vector3* out) override;
    void updateCache();

    BulgeParameters parameters;

    CubeRange range;
    // g(u) = u (u A + B) + C.
    float A;
    float B;
    float C;
};

}  // namespace brumo
