// Four-character codes: the bytes, from the most significant, spell the four characters.
#pragma once

#include <cstdint>

namespace qv {

constexpr uint32_t fourcc(const char (&code)[5]) {
    return (static_cast<uint32_t>(static_cast<unsigned char>(code[0])) << 24) |
           (static_cast<uint32_t>(static_cast<unsigned char>(code[1])) << 16) |
           (static_cast<uint32_t>(static_cast<unsigned char>(code[2])) << 8) |
           static_cast<uint32_t>(static_cast<unsigned char>(code[3]));
}
static_assert(fourcc("Opt0") == 0x4F707430u, "fourcc spells from the most significant byte");

}  // namespace qv
