// IDensitySampler: what an effect holds at given points, for hosts that want the volume itself
// rather than rendered segments (baking to voxel grids, collision, scattering of their own).
// Every effect primitive answers it beside its render interfaces; a host that never asks for it
// sees no change. Positions in the comments count the three IQVUnknown operations.
//
// Points are in the primitive's local space, as integrateSegment's ends are: the effect fills
// the cube [-size, size]³ (queryBounds). Each call first brings the primitive up to date exactly
// as a render call does (modifiers, noise seed, everything derived from the parameters, the
// scene's lights and shaders), under the primitive's lock, and then evaluates the march's own
// functions, so the numbers are those a render sees at the same point:
//
// - density: the effect's density, before the density amount and absorption turn it into
//   optical depth (one march sample over a length L adds 2 × densityAmount × L × density, in
//   units where the cube's edge is 2);
// - shape value: the effect's secondary value at the point, which the colour mapping reads;
// - colour: the sample's own colour from the colour gradient or the colour shader, straight
//   RGBA. The shadow grid's darkening is not applied: it depends on the lights, and a baked
//   volume is usually lit again elsewhere. Without a gradient or an available shader the
//   colour is (0, 0, 0, 0).
//
// With mesh shaping on, the mesh is cast along a line through each point parallel to the local
// x axis, entering where the march's mesh ray would; consecutive points on one such line share
// the cast. A primitive of size 0 (or not finite) is empty: density, shape value and colour are
// 0 everywhere, as is every point that is not finite.
#pragma once

#include "qv/scene_records.h"
#include "qv/unknown.h"

namespace brumo {

constexpr QVGuid IID_IDensitySampler = qvGuid(0x2C2DAA97, 0xED05, 0x4B11, 0xB094, 0x9F024A770FBBULL);

// An argument the sampler cannot use (COM's code for it).
constexpr QVResult kInvalidArgument = static_cast<QVResult>(0x80070057u);

}  // namespace brumo

struct IDensitySampler : IQVUnknown {
    // The values at one point; any of the three outputs may be null. Returns 0; a null point is
    // brumo::kInvalidArgument; a failure while preparing returns its code (0x80010080 when the
    // user cancelled the shadow-grid build, 0x80010002 when storage was not obtained) and leaves
    // the outputs as they were.
    virtual QVResult QV_CALL sampleAt(const QVVector3* point, float* density, float* shapeValue,
                                      QVColourRecord* colour) = 0;  // 4
    // The same for count points at once, into caller-provided arrays of count entries; any of the
    // three output arrays may be null. The lock is taken once for the whole batch. A negative
    // count, or null points with a positive count, is brumo::kInvalidArgument; count 0 only
    // prepares.
    virtual QVResult QV_CALL sampleMany(int32_t count, const QVVector3* points, float* densities,
                                        float* shapeValues, QVColourRecord* colours) = 0;  // 5
};
