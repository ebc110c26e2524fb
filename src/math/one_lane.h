// A vector of one lane with the names of Highway's operations that the kernels use, so that a
// kernel written once over lanes also runs one point at a time: the one-point path of every
// build, and the only path of a build without Highway. Each operation is the plain float or int
// operation, so a lane gives the bits it gives in any wider vector.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstring>
#include <cstdint>
#include <type_traits>

#if defined(__GNUC__)
#define BRUMO_KERNEL_INLINE inline __attribute__((always_inline))
#else
#define BRUMO_KERNEL_INLINE inline
#endif

namespace brumo {
namespace one_lane {

struct FloatTag {};
struct IntTag {};
struct DoubleTag {};
struct Int64Tag {};

struct VecF {
    float raw;
};
struct VecI {
    int32_t raw;
};
struct VecD {
    double raw;
};
struct VecI64 {
    int64_t raw;
};
struct Flag {
    bool raw;
};

// Highway's names for tags, vectors and masks.
template <class T>
using ScalableTag = std::conditional_t<std::is_same_v<T, float>, FloatTag, IntTag>;
template <class D>
using RebindToSigned = std::conditional_t<std::is_same_v<D, DoubleTag>, Int64Tag, IntTag>;
template <class D>
using Vec = std::conditional_t<
    std::is_same_v<D, FloatTag>, VecF,
    std::conditional_t<std::is_same_v<D, DoubleTag>, VecD, std::conditional_t<std::is_same_v<D, Int64Tag>, VecI64, VecI>>>;
// A lane has no halves; kernels that split vectors take their one-lane branch.
template <class D>
using Half = D;
template <class T, class D>
using Rebind = std::conditional_t<std::is_same_v<T, double>, DoubleTag, FloatTag>;
template <class D>
using Mask = Flag;

constexpr size_t MaxLanes(FloatTag) { return 1; }
constexpr size_t MaxLanes(DoubleTag) { return 1; }
inline size_t Lanes(FloatTag) { return 1; }

inline VecF Set(FloatTag, float v) { return {v}; }
inline VecI Set(IntTag, int32_t v) { return {v}; }
inline VecF Zero(FloatTag) { return {0.0f}; }
inline float GetLane(VecF v) { return v.raw; }
inline int32_t GetLane(VecI v) { return v.raw; }
inline VecF LoadU(FloatTag, const float* p) { return {*p}; }
inline void LoadInterleaved3(FloatTag, const float* p, VecF& a, VecF& b, VecF& c) {
    a = {p[0]};
    b = {p[1]};
    c = {p[2]};
}
inline void LoadInterleaved4(FloatTag, const float* p, VecF& a, VecF& b, VecF& c, VecF& d) {
    a = {p[0]};
    b = {p[1]};
    c = {p[2]};
    d = {p[3]};
}
inline void StoreInterleaved4(VecF a, VecF b, VecF c, VecF d, FloatTag, float* p) {
    p[0] = a.raw;
    p[1] = b.raw;
    p[2] = c.raw;
    p[3] = d.raw;
}

inline VecF Add(VecF a, VecF b) { return {a.raw + b.raw}; }
inline VecF Sub(VecF a, VecF b) { return {a.raw - b.raw}; }
inline VecF Mul(VecF a, VecF b) { return {a.raw * b.raw}; }
inline VecF Div(VecF a, VecF b) { return {a.raw / b.raw}; }
inline VecF Neg(VecF a) { return {-a.raw}; }
inline VecF Abs(VecF a) { return {std::fabs(a.raw)}; }
inline VecF Sqrt(VecF a) { return {std::sqrt(a.raw)}; }
inline VecF Floor(VecF a) { return {std::floor(a.raw)}; }
inline VecF Min(VecF a, VecF b) { return {a.raw < b.raw ? a.raw : b.raw}; }
// The second operand unless the first is greater, as x86's max.
inline VecF Max(VecF a, VecF b) { return {a.raw > b.raw ? a.raw : b.raw}; }
// Truncates, as Highway's; for floats within the int range.
inline VecI ConvertTo(IntTag, VecF a) { return {static_cast<int32_t>(a.raw)}; }
inline VecF ConvertTo(FloatTag, VecI a) { return {static_cast<float>(a.raw)}; }

inline VecI Add(VecI a, VecI b) { return {static_cast<int32_t>(static_cast<uint32_t>(a.raw) + static_cast<uint32_t>(b.raw))}; }
inline VecI Sub(VecI a, VecI b) { return {static_cast<int32_t>(static_cast<uint32_t>(a.raw) - static_cast<uint32_t>(b.raw))}; }
inline VecI Mul(VecI a, VecI b) { return {static_cast<int32_t>(static_cast<uint32_t>(a.raw) * static_cast<uint32_t>(b.raw))}; }
inline VecI And(VecI a, VecI b) { return {a.raw & b.raw}; }
template <int bits>
inline VecI ShiftRight(VecI a) {
    return {a.raw >> bits};
}
inline VecI GatherIndex(IntTag, const int32_t* table, VecI index) { return {table[index.raw]}; }

inline VecD Set(DoubleTag, double v) { return {v}; }
inline VecI64 Set(Int64Tag, int64_t v) { return {v}; }
inline VecD Add(VecD a, VecD b) { return {a.raw + b.raw}; }
inline VecD Sub(VecD a, VecD b) { return {a.raw - b.raw}; }
inline VecD Mul(VecD a, VecD b) { return {a.raw * b.raw}; }
inline VecI64 Add(VecI64 a, VecI64 b) { return {static_cast<int64_t>(static_cast<uint64_t>(a.raw) + static_cast<uint64_t>(b.raw))}; }
inline VecI64 Sub(VecI64 a, VecI64 b) { return {static_cast<int64_t>(static_cast<uint64_t>(a.raw) - static_cast<uint64_t>(b.raw))}; }
template <int bits>
inline VecI64 ShiftLeft(VecI64 a) {
    return {static_cast<int64_t>(static_cast<uint64_t>(a.raw) << bits)};
}
inline VecI64 BitCast(Int64Tag, VecD a) {
    VecI64 b;
    std::memcpy(&b.raw, &a.raw, sizeof b.raw);
    return b;
}
inline VecD BitCast(DoubleTag, VecI64 a) {
    VecD b;
    std::memcpy(&b.raw, &a.raw, sizeof b.raw);
    return b;
}
inline VecD PromoteTo(DoubleTag, VecF a) { return {static_cast<double>(a.raw)}; }
inline VecF DemoteTo(FloatTag, VecD a) { return {static_cast<float>(a.raw)}; }

inline Flag Lt(VecF a, VecF b) { return {a.raw < b.raw}; }
inline Flag Gt(VecF a, VecF b) { return {a.raw > b.raw}; }
inline Flag Le(VecF a, VecF b) { return {a.raw <= b.raw}; }
inline Flag Ge(VecF a, VecF b) { return {a.raw >= b.raw}; }
inline Flag Eq(VecF a, VecF b) { return {a.raw == b.raw}; }
inline Flag Ne(VecF a, VecF b) { return {a.raw != b.raw}; }
inline Flag IsFinite(VecF a) { return {std::isfinite(a.raw)}; }
inline Flag IsInf(VecF a) { return {std::isinf(a.raw)}; }
inline Flag And(Flag a, Flag b) { return {a.raw && b.raw}; }
inline Flag Or(Flag a, Flag b) { return {a.raw || b.raw}; }
inline Flag Not(Flag a) { return {!a.raw}; }
// Highway's order: not a, and b.
inline Flag AndNot(Flag a, Flag b) { return {!a.raw && b.raw}; }
inline bool AllTrue(FloatTag, Flag m) { return m.raw; }
inline bool AllFalse(FloatTag, Flag m) { return !m.raw; }

inline Flag RebindMask(IntTag, Flag m) { return m; }
// On the floats, not the structs: a select of structs becomes a select of their addresses.
inline VecF IfThenElse(Flag m, VecF yes, VecF no) { return {m.raw ? yes.raw : no.raw}; }
inline VecI IfThenElse(Flag m, VecI yes, VecI no) { return m.raw ? yes : no; }
inline VecF IfThenElseZero(Flag m, VecF yes) { return m.raw ? yes : VecF{0.0f}; }
inline VecF IfThenZeroElse(Flag m, VecF no) { return m.raw ? VecF{0.0f} : no; }

}  // namespace one_lane
}  // namespace brumo
