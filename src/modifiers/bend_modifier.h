// BendModifier: stores a bend angle, a second value, a range and an axis, and derives its
// cache, but its point operation is the identity: no bending rule is defined for it.
#pragma once

#include "brumo/parameter_blocks.h"
#include "frame/component.h"
#include "modifiers/basic_volume_modifier.h"

namespace brumo {

class BendModifier final : public TQVComponent<BendModifier, BasicVolumeModifier> {
public:
    BendModifier();

    void QV_CALL deformPoint(const Vector3& in, Vector3& out) override;
    void updateCache();

    BendParameters parameters;

    FractionRange range;  // inv is read by nothing, so start equal to end does no harm
    float factor;         // 2.0
};

}  // namespace brumo
