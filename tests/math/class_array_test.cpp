// QVClassArray, the growable array behind the module's lists: growth, fixed storage, zero fill
// and the behaviour when storage cannot be had.
#include <gtest/gtest.h>

#include "qv/class_array.h"
#include "qv/exception.h"
#include "tests/support/raised.h"
#include "tests/support/test_host.h"

namespace {

TEST(QVClassArray, GrowthAndCapacity) {
    QVClassArray<float> floats;
    EXPECT_EQ(floats.growthStep(), 32768u);
    EXPECT_EQ(floats.capacity(), 0);
    ASSERT_TRUE(floats.append(1.5f));
    EXPECT_EQ(floats.capacity(), 32768);
    EXPECT_EQ(QVClassArray<void*>().growthStep(), 131072u / sizeof(void*));

    QVClassArray<int32_t> ints(4);
    EXPECT_EQ(ints.growthStep(), 4u);
    EXPECT_NE(ints.flags() & qv::kArrayStepExplicit, 0u);
    ASSERT_TRUE(ints.appendDefault(5));  // next multiple of the step that holds 5
    EXPECT_EQ(ints.count(), 5);
    EXPECT_EQ(ints.capacity(), 8);
    for (int32_t i = 0; i < 5; ++i) ints[i] = i * 10;

    ASSERT_TRUE(ints.setCapacity(3));  // exact capacity, keeps the first elements
    EXPECT_EQ(ints.capacity(), 3);
    EXPECT_EQ(ints.count(), 3);
    EXPECT_EQ(ints[2], 20);
    ASSERT_TRUE(ints.append(ints[0]));  // an element of its own storage, which moves
    EXPECT_EQ(ints[3], 0);
    EXPECT_EQ(ints.capacity(), 7);

    QVClassArray<int32_t> copy;
    copy = ints;
    ASSERT_EQ(copy.count(), 4);
    EXPECT_EQ(copy[1], 10);
    ints.clear();
    EXPECT_EQ(ints.count(), 0);
    EXPECT_EQ(ints.capacity(), 0);
    EXPECT_EQ(copy[3], 0);
    ASSERT_TRUE(copy.setCapacity(0));
    EXPECT_EQ(copy.count(), 0);
}

TEST(QVClassArray, ZeroFill) {
    QVClassArray<int32_t> ints(2 | qv::kArrayZeroFill);
    const int32_t seven = 7;
    ASSERT_TRUE(ints.setCount(3, &seven));
    EXPECT_EQ(ints[2], 7);
    ASSERT_TRUE(ints.setCount(1));
    // Released slots are zeroed; new capacity beyond the count too.
    EXPECT_EQ(ints.data()[1], 0);
    EXPECT_EQ(ints.data()[2], 0);
    ASSERT_TRUE(ints.setCapacity(10));
    for (int32_t i = 1; i < 10; ++i) EXPECT_EQ(ints.data()[i], 0) << i;
    ASSERT_TRUE(ints.setCount(4));
    EXPECT_EQ(ints[3], 0);
}

TEST(QVClassArray, FixedStorageRefusesGrowth) {
    int32_t storage[3] = {-1, -1, -1};
    QVClassArray<int32_t> fixed(storage, 3);
    EXPECT_NE(fixed.flags() & qv::kArrayFixed, 0u);
    for (int32_t i = 0; i < 3; ++i) ASSERT_TRUE(fixed.append(i + 1));
    EXPECT_EQ(storage[2], 3);
    EXPECT_FALSE(fixed.append(4));
    EXPECT_FALSE(fixed.setCapacity(8));
    EXPECT_FALSE(fixed.appendDefault(1));
    EXPECT_THROW(fixed.appendNew(), TQVException);
    EXPECT_EQ(fixed.count(), 3);
    EXPECT_EQ(fixed.data(), storage);
    fixed.clear();  // keeps its storage
    EXPECT_EQ(fixed.capacity(), 3);
    EXPECT_EQ(fixed.data(), storage);
}

TEST(QVClassArray, FailedAllocationLeavesTheArrayAsItWas) {
    auto& memory = brumo::test::host().memory();
    QVClassArray<float> floats(2);
    ASSERT_TRUE(floats.append(1.0f));
    ASSERT_TRUE(floats.append(2.0f));
    float* storage = floats.data();

    memory.failNthAllocation(1);
    EXPECT_FALSE(floats.append(3.0f));
    EXPECT_EQ(floats.count(), 2);
    EXPECT_EQ(floats.data(), storage);
    memory.failNthAllocation(1);
    EXPECT_FALSE(floats.setCount(10));
    memory.failNthAllocation(1);
    EXPECT_FALSE(floats.appendDefault(3));
    EXPECT_EQ(floats.count(), 2);
    EXPECT_EQ(floats.capacity(), 2);

    memory.failNthAllocation(1);
    const TQVException error = brumo::test::raisedBy([&] { floats.appendNew(); });
    EXPECT_EQ(error.code, static_cast<QVResult>(0x80010002u));
    EXPECT_STREQ(error.source(), "QVClassArray");
    EXPECT_EQ(error.line, 978);
    memory.clearFaults();
    EXPECT_EQ(floats.count(), 2);
    EXPECT_EQ(floats[1], 2.0f);
    floats.appendNew() = 5.0f;
    EXPECT_EQ(floats.count(), 3);
    EXPECT_EQ(floats[2], 5.0f);
}

}  // namespace
