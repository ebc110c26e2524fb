// The primitive's lock: serialises render calls on one primitive. Allocated through the memory
// service like every module object.
#pragma once

#include <atomic>
#include <chrono>
#include <thread>

#include "frame/qv_object.h"

namespace brumo {

// Taken and given back on every segment, almost always by the one thread that renders with this
// copy: the free lock costs one exchange and the release a plain store, where a mutex makes two
// locked operations and two library calls. A waiter spins briefly, then gives up its core, then
// sleeps, since the holder may be building a shadow grid for a long while.
class CriticalSection : public TQVObject {
public:
    void enter() {
        if (!locked_.exchange(true, std::memory_order_acquire)) return;
        for (int tries = 0;; ++tries) {
            if (!locked_.load(std::memory_order_relaxed) &&
                !locked_.exchange(true, std::memory_order_acquire))
                return;
            if (tries < 64)
                pause();
            else if (tries < 128)
                std::this_thread::yield();
            else
                std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    }
    void leave() { locked_.store(false, std::memory_order_release); }

private:
    static void pause() {
#if defined(__i386__) || defined(__x86_64__)
        __builtin_ia32_pause();
#endif
    }

    std::atomic<bool> locked_{false};
};

// Holds a possibly absent lock for a scope, released on every way out.
class CriticalSectionScope {
public:
    explicit CriticalSectionScope(CriticalSection* lock) : lock_(lock) {
        if (lock_ != nullptr) lock_->enter();
    }
    ~CriticalSectionScope() {
        if (lock_ != nullptr) lock_->leave();
    }
    CriticalSectionScope(const CriticalSectionScope&) = delete;
    CriticalSectionScope& operator=(const CriticalSectionScope&) = delete;

private:
    CriticalSection* lock_;
};

}  // namespace brumo
