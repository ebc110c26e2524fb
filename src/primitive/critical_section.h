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
    std::mutex mutex_;
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
