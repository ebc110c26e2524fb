// Lock-free publication of a pointer that readers use for a few instructions at a time.
//
// Render threads read the current scene and its lights on every segment; a mutex there would
// pass its cache line between the cores on each read. A reader instead announces the pointer it
// is about to use in a slot of its own thread (its own cache line), and a writer that replaced
// the pointer waits until no slot announces the old one before letting it go.
#pragma once

#include <atomic>

namespace brumo::host {

class HazardSlot {
public:
    // The calling thread's slot; null when every slot is taken (the caller then takes a lock).
    static HazardSlot* mine();

    // Announces the value of `source` and returns it; it stays alive until clear().

    template <class T>
    T* protect(const std::atomic<T*>& source) {
        T* seen = source.load(std::memory_order_acquire);
        for (;;) {
            held_.store(seen, std::memory_order_seq_cst);
            T* again = source.load(std::memory_order_seq_cst);
            if (again == seen) return seen;
            seen = again;
        }
    }
    void clear() { held_.store(nullptr, std::memory_order_release); }

    // Returns once no reader announces `retired`, which the caller has already unpublished.
    static void waitUntilUnused(const void* retired);

private:
    friend class HazardSlots;
    std::atomic<const void*> held_{nullptr};
    std::atomic<bool> taken_{false};
};

// Clears the slot when it goes out of scope.
class HazardScope {
public:
    explicit HazardScope(HazardSlot& slot) : slot_(slot) {}
    HazardScope(const HazardScope&) = delete;
    HazardScope& operator=(const HazardScope&) = delete;
    ~HazardScope() { slot_.clear(); }

private:
    HazardSlot& slot_;
};

}  // namespace brumo::host
