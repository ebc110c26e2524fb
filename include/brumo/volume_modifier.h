// IVolumeModifier: the interface by which a primitive deforms its sample points through the
// modifiers attached to it. The data component operations, then deformPoint.
#pragma once

#include "brumo/vector3.h"
#include "qv/data_component.h"

namespace brumo {

constexpr QVGuid IID_IVolumeModifier = qvGuid(0xC347CC63, 0x1955, 0x4077, 0x9DC1, 0x25A79A359495ULL);

}  // namespace brumo

struct IVolumeModifier : I3DExDataComponent {
    // out = the point (normalised primitive space) at which the undeformed effect is evaluated
    // for the sample point in. in and out are separate vectors.
    virtual void QV_CALL deformPoint(const brumo::Vector3& in, brumo::Vector3& out) = 0;  // 10
};
