// The two interfaces through which the host asks a volume primitive what a ray segment through
// it gathers. Positions in the comments count the three IQVUnknown operations.
#pragma once

#include "qv/scene_records.h"
#include "qv/unknown.h"

namespace qv {

constexpr QVGuid IID_IVolumePrimitive = qvGuid(0xAB40E1C1, 0x3A02, 0x101C, 0x885F, 0x04021C007002ULL);
constexpr QVGuid IID_I3DExNewVolumePrimitive =
    qvGuid(0xDF3B378E, 0x8C63, 0x4528, 0xBBD6, 0xE4F9BF61528DULL);

}  // namespace qv

// A ray of the host's renderer in the primitive's local space.
struct QVRay {
    QVVector3 origin;
    QVVector3 direction;
};

struct IVolumePrimitive : IQVUnknown {
    virtual QVResult QV_CALL volumeSlot4(intptr_t first, intptr_t second, intptr_t third) = 0;  // 4
    // Composites what the segment from start to end (local space) gathers over colour, in place.
    // The last three arguments are the caller's and are passed through unread.
    virtual QVResult QV_CALL integrateSegment(const QVVector3* start, const QVVector3* end,
                                              QVColourRecord* colour, void* outputRecord,
                                              int32_t flag, int32_t finalValue) = 0;  // 5
};

struct I3DExNewVolumePrimitive : IQVUnknown {
    virtual void QV_CALL newVolumeSlot4() = 0;  // 4
    virtual void QV_CALL newVolumeSlot5() = 0;  // 5
    // The same as integrateSegment for the span [startDistance, endDistance] of a ray. When
    // outputRecord (six floats) is given it receives zeros and then the resulting colour.
    virtual QVResult QV_CALL integrateRaySpan(intptr_t unused, const QVRay* ray,
                                              const double& startDistance, const double& endDistance,
                                              QVColourRecord* colour, float* outputRecord,
                                              intptr_t unused1, intptr_t unused2, intptr_t unused3,
                                              intptr_t unused4, intptr_t unused5,
                                              int32_t finalValue) = 0;  // 6
    virtual bool QV_CALL newVolumeSlot7() = 0;  // 7
};
