// Reference counting and interface queries shared by every object of the reference host.
#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

#include "qv/result_codes.h"
#include "qv/unknown.h"

// No-op overrides of an interface's numbered placeholder operations `slotN()`, which the host
// implements only so that the named operations after them sit at their positions:
// BRUMO_HOST_NOOP_SLOTS_TENS(3) overrides slot30 to slot39.
#define BRUMO_HOST_NOOP_SLOT(n) \
    void QV_CALL slot##n() override {}
#define BRUMO_HOST_NOOP_SLOTS_TENS(tens)                                                         \
    BRUMO_HOST_NOOP_SLOT(tens##0) BRUMO_HOST_NOOP_SLOT(tens##1) BRUMO_HOST_NOOP_SLOT(tens##2)     \
    BRUMO_HOST_NOOP_SLOT(tens##3) BRUMO_HOST_NOOP_SLOT(tens##4) BRUMO_HOST_NOOP_SLOT(tens##5)     \
    BRUMO_HOST_NOOP_SLOT(tens##6) BRUMO_HOST_NOOP_SLOT(tens##7) BRUMO_HOST_NOOP_SLOT(tens##8)     \
    BRUMO_HOST_NOOP_SLOT(tens##9)

namespace brumo::host {

// An atomic reference count that starts with the creator's reference. Increments need no
// ordering (the caller already holds a reference); the last release must see every write made
// through the other references before the object goes.
class ReferenceCount {
public:
    int32_t add() { return count_.fetch_add(1, std::memory_order_relaxed) + 1; }
    // The references left after one is given back; at zero the caller frees the object.
    int32_t drop() { return count_.fetch_sub(1, std::memory_order_acq_rel) - 1; }
    int32_t load() const { return count_.load(std::memory_order_acquire); }

private:
    std::atomic<int32_t> count_{1};
};

// A host object implementing one or more interfaces. The creator holds the first reference.
// One AddRef/Release/QueryInterface overrides the slot in every base interface at once.
// Render threads may share host objects, so the count is atomic.
template <class Primary, class... Others>
class HostObject : public Primary, public Others... {
public:
    HostObject() = default;
    HostObject(const HostObject&) = delete;
    HostObject& operator=(const HostObject&) = delete;

    QVResult QV_CALL QueryInterface(const QVGuid& iid, void** out) override {
        if (out == nullptr) return qv::kNoInterface;
        qv::releaseSlot(out);
        void* found = iid == qv::IID_IQVUnknown ? static_cast<Primary*>(this) : findInterface(iid);
        if (found == nullptr) return qv::kNoInterface;
        AddRef();
        *out = found;
        return qv::kOk;
    }
    int32_t QV_CALL AddRef() override { return references_.add(); }
    int32_t QV_CALL Release() override {
        const int32_t left = references_.drop();
        if (left == 0) delete this;
        return left;
    }

    int32_t referenceCount() const { return references_.load(); }

protected:
    virtual ~HostObject() = default;
    // Further interfaces a class answers besides IQVUnknown.
    virtual void* findInterface(const QVGuid&) { return nullptr; }

private:
    ReferenceCount references_;
};

// An owned counted reference on the host side.
template <class T>
class Ref {
public:
    Ref() = default;
    // Takes over a reference the caller already holds.
    static Ref adopt(T* object) {
        Ref ref;
        ref.object_ = object;
        return ref;
    }
    // Adds a reference of its own.
    static Ref share(T* object) {
        if (object != nullptr) object->AddRef();
        return adopt(object);
    }
    Ref(const Ref& other) : object_(other.object_) {
        if (object_ != nullptr) object_->AddRef();
    }
    Ref(Ref&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    Ref& operator=(Ref other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }
    ~Ref() { reset(); }

    void reset() {
        if (T* held = std::exchange(object_, nullptr)) held->Release();
    }
    T* get() const { return object_; }
    T* operator->() const { return object_; }
    T& operator*() const { return *object_; }
    explicit operator bool() const { return object_ != nullptr; }
    // Hands out a new counted reference to the caller.
    T* addRefed() const {
        if (object_ != nullptr) object_->AddRef();
        return object_;
    }
    // The address of the slot, for host operations that fill an out slot (released first).
    T** slot() {
        reset();
        return &object_;
    }

private:
    T* object_ = nullptr;
};

// Fills an out slot with a new counted reference (or null), releasing what it held.
template <class Interface>
void fillSlot(Interface** slot, Interface* value) {
    if (slot == nullptr) return;
    if (value != nullptr) value->AddRef();
    Interface* old = std::exchange(*slot, value);
    if (old != nullptr) old->Release();
}

}  // namespace brumo::host
