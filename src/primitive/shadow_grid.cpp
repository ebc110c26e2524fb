#include "primitive/shadow_grid.h"

#include "primitive/march_lanes.h"
#include "primitive/march_one_lane.h"
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
    return march_one_lane::trilinearKernel({}, values, r, {point.x}, {point.y}, {point.z}).raw;
}

float ShadowGrid::lookup(const Vector3& point) const { return trilinearLookup(values_.data(), r_, point); }

void ShadowGrid::lookupMany(int32_t count, const Vector3* points, float* out) const {
    trilinearMany(values_.data(), r_, count, points, out);
}

}  // namespace brumo
