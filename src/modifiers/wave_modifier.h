// WaveModifier: a sine ripple. "Opt4" scales the cross-section along the main axis; "Opt1",
// "Opt2" and "Opt3" scale the main coordinate with a wave running along the second cross axis,
// the first cross axis or the distance from the main axis.
#pragma once

#include "brumo/parameter_blocks.h"
#include "frame/component.h"
#include "modifiers/basic_volume_modifier.h"

namespace brumo {

class WaveModifier final : public TQVComponent<WaveModifier, BasicVolumeModifier> {
public:
    WaveModifier();

    void QV_CALL deformPoint(const Vector3& in, Vector3& out) override;
    // In vector lanes for the whole vectors of a run (deformer_lanes.h).
    void deformPoints(int32_t count, const Vector3* in, Vector3* out) override;
    void updateCache();

    WaveParameters parameters;

    CubeRange range;  // as given in the radial mode
    float k;          // angular frequency: cycles π over the half range
    float phi;        // phase × π
    float h;          // amplitude × 0.5
};

}  // namespace brumo
