// The position of a virtual operation in its operation table, counted from 1 with the three
// IQVUnknown operations. On GCC and Clang (Itanium ABI) a pointer to a virtual member function
// holds 1 + the byte offset of its slot, and no adjustment when it is reached without a base at
// an offset.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace brumo::test {

template <class Member>
int slotPosition(Member member) {
    static_assert(sizeof(Member) == 2 * sizeof(uintptr_t), "Itanium member function pointer");
    uintptr_t words[2];
    std::memcpy(words, &member, sizeof words);
    EXPECT_EQ(words[0] & 1u, 1u) << "not a virtual operation";
    EXPECT_EQ(words[1], 0u) << "reached through a base at an offset";
    return static_cast<int>((words[0] - 1) / sizeof(void*)) + 1;
}

}  // namespace brumo::test
