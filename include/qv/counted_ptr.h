// QVCountedPtr: an owned, counted interface pointer. Storing into it releases what it held; its
// slot() is an out slot for QueryInterface, which releases the old content before filling it.
#pragma once

#include "qv/exception.h"
#include "qv/result_codes.h"
#include "qv/unknown.h"

template <class T>
class QVCountedPtr {
public:
    constexpr QVCountedPtr() noexcept : pointer_(nullptr) {}
    // Takes over a reference the caller already holds.
    explicit QVCountedPtr(T* adopted) noexcept : pointer_(adopted) {}
    QVCountedPtr(const QVCountedPtr& other) : pointer_(other.pointer_) {
        if (pointer_ != nullptr) pointer_->AddRef();
    }
    QVCountedPtr(QVCountedPtr&& other) noexcept : pointer_(other.pointer_) { other.pointer_ = nullptr; }
    ~QVCountedPtr() { reset(); }

    QVCountedPtr& operator=(const QVCountedPtr& other) {
        assign(other.pointer_);
        return *this;
    }
    QVCountedPtr& operator=(QVCountedPtr&& other) noexcept {
        if (this != &other) {
            T* taken = other.pointer_;
            other.pointer_ = nullptr;
            adopt(taken);
        }
        return *this;
    }

    // Stores p with a reference of its own.
    void assign(T* p) {
        if (p != nullptr) p->AddRef();
        adopt(p);
    }
    // Stores p, taking over the caller's reference.
    void adopt(T* p) {
        T* old = pointer_;
        pointer_ = p;
        if (old != nullptr) old->Release();
    }
    void reset() { adopt(nullptr); }
    // Gives up the pointer without releasing it.
    T* detach() noexcept {
        T* p = pointer_;
        pointer_ = nullptr;
        return p;
    }

    // Queries source for iid into this pointer; an absent source leaves it null.
    QVResult queryFrom(IQVUnknown* source, const QVGuid& iid) {
        if (source == nullptr) {
            reset();
            return qv::kNoInterface;
        }
        return source->QueryInterface(iid, slot());
    }

    void** slot() noexcept { return reinterpret_cast<void**>(&pointer_); }
    T* get() const noexcept { return pointer_; }
    T* operator->() const noexcept { return pointer_; }
    explicit operator bool() const noexcept { return pointer_ != nullptr; }

private:
    T* pointer_;
};

namespace qv {

// Creation through a counted pointer must not yield null: the caller cannot go on without it.
template <class T>
T* requireCreated(T* created) {
    if (created == nullptr) raise(kOutOfMemory, "QVCountedPtrHelper", 166);
    return created;
}

}  // namespace qv
