// The SDK strings: character counting, cutting at a fixed capacity, heap growth and its failure,
// insertion, comparison, and the storage they take from the memory service.
#include <gtest/gtest.h>

#include <string>

#include "qv/class_array.h"
#include "qv/strings.h"
#include "tests/support/test_host.h"

namespace brumo::test {
namespace {

std::string textOf(const TQVString& s) { return std::string(s.text(), static_cast<size_t>(s.byteLength)); }

TEST(StringCharacters, CountOnlyTheBytesThatStartACharacter) {
    const TQVString15 accented("a\xC3\xA9");
    EXPECT_EQ(accented.charCount, 2);
    EXPECT_EQ(accented.byteLength, 3);

    // Stray continuation bytes and the bytes no UTF-8 text contains start nothing.
    const TQVHeapString odd("\x80\xBF\xC0\xC1\xF5\xFF" "b\xF4\xC2");
    EXPECT_EQ(odd.byteLength, 9);
    EXPECT_EQ(odd.charCount, 3);

    const TQVHeapString mixed("\xE2\x82\xAC\xF0\x9F\x98\x80x");  // euro sign, emoji, x
    EXPECT_EQ(mixed.charCount, 3);
    EXPECT_EQ(qv::characterOffset(mixed.text(), mixed.byteLength, 1), 3);
    EXPECT_EQ(qv::characterOffset(mixed.text(), mixed.byteLength, 2), 7);
    EXPECT_EQ(qv::characterOffset(mixed.text(), mixed.byteLength, 3), 8);
}

TEST(StringCapacity, FixedStringsCutAtTheirCapacityAndHeapStringsGrow) {
    TQVString15 short15;
    short15.assign(TQVHeapString("abcdefghijklmnopqrst"));  // 20 bytes
    EXPECT_EQ(textOf(short15), "abcdefghijklmno");
    EXPECT_EQ(short15.charCount, 15);
    EXPECT_EQ(short15.capacity, 15);
    EXPECT_EQ(short15.text()[15], '\0');

    // The cut may fall inside a character; its lead byte still counts as one.
    const TQVString15 cut("abcdefghijklmn\xC3\xA9");
    EXPECT_EQ(cut.byteLength, 15);
    EXPECT_EQ(cut.charCount, 15);

    const std::string long1100(1100, 'x');
    TQVFixedString<31> s31(long1100.c_str());
    TQVFixedString<255> s255(long1100.c_str());
    TQVFixedString<1023> s1023(long1100.c_str());
    TQVHeapString heap(long1100.c_str());
    EXPECT_EQ(s31.byteLength, 31);
    EXPECT_EQ(s255.byteLength, 255);
    EXPECT_EQ(s1023.byteLength, 1023);
    EXPECT_EQ(heap.byteLength, 1100);
    EXPECT_EQ(heap.capacity, 1100);
    EXPECT_EQ(sizeof(s31.storage), 32u);
    EXPECT_EQ(sizeof(s1023.storage), 1024u);

    s31.append(TQVString15("more"));
    EXPECT_EQ(s31.byteLength, 31);
    heap.append(TQVString15("more"));
    EXPECT_EQ(heap.byteLength, 1104);
    EXPECT_EQ(textOf(heap).substr(1100), "more");

    TQVString15 full("fifteen chars!!");
    full.appendChar('x');
    EXPECT_EQ(textOf(full), "fifteen chars!!");
    TQVHeapString grown("ab");
    grown.appendChar(0x4163);  // the low byte only
    EXPECT_EQ(textOf(grown), "abc");
    EXPECT_EQ(grown.charCount, 3);
}

TEST(StringByteLength, SetByteLengthClampsAndZeroesWhatItExposes) {
    TQVString15 fixed("abc");
    EXPECT_EQ(fixed.setByteLength(40), 15);
    EXPECT_EQ(fixed.byteLength, 15);
    EXPECT_EQ(fixed.text()[3], '\0');
    EXPECT_EQ(fixed.setByteLength(2), 2);
    EXPECT_EQ(textOf(fixed), "ab");
    EXPECT_EQ(fixed.charCount, 2);
    EXPECT_EQ(fixed.setByteLength(-5), 0);

    TQVHeapString heap("abc");
    EXPECT_EQ(heap.setByteLength(40), 40);
    EXPECT_EQ(heap.capacity, 40);
    EXPECT_EQ(heap.text()[39], '\0');
    heap.slot13(2);  // the capacity follows, the text is cut
    EXPECT_EQ(heap.capacity, 2);
    EXPECT_EQ(textOf(heap), "ab");
    fixed.slot13(2);  // nothing for inline storage
    EXPECT_EQ(fixed.capacity, 15);

    // A null or empty source gives the empty text with the storage cleared.
    TQVString15 cleared("abcdef");
    cleared.setText(nullptr);
    EXPECT_EQ(cleared.byteLength, 0);
    EXPECT_EQ(cleared.charCount, 0);
    for (char c : cleared.storage) EXPECT_EQ(c, '\0');
}

TEST(StringInsert, InsertsBeforeTheGivenCharacter) {
    TQVString15 ab("ab");
    ab.insert(TQVString15("X"), 1);
    EXPECT_EQ(textOf(ab), "aXb");
    EXPECT_EQ(ab.charCount, 3);

    // Outside [0, charCount], or with nothing to insert, nothing changes.
    for (int32_t index : {4, -1, 100}) {
        ab.insert(TQVString15("Y"), index);
        EXPECT_EQ(textOf(ab), "aXb") << index;
    }
    ab.insert(TQVString15(""), 1);
    ab.insert(TQVString15("\x80"), 1);  // bytes, but no character
    EXPECT_EQ(textOf(ab), "aXb");

    ab.insert(TQVString15("<"), 0);
    ab.insert(TQVString15(">"), 4);
    EXPECT_EQ(textOf(ab), "<aXb>");

    // Character indices walk over whole characters.
    TQVHeapString accented("\xC3\xA9t\xC3\xA9");
    accented.insert(TQVString15("-"), 2);
    EXPECT_EQ(textOf(accented), "\xC3\xA9t-\xC3\xA9");
    EXPECT_EQ(accented.charCount, 4);

    // A fixed string keeps at most its capacity.
    TQVString15 nearlyFull("0123456789abcd");
    nearlyFull.insert(TQVString15("XYZ"), 2);
    EXPECT_EQ(textOf(nearlyFull), "01XYZ23456789ab");

    // Inserting a heap string into itself.
    TQVHeapString self("abc");
    self.insert(self, 1);
    EXPECT_EQ(textOf(self), "aabcbc");
    self.append(self);
    EXPECT_EQ(textOf(self), "aabcbcaabcbc");
}

TEST(StringComparison, CaseInsensitiveOrderAndByteEquality) {
    const TQVString15 abc("abc");
    const TQVString15 upperAbd("ABD");
    const TQVString15 upperAbc("ABC");
    EXPECT_TRUE(abc.lessThan(upperAbd));
    EXPECT_FALSE(abc.greaterThan(upperAbd));
    EXPECT_TRUE(upperAbd.greaterOrEqual(abc));
    EXPECT_FALSE(abc.equals(upperAbc));
    EXPECT_TRUE(abc.lessOrEqual(upperAbc));
    EXPECT_TRUE(abc.greaterOrEqual(upperAbc));
    EXPECT_FALSE(abc.lessThan(upperAbc));
    EXPECT_TRUE(abc.equals(TQVHeapString("abc")));
    EXPECT_TRUE(TQVString15("ab").lessThan(abc));  // a prefix orders first

    // compare looks at unsigned bytes and at case.
    EXPECT_EQ(abc.compare(upperAbc), 1);
    EXPECT_EQ(upperAbc.compare(abc), -1);
    EXPECT_EQ(abc.compare(TQVString15("abc")), 0);
    EXPECT_EQ(TQVString15("\xC3\xA9").compare(TQVString15("z")), 1);
    EXPECT_EQ(TQVString15("ab").compare(abc), -1);
}

TEST(HeapStringStorage, TakesBlocksFromTheMemoryServiceAndEmptiesWhenItCannotGrow) {
    host::MemoryService& memory = host().memory();
    const auto before = memory.counts();
    {
        TQVHeapString empty;
        EXPECT_EQ(empty.capacity, 0);
        EXPECT_NE(empty.storage, nullptr);
        EXPECT_EQ(memory.counts().liveBlocks, before.liveBlocks + 1);
        EXPECT_EQ(memory.sizeOf(empty.storage), 1);

        empty.setText("hello");
        EXPECT_EQ(memory.sizeOf(empty.storage), 6);

        // Growth that fails leaves the string empty with capacity 0, not broken.
        memory.failNthAllocation(1);
        empty.append(TQVString15(" world"));
        EXPECT_EQ(empty.byteLength, 0);
        EXPECT_EQ(empty.capacity, 0);
        EXPECT_EQ(empty.charCount, 0);
        EXPECT_STREQ(empty.text(), "");
        empty.setText("again");
        EXPECT_EQ(textOf(empty), "again");
    }
    EXPECT_EQ(memory.counts().liveBlocks, before.liveBlocks);

    // Without any memory the string has no storage but still reads as empty text.
    memory.failAllAllocations(true);
    {
        TQVHeapString nothing("text");
        EXPECT_EQ(nothing.storage, nullptr);
        EXPECT_EQ(nothing.capacity, 0);
        EXPECT_STREQ(nothing.text(), "");
        nothing.appendChar('x');
        nothing.insert(TQVString15("y"), 0);
        EXPECT_EQ(nothing.byteLength, 0);
        EXPECT_FALSE(nothing.reserve(10));
    }
    memory.failAllAllocations(false);

    // deleteThis(1) frees the storage and the object.
    TQVString* owned = new TQVHeapString("owned");
    ASSERT_NE(owned, nullptr);
    EXPECT_EQ(memory.counts().liveObjects, before.liveObjects + 1);
    owned->deleteThis(1);
    EXPECT_EQ(memory.counts().liveObjects, before.liveObjects);
    EXPECT_EQ(memory.counts().liveBlocks, before.liveBlocks);
    EXPECT_EQ(memory.counts().invalidFrees, before.invalidFrees);
}

TEST(StringValues, CopiesAreIndependentAlsoInsideArrays) {
    TQVHeapString original("first");
    TQVHeapString copy(original);
    copy.setText("second");
    EXPECT_EQ(textOf(original), "first");
    original = copy;
    EXPECT_EQ(textOf(original), "second");

    QVClassArray<TQVString15> list;
    for (const char* name : {"Spectral noise", "Turbulence", "Ridged noise"})
        ASSERT_TRUE(list.append(TQVString15(name)));
    TQVString15 separator;
    ASSERT_TRUE(list.append(separator));
    QVClassArray<TQVString15> other(list);
    list[0].setText("changed");
    EXPECT_EQ(textOf(other[0]), "Spectral noise");
    EXPECT_EQ(textOf(other[1]), "Turbulence");
    EXPECT_EQ(other[3].byteLength, 0);
}

}  // namespace
}  // namespace brumo::test
