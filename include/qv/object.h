// TQVObject0: the empty base whose class-level new and delete go through the host's memory
// service, so every SDK object (strings, components) is allocated where the host can account
// for it. Allocation never throws: a failed allocation makes the new-expression yield null and
// no constructor runs; a constructor that throws gives its memory back through the matching
// delete.
#pragma once

#include <cstddef>
#include <new>

#include "qv/memory.h"

class TQVObject0 {
public:
    static void* operator new(std::size_t size) noexcept { return qv::allocateObject(size); }
    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
        return qv::allocateObject(size);
    }
    static void* operator new(std::size_t, void* place) noexcept { return place; }

    static void operator delete(void* object) noexcept { qv::freeObject(object); }
    static void operator delete(void* object, const std::nothrow_t&) noexcept {
        qv::freeObject(object);
    }
    static void operator delete(void*, void*) noexcept {}

    // Arrays of SDK objects would bypass the per-object accounting; use QVClassArray instead.
    static void* operator new[](std::size_t) = delete;
    static void operator delete[](void*) = delete;
};
