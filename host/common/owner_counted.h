// Reference counting for a host object that one thread makes, keeps and hands out again and
// again: a render thread's views of the scene.
//
// The module takes and gives back a reference to them on every segment. Even on a cache line
// no other thread touches, a locked instruction costs a few nanoseconds, so the thread that keeps
// the object counts its references in a plain field; other threads count atomically. While the
// keeper holds it the object cannot go, so neither count alone decides its end; when the keeper
// lets go (retire), its part joins the atomic count, and from then on every count is atomic.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <utility>

#include "host/common/host_object.h"

namespace brumo::host {

// The calling thread's mark: the address of a variable of its own, read without a call.
inline const void* threadMark() {
    static thread_local char mark;
    return &mark;
}

template <class Base>
class OwnerCounted : public Base {
public:
    int32_t QV_CALL AddRef() override {
        if (keptHere()) return ++owner_ + others_.load(std::memory_order_relaxed) - kKept;
        return others_.fetch_add(1, std::memory_order_relaxed) + 1;
    }
    int32_t QV_CALL Release() override {
        if (keptHere()) return --owner_ + others_.load(std::memory_order_relaxed) - kKept;
        const int32_t left = others_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) delete this;
        return left;
    }

    // The keeper lets go of the reference it made the object with; on the keeping thread only.
    void retire() {
        onRetire();
        kept_ = false;
        // Every reference counted here but the keeper's own, and the stand-in for the keeper.
        const int32_t change = owner_ - 1 - kKept;
        const int32_t left = others_.fetch_add(change, std::memory_order_acq_rel) + change;
        if (left == 0) delete this;
    }

protected:
    template <class... Args>
    explicit OwnerCounted(Args&&... args) : Base(std::forward<Args>(args)...) {}
    ~OwnerCounted() override = default;

    // True on the keeping thread while it keeps the object.
    bool keptHere() const { return threadMark() == keeper_ && kept_; }
    // Lets go of what the object keeps for its keeper; called on the keeping thread.
    virtual void onRetire() {}

private:
    // Stands in for the keeper's references in the atomic count, so that the references other
    // threads give back never bring it to zero while the keeper holds the object.
    static constexpr int32_t kKept = 1 << 30;

    const void* const keeper_ = threadMark();
    // The keeper's alone.
    bool kept_ = true;
    int32_t owner_ = 1;
    std::atomic<int32_t> others_{kKept};
};

// The keeper's reference to an OwnerCounted object, retired when it goes.
struct RetireKept {
    template <class T>
    void operator()(T* object) const { object->retire(); }
};
template <class T>
using Kept = std::unique_ptr<T, RetireKept>;

}  // namespace brumo::host
