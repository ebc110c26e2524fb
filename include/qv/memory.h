// The memory service the SDK types (strings, arrays, objects) allocate through. The module points
// it at the host's memory service in QVDllInit and clears it in QVDllCleanUp; a host that uses the
// SDK types itself points it at its own service. Without a service every allocation yields null.
#pragma once

#include "qv/services.h"

namespace qv {

inline IQVMemoryService*& memoryServiceSlot() {
    static IQVMemoryService* slot = nullptr;
    return slot;
}

inline void* allocateBlock(size_t size) {
    IQVMemoryService* memory = memoryServiceSlot();
    return memory != nullptr ? memory->allocateBlock(size) : nullptr;
}

inline void* reallocateBlock(void* block, size_t size) {
    IQVMemoryService* memory = memoryServiceSlot();
    return memory != nullptr ? memory->reallocateBlock(block, size) : nullptr;
}

inline void freeBlock(void* block) {
    IQVMemoryService* memory = memoryServiceSlot();
    if (memory != nullptr && block != nullptr) memory->freeBlock(block);
}

inline void* allocateObject(size_t size) {
    IQVMemoryService* memory = memoryServiceSlot();
    return memory != nullptr ? memory->allocateObject(size) : nullptr;
}

inline void freeObject(void* object) {
    IQVMemoryService* memory = memoryServiceSlot();
    if (memory != nullptr && object != nullptr) memory->freeObject(object);
}

}  // namespace qv
