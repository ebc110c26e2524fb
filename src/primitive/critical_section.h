// The primitive's lock: serialises render calls on one primitive. Allocated through the memory
// service like every module object.
#pragma once

#include <mutex>

#include "frame/qv_object.h"

namespace brumo {

class CriticalSection : public TQVObject {
public:
    void enter() { mutex_.lock(); }
    void leave() { mutex_.unlock(); }

private:
    // Room on both sides: every render call writes the mutex, and a line it shared with another
    // thread's data would go back and forth between the threads on every call.
    char before_[64] = {};
    std::mutex mutex_;
    char after_[64] = {};
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
