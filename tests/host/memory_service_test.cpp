#include <gtest/gtest.h>

#include <cstring>

#include "host/services/memory_service.h"

using brumo::host::MemoryCounts;
using brumo::host::MemoryService;
using brumo::host::Ref;

namespace {

Ref<MemoryService> freshMemory() { return Ref<MemoryService>::adopt(new MemoryService); }

}  // namespace

TEST(MemoryService, CountsLiveObjectsBlocksAndExactBytes) {
    auto memory = freshMemory();
    void* block = memory->allocateBlock(100);
    void* object = memory->allocateObject(48);
    ASSERT_NE(block, nullptr);
    ASSERT_NE(object, nullptr);
    MemoryCounts counts = memory->counts();
    EXPECT_EQ(counts.liveBlocks, 1);
    EXPECT_EQ(counts.liveObjects, 1);
    EXPECT_EQ(counts.liveBytes, 148);

    // Growing and shrinking keep the byte count exact and the contents intact.
    std::memset(block, 0x5A, 100);
    block = memory->reallocateBlock(block, 4000);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(static_cast<unsigned char*>(block)[99], 0x5A);
    EXPECT_EQ(memory->counts().liveBytes, 4048);
    block = memory->reallocateBlock(block, 10);
    EXPECT_EQ(memory->counts().liveBytes, 58);
    EXPECT_EQ(memory->sizeOf(block), 10);

    // Reallocating nothing allocates.
    void* second = memory->reallocateBlock(nullptr, 7);
    EXPECT_EQ(memory->counts().liveBlocks, 2);

    memory->freeBlock(block);
    memory->freeBlock(second);
    memory->freeObject(object);
    counts = memory->counts();
    EXPECT_EQ(counts.liveBlocks, 0);
    EXPECT_EQ(counts.liveObjects, 0);
    EXPECT_EQ(counts.liveBytes, 0);
    EXPECT_TRUE(memory->balanced());
}

TEST(MemoryService, ZeroSizedBlocksAreDistinctAndFreeable) {
    auto memory = freshMemory();
    void* a = memory->allocateBlock(0);
    void* b = memory->allocateBlock(0);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(memory->counts().liveBytes, 0);
    memory->freeBlock(a);
    memory->freeBlock(b);
    EXPECT_TRUE(memory->balanced());
}

TEST(MemoryService, FailsExactlyTheNthAllocation) {
    auto memory = freshMemory();
    memory->failNthAllocation(3);
    void* first = memory->allocateBlock(8);
    void* second = memory->allocateObject(8);
    void* third = memory->allocateBlock(8);
    void* fourth = memory->allocateBlock(8);
    EXPECT_NE(first, nullptr);
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(third, nullptr);
    EXPECT_NE(fourth, nullptr);
    EXPECT_EQ(memory->counts().failedAllocations, 1u);
    EXPECT_EQ(memory->counts().liveBlocks, 2);

    // A failed reallocation leaves the old block valid and counted.
    std::memset(first, 0x11, 8);
    memory->failNthAllocation(1);
    EXPECT_EQ(memory->reallocateBlock(first, 1000), nullptr);
    EXPECT_EQ(memory->sizeOf(first), 8);
    EXPECT_EQ(static_cast<unsigned char*>(first)[7], 0x11);

    memory->failAllAllocations(true);
    EXPECT_EQ(memory->allocateObject(1), nullptr);
    EXPECT_EQ(memory->allocateBlock(1), nullptr);
    memory->clearFaults();
    void* after = memory->allocateBlock(1);
    EXPECT_NE(after, nullptr);

    for (void* block : {first, fourth, after}) memory->freeBlock(block);
    memory->freeObject(second);
    EXPECT_TRUE(memory->balanced());
}

TEST(MemoryService, RefusesFreesOfMemoryItDidNotHandOut) {
    auto memory = freshMemory();
    int local = 0;
    memory->freeBlock(&local);
    void* block = memory->allocateBlock(16);
    memory->freeObject(block);  // wrong kind: still live afterwards
    EXPECT_EQ(memory->counts().liveBlocks, 1);
    memory->freeBlock(block);
    memory->freeBlock(block);  // twice
    memory->freeBlock(nullptr);  // harmless
    EXPECT_EQ(memory->counts().invalidFrees, 3u);
    EXPECT_EQ(memory->counts().liveBlocks, 0);
    EXPECT_FALSE(memory->balanced());
}
