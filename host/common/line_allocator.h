// An allocator whose blocks own whole cache lines: each starts on a line and is rounded up to
// whole lines, so that no other block shares a line with it. For memory one thread writes while
// another reads or writes what lies next to it.
#pragma once

#include <cstddef>
#include <new>

namespace brumo::host {

template <class T>
struct LineAllocator {
    using value_type = T;
    static constexpr size_t kLine = 64;
    LineAllocator() = default;
    template <class U>
    LineAllocator(const LineAllocator<U>&) {}
    static size_t bytes(size_t n) { return (n * sizeof(T) + kLine - 1) / kLine * kLine; }
    T* allocate(size_t n) { return static_cast<T*>(::operator new(bytes(n), std::align_val_t{kLine})); }
    void deallocate(T* p, size_t n) { ::operator delete(p, bytes(n), std::align_val_t{kLine}); }
    friend bool operator==(const LineAllocator&, const LineAllocator&) { return true; }
    friend bool operator!=(const LineAllocator&, const LineAllocator&) { return false; }
};

}  // namespace brumo::host
