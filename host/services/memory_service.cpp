#include "host/services/memory_service.h"

#include <cstdlib>

namespace brumo::host {

MemoryService::~MemoryService() {
    // What is still live belongs to someone who forgot it; give it back to the platform.
    for (auto& [pointer, entry] : live_) std::free(pointer);
}

bool MemoryService::shouldFail() {
    ++counts_.allocations;
    const bool fail = failAll_ || (failAt_ != 0 && counts_.allocations == failAt_);
    if (fail) ++counts_.failedAllocations;
    return fail;
}

void* MemoryService::allocate(size_t size, Kind kind) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (shouldFail()) return nullptr;
    // A zero-byte request still gets a distinct block the caller can free.
    void* pointer = std::malloc(size != 0 ? size : 1);
    if (pointer == nullptr) {
        ++counts_.failedAllocations;
        return nullptr;
    }
    live_.emplace(pointer, Entry{size, kind});
    ++(kind == Kind::Block ? counts_.liveBlocks : counts_.liveObjects);
    counts_.liveBytes += static_cast<int64_t>(size);
    return pointer;
}

void MemoryService::release(void* pointer, Kind kind) {
    if (pointer == nullptr) return;
    std::lock_guard<std::mutex> guard(mutex_);
    auto found = live_.find(pointer);
    if (found == live_.end() || found->second.kind != kind) {
        // Never hand a pointer we did not give out (or gave out as the other kind) to free().
        ++counts_.invalidFrees;
        return;
    }
    --(kind == Kind::Block ? counts_.liveBlocks : counts_.liveObjects);
    counts_.liveBytes -= static_cast<int64_t>(found->second.size);
    live_.erase(found);
    std::free(pointer);
}

void* QV_CALL MemoryService::allocateBlock(size_t size) { return allocate(size, Kind::Block); }

void* QV_CALL MemoryService::allocateObject(size_t size) { return allocate(size, Kind::Object); }

void QV_CALL MemoryService::freeBlock(void* block) { release(block, Kind::Block); }

void QV_CALL MemoryService::freeObject(void* object) { release(object, Kind::Object); }

void* QV_CALL MemoryService::reallocateBlock(void* block, size_t size) {
    if (block == nullptr) return allocateBlock(size);
    std::lock_guard<std::mutex> guard(mutex_);
    auto found = live_.find(block);
    if (found == live_.end() || found->second.kind != Kind::Block) {
        ++counts_.invalidFrees;
        return nullptr;
    }
    // On failure the old block stays valid and untouched, as with realloc.
    if (shouldFail()) return nullptr;
    void* moved = std::realloc(block, size != 0 ? size : 1);
    if (moved == nullptr) {
        ++counts_.failedAllocations;
        return nullptr;
    }
    const size_t oldSize = found->second.size;
    live_.erase(found);
    live_.emplace(moved, Entry{size, Kind::Block});
    counts_.liveBytes += static_cast<int64_t>(size) - static_cast<int64_t>(oldSize);
    return moved;
}

MemoryCounts MemoryService::counts() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return counts_;
}

bool MemoryService::balanced() const {
    const MemoryCounts now = counts();
    return now.liveObjects == 0 && now.liveBlocks == 0 && now.liveBytes == 0 &&
           now.invalidFrees == 0;
}

void MemoryService::failNthAllocation(uint64_t n) {
    std::lock_guard<std::mutex> guard(mutex_);
    failAt_ = n == 0 ? 0 : counts_.allocations + n;
}

void MemoryService::failAllAllocations(bool fail) {
    std::lock_guard<std::mutex> guard(mutex_);
    failAll_ = fail;
}

void MemoryService::clearFaults() {
    std::lock_guard<std::mutex> guard(mutex_);
    failAt_ = 0;
    failAll_ = false;
}

int64_t MemoryService::sizeOf(const void* pointer) const {
    std::lock_guard<std::mutex> guard(mutex_);
    auto found = live_.find(const_cast<void*>(pointer));
    return found == live_.end() ? -1 : static_cast<int64_t>(found->second.size);
}

}  // namespace brumo::host
