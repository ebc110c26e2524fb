// StretchModifier: redistributes the material along the main axis through
// H(t) = t + bias(b, smoothStep(s0, s1, t)) × m, normalised so the ends of the box stay put.
#pragma once

#include "brumo/parameter_blocks.h"
#include "frame/component.h"
#include "modifiers/basic_volume_modifier.h"

namespace brumo {

class StretchModifier final : public TQVComponent<StretchModifier, BasicVolumeModifier> {
public:
    StretchModifier();

    void QV_CALL deformPoint(const Vector3& in, Vector3& out) override;
    // In vector lanes for the whole vectors of a run (deformer_lanes.h).
    void deformPoints(int32_t count, const Vector3* in, Vector3* out) override;
    void updateCache();

    StretchParameters parameters;

    float s0;
    float s1;
    float b;   // 1 - curve, kept within [2^-14, 1 - 2^-14]
    float m;   // e^amount - 1
    float h0;  // H(0)
    float h1;  // H(1)

    float H(float t) const;
};

}  // namespace brumo
