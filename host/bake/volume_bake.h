// Baking an effect into a voxel grid: the grid's layout over the effect's box, and the sampling
// of every voxel centre through the module's density sampler, on several threads.
//
// Voxels are cubes of one world-space edge, aligned with the effect's own axes, so that a
// rotated or unevenly scaled effect keeps a tight grid; the map from voxel indices to the world
// is affine (the effect's placement after the voxel layout in its local space). The grid is
// centred on the box and covers it, each axis with the fewest voxels that reach across it, so
// every voxel centre lies in the box.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <vector>

#include "host/common/host_error.h"
#include "host/render/transform.h"
#include "qv/platform.h"
#include "qv/scene_records.h"
#include "qv/unknown.h"

namespace brumo::host {

class BakeError : public HostError {
public:
    using HostError::HostError;
};

// The bake stopped because it was asked to (hooks.cancelled answered true).
class BakeCancelled : public JobCancelled {
public:
    BakeCancelled() : JobCancelled("baking cancelled") {}
};

// The density sampler answered a failure (a cancelled shadow-grid build: 0x80010080, which
// carries the interrupted status).
class SamplerError : public HostError {
public:
    SamplerError(const std::string& what, QVResult code);
    QVResult code;
};

// The most voxels along one axis; a slice of them is held per thread while it is sampled.
constexpr int32_t kMaxVoxelsPerAxis = 4096;

struct VoxelGrid {
    int32_t counts[3] = {0, 0, 0};  // along the effect's local x, y and z; all 0 when empty
    double voxelSize = 1.0;         // edge in world units
    double firstCentre[3] = {0.0, 0.0, 0.0};  // local position of voxel (0, 0, 0)
    double spacing[3] = {1.0, 1.0, 1.0};      // local distance between neighbours, per axis
    AffineMap toWorld;                        // the effect's local space to the world

    bool empty() const { return counts[0] == 0 || counts[1] == 0 || counts[2] == 0; }
    int64_t voxelCount() const { return int64_t(counts[0]) * counts[1] * counts[2]; }
    QVVector3 localCentre(int32_t i, int32_t j, int32_t k) const;
    // Index space to the world, as a 3 × 4 matrix (linear part, then the offset column), in
    // double precision.
    void indexToWorld(double (&matrix)[3][4]) const;
};

// Chooses the layout over box (local space) for an effect placed by transform: voxels of
// voxelSize world units when it is positive, else `resolution` voxels along the box's longest
// world-space edge. An empty box (size 0) gives an empty grid. Throws BakeError when the voxels
// would be too many or the sizes are not positive and finite.
VoxelGrid layoutGrid(const QVBox& box, const Transform& transform, double voxelSize, int32_t resolution);

// The local box of a primitive (its queryBounds); throws BakeError when it has no geometric
// interface.
QVBox primitiveBounds(IQVUnknown* primitive);

// One slice of samples: the voxels of index z, row by row (x fastest); colours only when asked.
using SliceSink =
    std::function<void(int32_t z, const float* densities, const QVColourRecord* colours)>;

// Called on the baking thread (the caller's), never from a worker.
struct BakeHooks {
    // Every copy is prepared (shadow grids built); the slices start now.
    std::function<void()> prepared;
    // Slices finished so far, about ten times a second and once at the end.
    std::function<void(int32_t done, int32_t total)> slicesDone;
    // Polled while the slices are sampled; true stops the bake with BakeCancelled.
    std::function<bool()> cancelled;
};

// The colours of a lit bake: each voxel's colour after the shadow grid's darkening, as one march
// sample at the voxel centre gives it (the sampler's colour where the sample adds nothing).
// The march puts a short segment's one sample half a step past its start, or, with a step
// jitter, in the segment's middle.
struct LitColours {
    bool on = false;
    float marchStep = 0.0f;  // in local units
    bool jittered = false;
};

// Samples every voxel centre of the grid through IDensitySampler, one thread per copy (each a
// copy of the same effect: a primitive serialises its calls). Each copy is prepared first, in
// parallel. The sink receives every slice once, in no particular order, one call at a time.
// Errors of a worker (SamplerError, or what the sink throws) pass through once every thread has
// stopped.
void sampleGrid(const VoxelGrid& grid, const std::vector<IQVUnknown*>& copies, bool withColours,
                const SliceSink& sink, const BakeHooks& hooks = {}, const LitColours& lit = {});

}  // namespace brumo::host
