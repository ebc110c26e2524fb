#include "frame/grid_inputs.h"

#include <cstring>

#include "qv/exception.h"
#include "qv/result_codes.h"

namespace brumo {

namespace {

void raiseOutOfMemory() { qv::raise(qv::kOutOfMemory, "QVClassArray", 978); }

}  // namespace

void GridInputs::add(uint32_t word) {
    if (!words_.append(word)) raiseOutOfMemory();
}

void GridInputs::add(float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    add(bits);
}

void GridInputs::add(const Vector3& v) {
    add(v.x);
    add(v.y);
    add(v.z);
}

void GridInputs::add(const void* address) {
    const uint64_t value = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(address));
    add(static_cast<uint32_t>(value));
    add(static_cast<uint32_t>(value >> 32));
}

void GridInputs::addBytes(const void* bytes, int32_t count) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    for (int32_t at = 0; at < count; at += 4) {
        uint32_t word = 0;
        std::memcpy(&word, p + at, static_cast<size_t>(count - at < 4 ? count - at : 4));
        add(word);
    }
}

bool GridInputs::operator==(const GridInputs& other) const {
    const int32_t n = words_.count();
    return n == other.words_.count() &&
           (n == 0 || std::memcmp(words_.data(), other.words_.data(), sizeof(uint32_t) * size_t(n)) == 0);
}

void GridInputs::copyFrom(const GridInputs& other) {
    if (!words_.assign(other.words_)) raiseOutOfMemory();
}

}  // namespace brumo
