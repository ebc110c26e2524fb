#include "host/bake/volume_bake.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <string>
#include <vector>

#include "brumo/density_sampler.h"
#include "host/common/job_runner.h"
#include "host/common/text.h"
#include "host/common/host_object.h"
#include "host/scene/scene_view.h"
#include "qv/geometric_primitive.h"
#include "qv/volume_primitive.h"
#include "qv/result_codes.h"

namespace brumo::host {

namespace {

const char* const kAxisNames[3] = {"x", "y", "z"};

void check(QVResult result) {
    if (result != qv::kOk)
        throw SamplerError("the effect failed while sampling (" + resultCodeText(result) + ")", result);
}

}  // namespace

SamplerError::SamplerError(const std::string& what, QVResult code)
    : HostError(what, code == qv::kCancelled ? kStatusInterrupted : kStatusFailure), code(code) {}

QVVector3 VoxelGrid::localCentre(int32_t i, int32_t j, int32_t k) const {
    return {float(firstCentre[0] + double(i) * spacing[0]),
            float(firstCentre[1] + double(j) * spacing[1]),
            float(firstCentre[2] + double(k) * spacing[2])};
}

void VoxelGrid::indexToWorld(double (&matrix)[3][4]) const {
    const double origin[3] = {firstCentre[0], firstCentre[1], firstCentre[2]};
    const double offset[3] = {toWorld.offset.x, toWorld.offset.y, toWorld.offset.z};
    for (int r = 0; r < 3; ++r) {
        double moved = offset[r];
        for (int c = 0; c < 3; ++c) {
            matrix[r][c] = double(toWorld.linear[r][c]) * spacing[c];
            moved += double(toWorld.linear[r][c]) * origin[c];
        }
        matrix[r][3] = moved;
    }
}

VoxelGrid layoutGrid(const QVBox& box, const Transform& transform, double voxelSize, int32_t resolution) {
    VoxelGrid grid;
    grid.toWorld = AffineMap::fromTransform(transform);
    if (!grid.toWorld.invertible())
        throw BakeError("the effect's scale must not be zero along any axis");
    if (!(voxelSize >= 0.0) || !std::isfinite(voxelSize))
        throw BakeError("the voxel size must be a positive number");
    if (voxelSize == 0.0 && resolution <= 0)
        throw BakeError("the resolution must be at least one voxel");

    const double low[3] = {box.min.x, box.min.y, box.min.z};
    const double high[3] = {box.max.x, box.max.y, box.max.z};
    double axisScale[3], worldEdge[3];
    bool empty = false;
    double longest = 0.0;
    for (int a = 0; a < 3; ++a) {
        // The length of a local unit along axis a in the world: rotation keeps it, scale sets it.
        const double x = grid.toWorld.linear[0][a], y = grid.toWorld.linear[1][a],
                     z = grid.toWorld.linear[2][a];
        axisScale[a] = std::sqrt(x * x + y * y + z * z);
        const double localEdge = high[a] - low[a];
        if (!(localEdge > 0.0) || !std::isfinite(localEdge)) empty = true;
        worldEdge[a] = localEdge * axisScale[a];
        longest = std::max(longest, worldEdge[a]);
    }
    if (empty) {
        // Nothing to sample; the layout still has a valid voxel size for the file's transform.
        if (voxelSize == 0.0) voxelSize = 1.0;
        grid.voxelSize = voxelSize;
        for (int a = 0; a < 3; ++a) grid.spacing[a] = voxelSize / axisScale[a];
        return grid;
    }
    if (voxelSize == 0.0) voxelSize = longest / double(resolution);
    grid.voxelSize = voxelSize;
    for (int a = 0; a < 3; ++a) {
        double n = worldEdge[a] / voxelSize;
        // An edge that is a whole number of voxels up to rounding gets exactly that many.
        const double whole = std::round(n);
        if (std::fabs(n - whole) <= 1e-6 * std::max(1.0, n)) n = whole;
        n = std::max(1.0, std::ceil(n));
        if (!(n <= double(kMaxVoxelsPerAxis)))
            throw BakeError("a voxel size of " + std::to_string(voxelSize) + " needs " +
                            (std::isfinite(n) ? std::to_string(int64_t(std::min(n, 1e18))) : "endless") +
                            " voxels along the effect's " + kAxisNames[a] + " axis; at most " +
                            std::to_string(kMaxVoxelsPerAxis) + " are allowed");
        grid.counts[a] = int32_t(n);
        grid.spacing[a] = voxelSize / axisScale[a];
        const double centre = 0.5 * (low[a] + high[a]);
        grid.firstCentre[a] = centre - 0.5 * double(grid.counts[a] - 1) * grid.spacing[a];
    }
    return grid;
}

QVBox primitiveBounds(IQVUnknown* primitive) {
    Ref<I3DExGeometricPrimitive> geometry;
    if (primitive == nullptr ||
        primitive->QueryInterface(qv::IID_I3DExGeometricPrimitive,
                                  reinterpret_cast<void**>(geometry.slot())) != qv::kOk ||
        !geometry)
        throw BakeError("the effect does not answer the geometric primitive interface");
    QVBox box{{0.0f, 0.0f, 0.0f}, {-1.0f, -1.0f, -1.0f}};
    geometry->queryBounds(&box);
    return box;
}

namespace {

// One march sample of `length` at `centre` along local x: its colour over its alpha is the
// sample's colour with the shadows in it.
void lightColour(IVolumePrimitive* volume, const QVVector3& centre, const LitColours& lit,
                 QVColourRecord& colour) {
    const float length = 0.5f * lit.marchStep;
    const float back = lit.jittered ? 0.5f * length : 0.5f * lit.marchStep + 0.5f * length;
    const QVVector3 start{centre.x - back, centre.y, centre.z};
    const QVVector3 end{start.x + length, centre.y, centre.z};
    QVColourRecord gathered{0.0f, 0.0f, 0.0f, 0.0f};
    volume->integrateSegment(&start, &end, &gathered, nullptr, 0, 0);
    if (!(gathered.alpha > 0.0f)) return;
    colour.red = gathered.red / gathered.alpha;
    colour.green = gathered.green / gathered.alpha;
    colour.blue = gathered.blue / gathered.alpha;
}

}  // namespace

void sampleGrid(const VoxelGrid& grid, const std::vector<IQVUnknown*>& copies, bool withColours,
                const SliceSink& sink, const BakeHooks& hooks, const LitColours& lit) {
    if (copies.empty()) throw BakeError("there is no sampling thread");
    std::vector<Ref<IDensitySampler>> samplers(copies.size());
    for (size_t t = 0; t < copies.size(); ++t)
        if (copies[t] == nullptr ||
            copies[t]->QueryInterface(IID_IDensitySampler,
                                      reinterpret_cast<void**>(samplers[t].slot())) != qv::kOk ||
            !samplers[t])
            throw BakeError("the effect does not answer the density sampler interface");
    const bool lighting = withColours && lit.on && lit.marchStep > 0.0f;
    std::vector<Ref<IVolumePrimitive>> volumes(copies.size());
    if (lighting)
        for (size_t t = 0; t < copies.size(); ++t)
            if (copies[t]->QueryInterface(qv::IID_IVolumePrimitive,
                                          reinterpret_cast<void**>(volumes[t].slot())) != qv::kOk ||
                !volumes[t])
                throw BakeError("the effect does not answer the volume primitive interface");

    const int32_t nx = grid.counts[0], ny = grid.counts[1], nz = grid.empty() ? 0 : grid.counts[2];
    const size_t sliceSize = size_t(nx) * size_t(ny);
    struct Buffers {
        std::vector<QVVector3> row;
        std::vector<float> densities;
        std::vector<QVColourRecord> colours;
    };
    std::vector<Buffers> buffers(copies.size());
    std::mutex sinkMutex;

    // Count 0 only prepares: the shadow grid and the rest are built before the first slice.
    auto prepare = [&](int worker) {
        ThreadSceneViews::enable();
        check(samplers[size_t(worker)]->sampleMany(0, nullptr, nullptr, nullptr, nullptr));
    };
    auto sampleSlice = [&](int worker, int z, const std::atomic<bool>& stop) {
        IDensitySampler* sampler = samplers[size_t(worker)].get();
        Buffers& b = buffers[size_t(worker)];
        b.row.resize(size_t(nx));
        b.densities.resize(sliceSize);
        if (withColours) b.colours.resize(sliceSize);
        for (int32_t j = 0; j < ny; ++j) {
            if (stop) return;
            for (int32_t i = 0; i < nx; ++i) b.row[size_t(i)] = grid.localCentre(i, j, z);
            const size_t first = size_t(j) * size_t(nx);
            check(sampler->sampleMany(nx, b.row.data(), b.densities.data() + first, nullptr,
                                      withColours ? b.colours.data() + first : nullptr));
            if (lighting)
                for (int32_t i = 0; i < nx; ++i)
                    if (b.densities[first + size_t(i)] > 0.0f)
                        lightColour(volumes[size_t(worker)].get(), b.row[size_t(i)], lit,
                                    b.colours[first + size_t(i)]);
        }
        std::lock_guard<std::mutex> lock(sinkMutex);
        sink(z, b.densities.data(), withColours ? b.colours.data() : nullptr);
    };
    JobHooks jobHooks;
    jobHooks.prepared = hooks.prepared;
    jobHooks.progress = hooks.slicesDone;
    jobHooks.cancelled = hooks.cancelled;
    if (!runJob(int(copies.size()), nz, prepare, sampleSlice, jobHooks)) throw BakeCancelled();
}

}  // namespace brumo::host
