#include "host/bake/volume_bake.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <mutex>
#include <string>
#include <thread>

#include "brumo/density_sampler.h"
#include "host/common/host_object.h"
#include "qv/geometric_primitive.h"
#include "qv/result_codes.h"

namespace brumo::host {

namespace {

const char* const kAxisNames[3] = {"x", "y", "z"};

std::string codeText(QVResult code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
    return text;
}

void check(QVResult result) {
    if (result != qv::kOk)
        throw SamplerError("the effect failed while sampling (" + codeText(result) + ")", result);
}

}  // namespace

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

void sampleGrid(const VoxelGrid& grid, const std::vector<IQVUnknown*>& copies, bool withColours,
                const SliceSink& sink, const BakeHooks& hooks) {
    if (copies.empty()) throw BakeError("there is no sampling thread");
    std::vector<Ref<IDensitySampler>> samplers(copies.size());
    for (size_t t = 0; t < copies.size(); ++t)
        if (copies[t] == nullptr ||
            copies[t]->QueryInterface(IID_IDensitySampler,
                                      reinterpret_cast<void**>(samplers[t].slot())) != qv::kOk ||
            !samplers[t])
            throw BakeError("the effect does not answer the density sampler interface");

    const int32_t nx = grid.counts[0], ny = grid.counts[1], nz = grid.empty() ? 0 : grid.counts[2];
    std::mutex mutex;
    std::mutex sinkMutex;
    std::condition_variable wake;
    size_t prepared = 0;
    bool startSlices = false;
    std::atomic<bool> abort{false};
    std::atomic<int32_t> nextSlice{0};
    std::atomic<int32_t> finishedSlices{0};
    std::exception_ptr failure;

    auto fail = [&](std::exception_ptr error) {
        std::lock_guard<std::mutex> lock(mutex);
        if (!failure) failure = error;
        abort = true;
        wake.notify_all();
    };

    auto worker = [&](size_t index) {
        IDensitySampler* sampler = samplers[index].get();
        try {
            // Count 0 only prepares: the shadow grid and the rest are built before the first slice.
            check(sampler->sampleMany(0, nullptr, nullptr, nullptr, nullptr));
        } catch (...) {
            fail(std::current_exception());
        }
        {
            std::unique_lock<std::mutex> lock(mutex);
            ++prepared;
            wake.notify_all();
            wake.wait(lock, [&] { return startSlices || abort; });
        }
        try {
            const size_t sliceSize = size_t(nx) * size_t(ny);
            std::vector<QVVector3> row(static_cast<size_t>(nx));
            std::vector<float> densities;
            std::vector<QVColourRecord> colours;
            while (!abort) {
                const int32_t z = nextSlice.fetch_add(1);
                if (z >= nz) break;
                densities.resize(sliceSize);
                if (withColours) colours.resize(sliceSize);
                for (int32_t j = 0; j < ny && !abort; ++j) {
                    for (int32_t i = 0; i < nx; ++i) row[size_t(i)] = grid.localCentre(i, j, z);
                    const size_t first = size_t(j) * size_t(nx);
                    check(sampler->sampleMany(nx, row.data(), densities.data() + first, nullptr,
                                              withColours ? colours.data() + first : nullptr));
                }
                if (abort) break;
                {
                    std::lock_guard<std::mutex> lock(sinkMutex);
                    sink(z, densities.data(), withColours ? colours.data() : nullptr);
                }
                finishedSlices.fetch_add(1);
                wake.notify_all();
            }
        } catch (...) {
            fail(std::current_exception());
        }
    };

    std::vector<std::thread> threads;
    threads.reserve(copies.size());
    for (size_t t = 0; t < copies.size(); ++t) threads.emplace_back(worker, t);

    bool cancelled = false;
    {
        std::unique_lock<std::mutex> lock(mutex);
        wake.wait(lock, [&] { return prepared == copies.size() || abort; });
        if (!abort && hooks.prepared) {
            lock.unlock();
            hooks.prepared();
            lock.lock();
        }
        startSlices = true;
        wake.notify_all();
        int32_t reported = -1;
        while (!abort && finishedSlices.load() < nz) {
            wake.wait_for(lock, std::chrono::milliseconds(100));
            lock.unlock();
            const int32_t done = finishedSlices.load();
            if (hooks.slicesDone && done != reported) hooks.slicesDone(done, nz);
            reported = done;
            if (hooks.cancelled && hooks.cancelled()) {
                cancelled = true;
                abort = true;
            }
            lock.lock();
        }
    }
    for (std::thread& thread : threads) thread.join();
    if (failure) std::rethrow_exception(failure);
    if (cancelled) throw BakeCancelled();
    if (hooks.slicesDone) hooks.slicesDone(nz, nz);
}

}  // namespace brumo::host
