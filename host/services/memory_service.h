// The host's memory service: malloc-based, with exact accounting of what is live and fault
// injection for the module's out-of-memory paths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <unordered_map>

#include "host/common/host_object.h"
#include "qv/services.h"

namespace brumo::host {

struct MemoryCounts {
    int64_t liveObjects = 0;
    int64_t liveBlocks = 0;
    int64_t liveBytes = 0;      // blocks and objects together, as requested
    uint64_t allocations = 0;   // allocation attempts so far (allocate, reallocate, object)
    uint64_t failedAllocations = 0;
    uint64_t invalidFrees = 0;  // frees of unknown pointers, double frees, kind mix-ups
};

class MemoryService final : public HostObject<IQVMemoryService> {
public:
    void* QV_CALL allocateBlock(size_t size) override;
    void QV_CALL slot5() override {}
    void* QV_CALL reallocateBlock(void* block, size_t size) override;
    void QV_CALL freeBlock(void* block) override;
    void* QV_CALL allocateObject(size_t size) override;
    void QV_CALL freeObject(void* object) override;

    MemoryCounts counts() const;
    bool balanced() const;  // nothing live and no invalid free

    // Makes the n-th allocation attempt from now fail (1 = the next one); 0 cancels.
    void failNthAllocation(uint64_t n);
    // Makes every allocation attempt fail until switched off.
    void failAllAllocations(bool fail);
    void clearFaults();

    // Size of a live block or object, or -1 when the pointer is not live here.
    int64_t sizeOf(const void* pointer) const;

private:
    enum class Kind : uint8_t { Block, Object };
    struct Entry {
        size_t size;
        Kind kind;
    };
    ~MemoryService() override;
    bool shouldFail();  // under mutex_
    void* allocate(size_t size, Kind kind);
    void release(void* pointer, Kind kind);

    mutable std::mutex mutex_;
    std::unordered_map<void*, Entry> live_;
    MemoryCounts counts_;
    uint64_t failAt_ = 0;  // absolute attempt number that fails; 0 = none
    bool failAll_ = false;
};

}  // namespace brumo::host
