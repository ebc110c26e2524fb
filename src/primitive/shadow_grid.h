// The shadow grid: the light reaching each of R³ points spread evenly over the cube, in one flat
// array (x fastest, index x + R(y + R z)), and the trilinear lookup the march reads it with.
//
// A grid depends only on what the primitive was prepared from, so every copy of a primitive with
// the same inputs (the renderer gives each thread one) uses one grid: the first copy to ask
// creates it, every copy that asks while it is being built computes slices of it too, and the
// last copy to let go frees it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "frame/grid_inputs.h"
#include "frame/qv_object.h"
#include "math/vector3.h"
#include "qv/class_array.h"
#include "qv/platform.h"

namespace brumo {

// What fills a grid: the slices of one primitive's light march, and its progress bar.
class ShadowSliceSource {
public:
    // The R² values of slice k (z index k), x fastest.
    virtual void fillSlice(int32_t k, int32_t r, float* values) = 0;
    // Advances the progress bar by amount (of 100); true when the host asked to stop.
    virtual bool advance(double amount) = 0;

protected:
    ~ShadowSliceSource() = default;
};

// The value at a point of the cube read from the r³ values of a grid: trilinear between the
// eight grid points around it; points outside read the nearest face.
float trilinearLookup(const float* values, int32_t r, const Vector3& point);

class ShadowGrid : public TQVObject {
public:
    // The grid of resolution r (at least 2: below, the spacing is undefined) for these inputs,
    // with a reference for the caller: a live one with equal inputs when shared is true, else a
    // new one (not yet built).
    static ShadowGrid* acquire(int32_t r, const GridInputs& inputs, bool shared);
    // Drops the caller's reference; the last one frees the grid.
    void release();

    bool complete() const { return complete_.load(std::memory_order_acquire); }
    // Computes slices nobody has taken yet, then waits for the others' slices. Raises when the
    // build fails here or in another copy (cancellation included); the grid is then never
    // handed out again.
    void build(ShadowSliceSource& source);

    int32_t resolution() const { return r_; }
    // The r³ values, x fastest.
    const float* values() const { return values_.data(); }
    float at(int32_t i, int32_t j, int32_t k) const { return values_[i + r_ * (j + r_ * k)]; }
    // Trilinear lookup at a point of the cube; points outside read the nearest face.
    float lookup(const Vector3& point) const;
    void lookupMany(int32_t count, const Vector3* points, float* out) const;

private:
    ShadowGrid(int32_t r, const GridInputs& inputs);
    ~ShadowGrid() = default;
    void fail(QVResult code);

    // Room before what every march reads: a line it shared with data that another thread writes
    // (that thread's scratch, in one run) would be fetched again at every lookup.
    char before_[64] = {};
    int32_t r_;
    QVClassArray<float> values_;
    GridInputs inputs_;
    int32_t users_ = 1;  // guarded by the registry's lock
    ShadowGrid* next_ = nullptr;
    bool listed_ = false;

    std::atomic<int32_t> nextSlice_{0};
    std::atomic<int32_t> slicesDone_{0};
    std::atomic<bool> complete_{false};
    std::atomic<bool> failed_{false};
    QVResult failure_ = 0;
    std::mutex mutex_;
    std::condition_variable finished_;
};

// A primitive's reference to its grid; no grid reads as fully lit.
class ShadowGridRef {
public:
    ShadowGridRef() = default;
    ~ShadowGridRef() { reset(); }
    ShadowGridRef(const ShadowGridRef&) = delete;
    ShadowGridRef& operator=(const ShadowGridRef&) = delete;

    void reset(ShadowGrid* grid = nullptr) {
        if (grid_ != nullptr) grid_->release();
        grid_ = grid;
    }
    ShadowGrid* get() const { return grid_; }
    int32_t resolution() const { return grid_ != nullptr ? grid_->resolution() : 0; }
    float at(int32_t i, int32_t j, int32_t k) const { return grid_->at(i, j, k); }
    float lookup(const Vector3& point) const { return grid_ != nullptr ? grid_->lookup(point) : 1.0f; }
    void lookupMany(int32_t count, const Vector3* points, float* out) const {
        if (grid_ != nullptr) return grid_->lookupMany(count, points, out);
        for (int32_t i = 0; i < count; ++i) out[i] = 1.0f;
    }

private:
    ShadowGrid* grid_ = nullptr;
};

}  // namespace brumo
