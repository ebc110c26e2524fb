// 16-byte identifiers of classes and interfaces, compared as four 32-bit words.
#pragma once

#include <cstring>

#include "qv/platform.h"

struct QVGuid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};
static_assert(sizeof(QVGuid) == 16, "a GUID is 16 bytes");

inline bool operator==(const QVGuid& a, const QVGuid& b) {
    uint32_t wa[4];
    uint32_t wb[4];
    std::memcpy(wa, &a, sizeof wa);
    std::memcpy(wb, &b, sizeof wb);
    return wa[0] == wb[0] && wa[1] == wb[1] && wa[2] == wb[2] && wa[3] == wb[3];
}
inline bool operator!=(const QVGuid& a, const QVGuid& b) { return !(a == b); }

// Builds a GUID from its registry form {d1-d2-d3-d4d4-d4d4d4d4d4d4}: qvGuid(0x031DD1DB, 0x024E,
// 0x11D2, 0x8F2E, 0x00609798E77DULL).
constexpr QVGuid qvGuid(uint32_t d1, uint16_t d2, uint16_t d3, uint16_t d4a, uint64_t d4b) {
    return QVGuid{d1,
                  d2,
                  d3,
                  {static_cast<uint8_t>(d4a >> 8), static_cast<uint8_t>(d4a),
                   static_cast<uint8_t>(d4b >> 40), static_cast<uint8_t>(d4b >> 32),
                   static_cast<uint8_t>(d4b >> 24), static_cast<uint8_t>(d4b >> 16),
                   static_cast<uint8_t>(d4b >> 8), static_cast<uint8_t>(d4b)}};
}
