#include "primitive/shadow_grid.h"

#include <cmath>

#include "primitive/march_lanes.h"
#include "qv/exception.h"
#include "qv/result_codes.h"

namespace brumo {

namespace {

// A grid needs points on both faces of every axis.
constexpr int32_t kSmallestGrid = 2;
// Beyond this many points a side the index would overflow.
constexpr int32_t kLargestGrid = 1290;

// The grids that may be shared, each while it has a user.
std::mutex registryMutex;
ShadowGrid* registry = nullptr;

// The grid whose slices this thread is computing: a copy asking for the same grid from inside
// that build (a host that renders from its idle tick) must not wait for itself.
thread_local const ShadowGrid* buildingHere = nullptr;

void raiseOutOfMemory() { qv::raise(qv::kOutOfMemory, "QVClassArray", 978); }

}  // namespace

ShadowGrid::ShadowGrid(int32_t r, const GridInputs& inputs) : r_(r) {
    inputs_.copyFrom(inputs);
    if (!values_.setCount(r * r * r)) raiseOutOfMemory();
}

ShadowGrid* ShadowGrid::acquire(int32_t r, const GridInputs& inputs, bool shared) {
    if (r < kSmallestGrid) r = kSmallestGrid;
    if (r > kLargestGrid) raiseOutOfMemory();
    std::lock_guard<std::mutex> guard(registryMutex);
    if (shared) {
        for (ShadowGrid* grid = registry; grid != nullptr; grid = grid->next_) {
            if (grid->r_ != r || grid->failed_.load() || grid == buildingHere) continue;
            if (!(grid->inputs_ == inputs)) continue;
            grid->users_ += 1;
            return grid;
        }
    }
    auto* grid = new ShadowGrid(r, inputs);
    if (grid == nullptr) raiseOutOfMemory();
    if (shared) {
        grid->next_ = registry;
        grid->listed_ = true;
        registry = grid;
    }
    return grid;
}

void ShadowGrid::release() {
    {
        std::lock_guard<std::mutex> guard(registryMutex);
        if (--users_ > 0) return;
        if (listed_) {
            ShadowGrid** link = &registry;
            while (*link != this) link = &(*link)->next_;
            *link = next_;
        }
    }
    delete this;
}

void ShadowGrid::fail(QVResult code) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (!failed_.load()) failure_ = code;
    failed_.store(true);
    finished_.notify_all();
}

void ShadowGrid::build(ShadowSliceSource& source) {
    const double share = 100.0 / r_;
    int32_t shown = 0;
    // Every copy's bar follows the whole grid, whoever computed the slices.
    auto catchUp = [&] {
        const int32_t done = slicesDone_.load();
        if (done == shown) return false;
        const double amount = share * (done - shown);
        shown = done;
        return source.advance(amount);
    };
    const ShadowGrid* outer = buildingHere;
    buildingHere = this;
    try {
        for (int32_t k; !failed_.load() && (k = nextSlice_.fetch_add(1)) < r_;) {
            source.fillSlice(k, r_, values_.data() + size_t(k) * size_t(r_) * size_t(r_));
            {
                std::lock_guard<std::mutex> guard(mutex_);
                if (slicesDone_.fetch_add(1) + 1 == r_) finished_.notify_all();
            }
            if (catchUp()) qv::raise(qv::kCancelled);
        }
        {
            std::unique_lock<std::mutex> lock(mutex_);
            finished_.wait(lock, [this] { return slicesDone_.load() == r_ || failed_.load(); });
        }
        if (failed_.load()) qv::raise(failure_);
        if (catchUp()) qv::raise(qv::kCancelled);
        complete_.store(true, std::memory_order_release);
    } catch (const TQVException& error) {
        buildingHere = outer;
        fail(error.code);
        throw;
    } catch (...) {
        buildingHere = outer;
        fail(qv::kFault);
        throw;
    }
    buildingHere = outer;
}

float trilinearLookup(const float* values, int32_t r, const Vector3& point) {
    const float g = static_cast<float>(r - 1);
    int32_t index[3];
    float frac[3];
    for (int axis = 0; axis < 3; ++axis) {
        float u = (point[axis] + 1.0f) * 0.5f;
        if (!(u >= 0.0f)) u = 0.0f;
        if (u >= 1.0f) u = 0.99f;
        const float e = g * u;
        index[axis] = static_cast<int32_t>(std::floor(e));
        float f = e - static_cast<float>(index[axis]);
        if (f < 0.0f) f = 0.0f;
        if (f > 1.0f) f = 1.0f;
        frac[axis] = f;
    }
    const int32_t ix = index[0], iy = index[1], iz = index[2];
    const float fx = frac[0], fy = frac[1], fz = frac[2];
    auto along = [&](int32_t j, int32_t k) {
        const float* row = values + ix + r * (j + r * k);
        const float a = row[0];
        const float b = row[1];
        return a + (b - a) * fx;
    };
    const float y0z0 = along(iy, iz);
    const float y1z0 = along(iy + 1, iz);
    const float y0z1 = along(iy, iz + 1);
    const float y1z1 = along(iy + 1, iz + 1);
    const float z0 = y0z0 + (y1z0 - y0z0) * fy;
    const float z1 = y0z1 + (y1z1 - y0z1) * fy;
    return z0 + (z1 - z0) * fz;
}

float ShadowGrid::lookup(const Vector3& point) const { return trilinearLookup(values_.data(), r_, point); }

void ShadowGrid::lookupMany(int32_t count, const Vector3* points, float* out) const {
    trilinearMany(values_.data(), r_, count, points, out);
}

}  // namespace brumo
