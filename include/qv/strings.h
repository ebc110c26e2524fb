// The SDK's string family. The host creates, reads and changes these strings through their own
// operations, so every member has the same operation table and the same leading fields:
// charCount, byteLength and capacity, then the storage.
//
//   TQVString           abstract base
//   TQVString15         16 inline bytes, capacity 15
//   TQVFixedString<N>   N + 1 inline bytes, capacity N (31, 255 or 1023)
//   TQVHeapString       a block from the memory service that grows on demand
//
// Text is UTF-8. charCount counts the bytes that start a character: every byte below 0x80 and
// every byte from 0xC2 to 0xF4. A fixed string keeps at most its capacity in bytes, cutting a
// longer text at that byte (possibly inside a character). A heap string whose storage cannot
// grow becomes empty with capacity 0 rather than failing.
//
// The case-insensitive comparisons fold the ASCII letters A-Z onto a-z and compare the bytes as
// unsigned values (like strcasecmp in the C locale); bytes of other characters compare as they
// are. There is no double-byte code page on this platform, so appendChar always appends one byte.
//
// Strings held through a TQVString pointer are destroyed with deleteThis(1), never with delete.
#pragma once

#include <cstdint>
#include <cstring>

#include "qv/memory.h"
#include "qv/object.h"

namespace qv {

inline bool startsCharacter(unsigned char byte) {
    return byte < 0x80 || (byte >= 0xC2 && byte <= 0xF4);
}

inline int32_t countCharacters(const char* text, int32_t length) {
    int32_t count = 0;
    for (int32_t i = 0; i < length; ++i)
        if (startsCharacter(static_cast<unsigned char>(text[i]))) ++count;
    return count;
}

// Byte offset of character `index` (0 <= index <= count); `length` for the end.
inline int32_t characterOffset(const char* text, int32_t length, int32_t index) {
    int32_t seen = 0;
    for (int32_t i = 0; i < length; ++i) {
        if (startsCharacter(static_cast<unsigned char>(text[i]))) {
            if (seen == index) return i;
            ++seen;
        }
    }
    return length;
}

inline int compareFolded(const char* a, int32_t aLength, const char* b, int32_t bLength) {
    const int32_t common = aLength < bLength ? aLength : bLength;
    for (int32_t i = 0; i < common; ++i) {
        unsigned char ca = static_cast<unsigned char>(a[i]);
        unsigned char cb = static_cast<unsigned char>(b[i]);
        if (ca >= 'A' && ca <= 'Z') ca = static_cast<unsigned char>(ca - 'A' + 'a');
        if (cb >= 'A' && cb <= 'Z') cb = static_cast<unsigned char>(cb - 'A' + 'a');
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return aLength == bLength ? 0 : (aLength < bLength ? -1 : 1);
}

// a + b for two non-negative lengths, held below the largest 32-bit length.
inline int32_t addLengths(int32_t a, int32_t b) {
    const int64_t sum = static_cast<int64_t>(a) + b;
    return sum < INT32_MAX ? static_cast<int32_t>(sum) : INT32_MAX - 1;
}

inline int32_t textLength(const char* text) {
    return text != nullptr ? static_cast<int32_t>(std::strlen(text)) : 0;
}

}  // namespace qv

class TQVString : public TQVObject0 {
public:
    // Destroys the string; bit 0 of flags also frees the object through the memory service.
    virtual void QV_CALL deleteThis(unsigned flags) = 0;  // 1

    virtual void QV_CALL assign(const TQVString& other) {  // 2
        if (&other != this) setText(other.text(), other.byteLength);
    }

    // Appends the low byte of value.
    virtual void QV_CALL appendChar(int32_t value) {  // 3
        const int32_t old = byteLength;
        if (old >= INT32_MAX - 1 || setByteLength(old + 1) != old + 1) return;
        char* buffer = textBuffer();
        buffer[old] = static_cast<char>(value & 0xFF);
        finish(old + 1);
    }

    // Appends other's bytes, cut at the capacity of a fixed string.
    virtual void QV_CALL append(const TQVString& other) {  // 4
        const int32_t added = other.byteLength;
        if (added <= 0) return;
        const int32_t old = byteLength;
        const int32_t length = setByteLength(qv::addLengths(old, added));
        // Read other only now: appending a heap string to itself may have moved its text.
        if (length > old) std::memmove(textBuffer() + old, other.text(), static_cast<size_t>(length - old));
        finish(length);
    }

    virtual bool QV_CALL lessThan(const TQVString& other) const { return compareText(other) < 0; }        // 5
    virtual bool QV_CALL greaterThan(const TQVString& other) const { return compareText(other) > 0; }     // 6
    virtual bool QV_CALL lessOrEqual(const TQVString& other) const { return compareText(other) <= 0; }    // 7
    virtual bool QV_CALL greaterOrEqual(const TQVString& other) const { return compareText(other) >= 0; } // 8

    // Byte for byte, case-sensitive.
    virtual bool QV_CALL equals(const TQVString& other) const {  // 9
        return byteLength == other.byteLength &&
               std::memcmp(text(), other.text(), static_cast<size_t>(byteLength)) == 0;
    }

    // Unsigned bytes: -1, 0 or 1; a proper prefix orders first.
    virtual int32_t QV_CALL compare(const TQVString& other) const {  // 10
        const int32_t common = byteLength < other.byteLength ? byteLength : other.byteLength;
        const int order = std::memcmp(text(), other.text(), static_cast<size_t>(common));
        if (order != 0) return order < 0 ? -1 : 1;
        return byteLength == other.byteLength ? 0 : (byteLength < other.byteLength ? -1 : 1);
    }

    // Inserts other's text before character `index` (index charCount appends). An index outside
    // [0, charCount] or an other without characters changes nothing.
    virtual void QV_CALL insert(const TQVString& other, int32_t index) {  // 11
        if (index < 0 || index > charCount || other.charCount <= 0) return;
        const int32_t inserted = other.byteLength;
        const int32_t old = byteLength;
        const int32_t offset = qv::characterOffset(text(), old, index);

        // Inserting a heap string into itself: keep a copy, since growing moves the text.
        char* copy = nullptr;
        if (&other == this) {
            copy = static_cast<char*>(qv::allocateBlock(static_cast<size_t>(inserted)));
            if (copy == nullptr) return;
            std::memcpy(copy, text(), static_cast<size_t>(inserted));
        }
        const int32_t length = setByteLength(qv::addLengths(old, inserted));
        if (length >= offset) {
            char* buffer = textBuffer();
            const int32_t tailTarget = qv::addLengths(offset, inserted);
            if (tailTarget < length)
                std::memmove(buffer + tailTarget, buffer + offset,
                             static_cast<size_t>(length - tailTarget));
            const int32_t copied = inserted < length - offset ? inserted : length - offset;
            std::memcpy(buffer + offset, copy != nullptr ? copy : other.text(), static_cast<size_t>(copied));
            finish(length);
        }
        qv::freeBlock(copy);
    }

    // byteLength = min(n, capacity) (never below 0); a heap string first grows its storage to
    // n bytes. Newly exposed bytes are zero. Answers the new byteLength.
    virtual int32_t QV_CALL setByteLength(int32_t n) {  // 12
        if (n < 0) n = 0;
        if (n > capacity) n = capacity;
        char* buffer = textBuffer();
        if (n > byteLength) std::memset(buffer + byteLength, 0, static_cast<size_t>(n - byteLength));
        finish(n);
        return n;
    }

    // Nothing for inline storage; a heap string makes its capacity equal to n.
    virtual void QV_CALL slot13(int32_t) {}  // 13

    // Address of the text, always followed by a zero byte.
    virtual char* QV_CALL textBuffer() = 0;  // 14

    // Non-virtual conveniences for the module and the host.
    const char* text() const { return const_cast<TQVString*>(this)->textBuffer(); }
    void setText(const char* source) { setText(source, qv::textLength(source)); }

    // Copies length bytes of source; a null source or a zero length gives the empty text.
    void setText(const char* source, int32_t length) {
        if (source == nullptr || length <= 0) {
            clearText();
            return;
        }
        const int32_t n = setByteLength(length);
        if (n > 0) std::memmove(textBuffer(), source, static_cast<size_t>(n));
        finish(n);
    }

    int32_t charCount;
    int32_t byteLength;
    int32_t capacity;

protected:
    explicit TQVString(int32_t initialCapacity) : charCount(0), byteLength(0), capacity(initialCapacity) {}
    TQVString(const TQVString&) = default;
    TQVString& operator=(const TQVString&) = default;
    ~TQVString() = default;

    int compareText(const TQVString& other) const {
        return qv::compareFolded(text(), byteLength, other.text(), other.byteLength);
    }

    // The empty text with the whole storage zeroed.
    void clearText() {
        if (capacity > 0) {
            std::memset(textBuffer(), 0, static_cast<size_t>(capacity) + 1);
        } else {
            terminateAt(0);
        }
        byteLength = 0;
        charCount = 0;
    }

    // Sets byteLength, writes the terminating zero and recounts the characters.
    void finish(int32_t length) {
        byteLength = length;
        terminateAt(length);
        charCount = qv::countCharacters(text(), length);
    }

    void terminateAt(int32_t length) {
        // A heap string without storage answers a shared empty text that is never written.
        char* buffer = textBuffer();
        if (buffer[length] != '\0') buffer[length] = '\0';
    }
};

// Strings with inline storage of Capacity + 1 bytes.
template <int32_t Capacity>
class TQVInlineString : public TQVString {
public:
    TQVInlineString() : TQVString(Capacity) { std::memset(storage, 0, sizeof storage); }
    explicit TQVInlineString(const char* source) : TQVInlineString() { setText(source); }
    TQVInlineString(const char* source, int32_t length) : TQVInlineString() { setText(source, length); }
    TQVInlineString(const TQVString& other) : TQVInlineString() { setText(other.text(), other.byteLength); }
    TQVInlineString(const TQVInlineString& other) : TQVInlineString() {
        setText(other.text(), other.byteLength);
    }
    TQVInlineString& operator=(const TQVString& other) {
        assign(other);
        return *this;
    }
    TQVInlineString& operator=(const TQVInlineString& other) {
        assign(other);
        return *this;
    }
    ~TQVInlineString() = default;

    void QV_CALL deleteThis(unsigned flags) override {
        this->~TQVInlineString();
        if ((flags & 1u) != 0) TQVObject0::operator delete(this);
    }
    char* QV_CALL textBuffer() override { return storage; }

    char storage[Capacity + 1];
};

using TQVString15 = TQVInlineString<15>;

namespace qv {

template <int32_t Capacity>
struct FixedStringCapacity {
    static_assert(Capacity == 31 || Capacity == 255 || Capacity == 1023,
                  "fixed strings hold 31, 255 or 1023 bytes");
    static constexpr int32_t value = Capacity;
};

}  // namespace qv

template <int32_t Capacity>
using TQVFixedString = TQVInlineString<qv::FixedStringCapacity<Capacity>::value>;

class TQVHeapString : public TQVString {
public:
    // An empty string holds a one-byte block and capacity 0; without memory it holds nothing.
    TQVHeapString() : TQVString(0), storage(nullptr) {
        storage = static_cast<char*>(qv::allocateBlock(1));
        if (storage != nullptr) storage[0] = '\0';
    }
    explicit TQVHeapString(const char* source) : TQVHeapString() { setText(source); }
    TQVHeapString(const char* source, int32_t length) : TQVHeapString() { setText(source, length); }
    TQVHeapString(const TQVString& other) : TQVHeapString() { setText(other.text(), other.byteLength); }
    TQVHeapString(const TQVHeapString& other) : TQVHeapString() { setText(other.text(), other.byteLength); }
    TQVHeapString& operator=(const TQVString& other) {
        assign(other);
        return *this;
    }
    TQVHeapString& operator=(const TQVHeapString& other) {
        assign(other);
        return *this;
    }
    ~TQVHeapString() { qv::freeBlock(storage); }

    void QV_CALL deleteThis(unsigned flags) override {
        this->~TQVHeapString();
        if ((flags & 1u) != 0) TQVObject0::operator delete(this);
    }

    int32_t QV_CALL setByteLength(int32_t n) override {
        if (n > capacity) reserve(n);
        return TQVString::setByteLength(n);
    }

    void QV_CALL slot13(int32_t n) override { reserve(n); }

    char* QV_CALL textBuffer() override { return storage != nullptr ? storage : emptyText(); }

    // Reallocates the storage to n + 1 bytes and makes the capacity n, cutting a longer text.
    // When the storage cannot be had the string becomes empty with capacity 0.
    virtual bool QV_CALL reserve(int32_t n) {  // 15
        if (n < 0) n = 0;
        const size_t bytes = static_cast<size_t>(n) + 1;
        void* block = storage != nullptr ? qv::reallocateBlock(storage, bytes) : qv::allocateBlock(bytes);
        if (block == nullptr) {
            capacity = 0;
            byteLength = 0;
            charCount = 0;
            terminateAt(0);
            return false;
        }
        storage = static_cast<char*>(block);
        capacity = n;
        // The grown block's last byte is new and unset: give it the terminator a full text
        // needs, so that no later step reads it before writing it.
        storage[n] = '\0';
        finish(byteLength < n ? byteLength : n);
        return true;
    }

    char* storage;

private:
    static char* emptyText() {
        static char empty[1] = {'\0'};
        return empty;
    }
};
