// QVClassArray: the growable array of plain elements behind every variable-length list. Storage
// comes from the host's memory service; a request that cannot be met answers false and leaves the
// array as it was.
#pragma once

#include <cstring>
#include <new>
#include <type_traits>

#include "qv/exception.h"
#include "qv/memory.h"
#include "qv/result_codes.h"

namespace qv {

// Flag word: the low 27 bits hold the growth step in elements.
constexpr uint32_t kArrayStepMask = 0x07FFFFFFu;
constexpr uint32_t kArrayFixed = 1u << 27;
constexpr uint32_t kArrayZeroFill = 1u << 28;
constexpr uint32_t kArrayOwnsStorage = 1u << 29;
constexpr uint32_t kArrayStepExplicit = 1u << 31;

constexpr uint32_t kArrayDefaultStepBytes = 131072;

}  // namespace qv

template <class T>
class QVClassArray {
public:
    static constexpr uint32_t defaultGrowthStep() {
        return sizeof(T) >= qv::kArrayDefaultStepBytes
                   ? 1u
                   : static_cast<uint32_t>(qv::kArrayDefaultStepBytes / sizeof(T));
    }

    explicit QVClassArray(uint32_t flags = qv::kArrayZeroFill)
        : count_(0), capacity_(0),
          flags_((flags & ~qv::kArrayStepMask) | qv::kArrayOwnsStorage |
                 ((flags & qv::kArrayStepMask) != 0 ? (flags & qv::kArrayStepMask)
                                                    : defaultGrowthStep())),
          storage_(nullptr) {
        if ((flags & qv::kArrayStepMask) != 0) flags_ |= qv::kArrayStepExplicit;
    }

    // Fixed storage supplied by the owner: the capacity never changes.
    QVClassArray(T* fixedStorage, uint32_t capacity, uint32_t flags = qv::kArrayZeroFill)
        : count_(0), capacity_(static_cast<int32_t>(capacity)),
          flags_((flags & ~qv::kArrayStepMask & ~qv::kArrayOwnsStorage) | qv::kArrayFixed |
                 defaultGrowthStep()),
          storage_(fixedStorage) {}

    QVClassArray(const QVClassArray& other) : QVClassArray(other.flags_ & qv::kArrayZeroFill) {
        assign(other);
    }
    QVClassArray& operator=(const QVClassArray& other) {
        assign(other);
        return *this;
    }
    ~QVClassArray() {
        destroyRange(0, count_);
        if ((flags_ & qv::kArrayOwnsStorage) != 0) qv::freeBlock(storage_);
    }

    int32_t count() const { return count_; }
    int32_t capacity() const { return capacity_; }
    uint32_t flags() const { return flags_; }
    uint32_t growthStep() const { return flags_ & qv::kArrayStepMask; }
    void setGrowthStep(uint32_t step) {
        flags_ = (flags_ & ~qv::kArrayStepMask) | (step & qv::kArrayStepMask) | qv::kArrayStepExplicit;
        if ((flags_ & qv::kArrayStepMask) == 0) flags_ |= 1;
    }
    bool empty() const { return count_ == 0; }

    T* data() { return storage_; }
    const T* data() const { return storage_; }
    T& operator[](int32_t i) { return storage_[i]; }
    const T& operator[](int32_t i) const { return storage_[i]; }
    T* begin() { return storage_; }
    T* end() { return storage_ + count_; }
    const T* begin() const { return storage_; }
    const T* end() const { return storage_ + count_; }

    // Allocates exactly n elements and keeps min(count, n) of them; n = 0 releases everything.
    bool setCapacity(int32_t n) {
        if (n < 0) return false;
        if (n == capacity_) return true;
        if ((flags_ & qv::kArrayFixed) != 0) return false;
        if (n == 0) {
            destroyRange(0, count_);
            qv::freeBlock(storage_);
            storage_ = nullptr;
            count_ = 0;
            capacity_ = 0;
            return true;
        }
        if (static_cast<uint64_t>(n) * sizeof(T) > static_cast<uint64_t>(SIZE_MAX / 2)) return false;
        T* fresh = static_cast<T*>(qv::allocateBlock(static_cast<size_t>(n) * sizeof(T)));
        if (fresh == nullptr) return false;
        const int32_t kept = count_ < n ? count_ : n;
        if (kept > 0) std::memcpy(static_cast<void*>(fresh), storage_, static_cast<size_t>(kept) * sizeof(T));
        if ((flags_ & qv::kArrayZeroFill) != 0 && n > kept)
            std::memset(static_cast<void*>(fresh + kept), 0, static_cast<size_t>(n - kept) * sizeof(T));
        destroyRange(kept, count_);
        qv::freeBlock(storage_);
        storage_ = fresh;
        capacity_ = n;
        count_ = kept;
        return true;
    }

    // New elements are copies of fill (default-constructed when none is given).
    bool setCount(int32_t n, const T* fill = nullptr) {
        if (n < 0) return false;
        if (n > capacity_ && !setCapacity(n)) return false;
        if (n > count_) {
            for (int32_t i = count_; i < n; ++i) constructAt(i, fill);
        } else if (n < count_) {
            destroyRange(n, count_);
            if ((flags_ & qv::kArrayZeroFill) != 0)
                std::memset(static_cast<void*>(storage_ + n), 0, static_cast<size_t>(count_ - n) * sizeof(T));
        }
        count_ = n;
        return true;
    }

    bool append(const T& element) {
        if (count_ == capacity_) {
            // The element may live in our own storage, which is about to move.
            alignas(T) unsigned char aside[sizeof(T)];
            const T* source = &element;
            const bool inside = storage_ != nullptr && source >= storage_ && source < storage_ + count_;
            if (inside) {
                new (aside) T(element);
                source = reinterpret_cast<const T*>(aside);
            }
            const bool grown = grow(count_ + 1);
            if (grown) new (storage_ + count_) T(*source);
            if (inside) reinterpret_cast<const T*>(aside)->~T();
            if (!grown) return false;
        } else {
            new (storage_ + count_) T(element);
        }
        ++count_;
        return true;
    }

    // Grows the capacity to the next multiple of the growth step that holds count + k.
    bool appendDefault(int32_t k, const T* fill = nullptr) {
        if (k < 0) return false;
        const int64_t wanted = static_cast<int64_t>(count_) + k;
        if (wanted > capacity_) {
            const int64_t step = growthStep();
            const int64_t rounded = (wanted + step - 1) / step * step;
            if (rounded > INT32_MAX || !setCapacity(static_cast<int32_t>(rounded))) return false;
        }
        for (int32_t i = 0; i < k; ++i) constructAt(count_ + i, fill);
        count_ += k;
        return true;
    }

    // Grows the count by one and hands back the new element; raises when storage cannot grow.
    T& appendNew() {
        if (count_ == capacity_ && !grow(count_ + 1)) qv::raise(qv::kOutOfMemory, "QVClassArray", 978);
        constructAt(count_, nullptr);
        return storage_[count_++];
    }

    void removeLast() {
        if (count_ > 0) setCount(count_ - 1);
    }

    void clear() {
        destroyRange(0, count_);
        if ((flags_ & qv::kArrayFixed) != 0) {
            count_ = 0;
            return;
        }
        qv::freeBlock(storage_);
        storage_ = nullptr;
        count_ = 0;
        capacity_ = 0;
    }

    bool assign(const QVClassArray& other) {
        if (this == &other) return true;
        if (other.count_ > capacity_ && !setCapacity(other.count_)) return false;
        destroyRange(0, count_);
        for (int32_t i = 0; i < other.count_; ++i) new (storage_ + i) T(other.storage_[i]);
        count_ = other.count_;
        return true;
    }

private:
    bool grow(int32_t atLeast) {
        int64_t next = static_cast<int64_t>(capacity_) + growthStep();
        if (next < atLeast) next = atLeast;
        if (next > INT32_MAX) return false;
        return setCapacity(static_cast<int32_t>(next));
    }
    void constructAt(int32_t i, const T* fill) {
        if (fill != nullptr) {
            new (storage_ + i) T(*fill);
        } else {
            new (storage_ + i) T();
        }
    }
    void destroyRange(int32_t from, int32_t to) {
        if (!std::is_trivially_destructible<T>::value)
            for (int32_t i = from; i < to; ++i) storage_[i].~T();
    }

    int32_t count_;
    int32_t capacity_;
    uint32_t flags_;
    T* storage_;
};
