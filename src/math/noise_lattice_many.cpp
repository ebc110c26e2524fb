// The batch noise functions: the noise kernels compiled once per instruction set with
// Highway, the best one the CPU runs taken at the first call, and the choice of that set.
// Without Highway (the 32-bit builds) or with BRUMO_SIMD=scalar a batch runs the kernels' one-lane
// case, a few points at a time.
#include "math/noise_lattice.h"
#include "math/octave_plan.h"
#include "math/one_lane.h"
#include "math/vector_lanes.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#if BRUMO_HAVE_HIGHWAY

// The noise also compiles for AVX-512 with byte permutes (VBMI), which look the hashes up in
// registers.
#ifndef HWY_WANT_AVX3_DL
#define HWY_WANT_AVX3_DL 1
#endif
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "math/noise_lattice_many.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace brumo {
namespace HWY_NAMESPACE {
namespace {

namespace hn = hwy::HWY_NAMESPACE;
#include "math/lane_types-inl.h"

using Fade = NoiseLattice::Fade;
using Tables = NoiseLattice::LaneTables;

#undef BRUMO_NOISE_FLOOR_INT
#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL
#define BRUMO_NOISE_FLOOR_INT(x) VI{_mm512_cvt_roundps_epi32((x).raw, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC)}
#endif

#if HWY_TARGET == HWY_AVX3_DL
// The 256 permutation bytes are four registers, and a lane's four bytes look up four hashes at
// once: a two-table byte permute covers each half of the table, bit 7 of the index picks the
// half. The z cells need two hashes, the y-z edges four, so that one lookup serves each level.
HWY_INLINE __m512i lookUpBytes(const Tables& t, __m512i index) {
    const uint8_t* bytes = t.hashBytes;
    const __m512i low = _mm512_permutex2var_epi8(_mm512_loadu_si512(bytes), index, _mm512_loadu_si512(bytes + 64));
    const __m512i high = _mm512_permutex2var_epi8(_mm512_loadu_si512(bytes + 128), index, _mm512_loadu_si512(bytes + 192));
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(index), low, high);
}

// Byte 0 of each lane (a cell, 0..255) in all four bytes.
HWY_INLINE __m512i spreadByte(VI v) {
    return _mm512_shuffle_epi8(v.raw, _mm512_set4_epi32(0x0C0C0C0C, 0x08080808, 0x04040404, 0));
}

// The bytes of each lane: the hashes of z, z, z + 1, z + 1.
HWY_INLINE VI zHashes(const Tables& t, VI iz) {
    return VI{lookUpBytes(t, _mm512_add_epi8(spreadByte(iz), _mm512_set1_epi32(0x01010000)))};
}

// The bytes of edges[0]: the hashes of the edges (y0, z0), (y1, z0), (y0, z1), (y1, z1); bytes add
// modulo 256, as the cells wrap.
HWY_INLINE void edgeHashes(const Tables& t, VI iy, VI hz, VI (&edges)[2]) {
    const __m512i y = _mm512_add_epi8(spreadByte(iy), _mm512_set1_epi32(0x01000100));
    edges[0] = VI{lookUpBytes(t, _mm512_add_epi8(hz.raw, y))};
    edges[1] = edges[0];
}

HWY_INLINE void edgeKeys(VI ix, const VI (&edges)[2], VI (&k)[4]) {
    const VI keys{_mm512_add_epi8(edges[0].raw, spreadByte(ix))};
    const DI di;
    const VI mask = hn::Set(di, 255);
    k[0] = hn::And(keys, mask);
    k[1] = hn::And(hn::ShiftRight<8>(keys), mask);
    k[2] = hn::And(hn::ShiftRight<16>(keys), mask);
    k[3] = VI{_mm512_srli_epi32(keys.raw, 24)};
}
#else
#if HWY_TARGET == HWY_AVX2
// The lanes of v as memory for lane-by-lane loads (the empty asm keeps them there): reading them
// back costs less than extracting lanes.
HWY_INLINE void spillLanes(__m256i v, int32_t (&lanes)[8]) {
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), v);
    asm("" : "+m"(lanes));
}

// The hashes of k (low 16 bits) and k + 1 (high 16 bits), eight loads through memory as the
// gradient rows below: on AMD's AVX2 cores a gather costs more (Zen 1: a noise 16.2 ns against
// 17.9 ns).
HWY_INLINE VI hashPair(const Tables& t, VI k) {
    HWY_ALIGN int32_t key[8];
    spillLanes(k.raw, key);
    const int32_t* h = t.hashPairs;
    const __m128i low = _mm_setr_epi32(h[key[0]], h[key[1]], h[key[2]], h[key[3]]);
    const __m128i high = _mm_setr_epi32(h[key[4]], h[key[5]], h[key[6]], h[key[7]]);
    return VI{_mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1)};
}
#else
// The hashes of k (low 16 bits) and k + 1 (high 16 bits).
HWY_INLINE VI hashPair(const Tables& t, VI k) { return hn::GatherIndex(DI(), t.hashPairs, k); }
#endif
#include "math/noise_hash_pairs-inl.h"
#endif

#if HWY_TARGET != HWY_SCALAR && HWY_TARGET != HWY_AVX2
// The 64-bit pairs at row[k] + 2 * column of the gradient rows, for the lower and the upper
// half of the lanes of k.
HWY_INLINE void gatherPairs(const Tables& t, VI k, int column, VF& low, VF& high) {
    const DF df;
    const VI pair = hn::ShiftLeft<3>(k);  // a row is eight 64-bit pairs
    const void* base = &t.gradientRows[0][Tables::kRowX + 2 * column];
#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL
    // The 32-bit indices as they are, without widening them for Highway's 64-bit gather.
    static_cast<void>(df);
    low = VF{_mm512_castpd_ps(_mm512_i32gather_pd(_mm512_castsi512_si256(pair.raw), base, 8))};
    high = VF{_mm512_castpd_ps(_mm512_i32gather_pd(_mm512_extracti64x4_epi64(pair.raw, 1), base, 8))};
#else
    const hn::Half<DI> dh;
    const hn::Rebind<int64_t, decltype(dh)> d64;
    const int64_t* pairs = static_cast<const int64_t*>(base);
    low = hn::BitCast(df, hn::GatherIndex(d64, pairs, hn::PromoteTo(d64, hn::LowerHalf(dh, pair))));
    high = hn::BitCast(df, hn::GatherIndex(d64, pairs, hn::PromoteTo(d64, hn::UpperHalf(dh, pair))));
#endif
}
#endif

#undef BRUMO_NOISE_FEW_KEYS
#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL || HWY_TARGET == HWY_AVX2
// Set once a key vector of a cell held other keys: the cell's next ones, whose lanes change cell
// where its lanes do, are read lane by lane without looking.
struct KeyHint {
    explicit KeyHint(bool fewKeysLikely) : scattered(!fewKeysLikely) {}
    bool scattered;
};

#if HWY_TARGET == HWY_AVX2
// The lanes whose key differs from the lane's before them (lane 0 left out), and the last key.
HWY_INLINE uint32_t keyChanges(VI k) {
    const __m256i before = _mm256_permutevar8x32_epi32(k.raw, _mm256_setr_epi32(0, 0, 1, 2, 3, 4, 5, 6));
    const __m256 same = _mm256_castsi256_ps(_mm256_cmpeq_epi32(k.raw, before));
    return ~static_cast<uint32_t>(_mm256_movemask_ps(same)) & 0xFEu;
}
HWY_INLINE int32_t lastKey(VI k) { return _mm256_extract_epi32(k.raw, 7); }
#else
HWY_INLINE uint32_t keyChanges(VI k) {
    const __m512i before = _mm512_alignr_epi32(k.raw, k.raw, 15);
    return _cvtmask16_u32(_mm512_cmpneq_epi32_mask(k.raw, before)) & 0xFFFEu;
}
HWY_INLINE int32_t lastKey(VI k) { return _mm_extract_epi32(_mm512_extracti32x4_epi32(k.raw, 3), 3); }
#endif

// The points of a run lie along a ray, and the lanes of a vector mostly share one cell or two:
// a key vector's key then changes at most once from lane to lane, and the rows of its first and
// last lanes are broadcast (and blended, for two), a fraction of a lane-by-lane fetch. False
// when the key changes more often.
HWY_INLINE bool gradientPairOfEnds(const Tables& t, VI k, VF (&g0)[3], VF (&g1)[3]) {
    const DF df;
    const uint32_t changes = keyChanges(k);
    if ((changes & (changes - 1)) != 0) return false;
    const float* a = t.gradientRows[hn::GetLane(k)] + Tables::kRowX;
    if (changes == 0) {
        for (int c = 0; c < 3; ++c) {
            g0[c] = hn::Set(df, a[2 * c]);
            g1[c] = hn::Set(df, a[2 * c + 1]);
        }
        return true;
    }
    const int32_t last = lastKey(k);
    const float* b = t.gradientRows[last] + Tables::kRowX;
    // The lanes from the change on.
    const MF later = hn::RebindMask(df, hn::Eq(k, hn::Set(DI(), last)));
    for (int c = 0; c < 3; ++c) {
        g0[c] = hn::IfThenElse(later, hn::Set(df, b[2 * c]), hn::Set(df, a[2 * c]));
        g1[c] = hn::IfThenElse(later, hn::Set(df, b[2 * c + 1]), hn::Set(df, a[2 * c + 1]));
    }
    return true;
}
// In a set's gradientPair: the read above where it applies (returning), else the cell marked.
#define BRUMO_NOISE_FEW_KEYS(t, k, hint, g0, g1)                 \
    if (!hint.scattered) {                                       \
        if (gradientPairOfEnds(t, k, g0, g1)) return;            \
        hint.scattered = true;                                   \
    }
#else
struct KeyHint {
    explicit KeyHint(bool) {}
};
#define BRUMO_NOISE_FEW_KEYS(t, k, hint, g0, g1)
#endif

// The gradient rows gathered, each set its own way (64-bit gathers; with AVX2 one load per lane):
// on every set but AVX-512 always, and on AVX-512 where gathers are fast.
namespace gatheredRows {

// The two x corners whose hash is k (corner x0) and k + 1 (corner x1).
HWY_INLINE void gradientPair(const Tables& t, VI k, [[maybe_unused]] KeyHint& hint, VF (&g0)[3], VF (&g1)[3]) {
    const DF df;
#if HWY_TARGET == HWY_SCALAR
    // One lane (the fallback this compiler builds): the row is read directly.
    const float* row = t.gradientRows[hn::GetLane(k)] + Tables::kRowX;
    for (int c = 0; c < 3; ++c) {
        g0[c] = hn::Set(df, row[2 * c]);
        g1[c] = hn::Set(df, row[2 * c + 1]);
    }
#elif HWY_TARGET == HWY_AVX2
    // Gathers are slow here: each lane's row is one 32-byte load, from byte 16 (x and y pairs,
    // then z) for lanes 0-3 and from byte 0 (z, then x and y) for lanes 4-7, so that one blend
    // puts the x and y pairs of lanes i and i + 4 in their halves; a 4 x 4 transpose in each half
    // then turns rows into components, and only z needs its halves swapped. The row offsets go
    // through memory (the empty asm keeps them there): reading them back costs less than
    // extracting lanes.
    BRUMO_NOISE_FEW_KEYS(t, k, hint, g0, g1)
    static_cast<void>(df);
    HWY_ALIGN int32_t offset[8];
    spillLanes(_mm256_slli_epi32(k.raw, 6), offset);
    const char* rows = reinterpret_cast<const char*>(&t.gradientRows[0][0]);
    auto row = [&](int lane, int at) {
        return _mm256_loadu_ps(reinterpret_cast<const float*>(rows + offset[lane] + at));
    };
    // a[i]: (x0, x1, y0, y1) of lane i, then of lane i + 4; b[i]: the z pairs of lane i + 4, then
    // of lane i.
    __m256 a[4], b[4];
    for (int i = 0; i < 4; ++i) {
        const __m256 low = row(i, 16);
        const __m256 high = row(i + 4, 0);
        a[i] = _mm256_blend_ps(low, high, 0xF0);
        b[i] = _mm256_blend_ps(high, low, 0xF0);
    }
    const __m256 x01 = _mm256_unpacklo_ps(a[0], a[1]);
    const __m256 x23 = _mm256_unpacklo_ps(a[2], a[3]);
    const __m256 y01 = _mm256_unpackhi_ps(a[0], a[1]);
    const __m256 y23 = _mm256_unpackhi_ps(a[2], a[3]);
    const __m256 z01 = _mm256_unpacklo_ps(b[0], b[1]);
    const __m256 z23 = _mm256_unpacklo_ps(b[2], b[3]);
    g0[0] = VF{_mm256_shuffle_ps(x01, x23, 0x44)};
    g1[0] = VF{_mm256_shuffle_ps(x01, x23, 0xEE)};
    g0[1] = VF{_mm256_shuffle_ps(y01, y23, 0x44)};
    g1[1] = VF{_mm256_shuffle_ps(y01, y23, 0xEE)};
    g0[2] = VF{_mm256_permute2f128_ps(_mm256_shuffle_ps(z01, z23, 0x44), z01, 0x01)};
    g1[2] = VF{_mm256_permute2f128_ps(_mm256_shuffle_ps(z01, z23, 0xEE), z01, 0x01)};
#else
    BRUMO_NOISE_FEW_KEYS(t, k, hint, g0, g1)
    // One 64-bit gather per component and half fetches both corners; the even and odd floats
    // split them.
    for (int c = 0; c < 3; ++c) {
        VF low, high;
        gatherPairs(t, k, c, low, high);
        g0[c] = hn::ConcatEven(df, high, low);
        g1[c] = hn::ConcatOdd(df, high, low);
    }
#endif
}

// AVX2 takes four vectors per step (below), and two octaves of them do not fit its registers.
constexpr bool kLookAhead = HWY_TARGET != HWY_AVX2;
// From SSE4 on; SSSE3 rounds in several steps, slower than the truncation.
constexpr bool kFloorRounds = HWY_TARGET != HWY_SSSE3 && HWY_TARGET != HWY_SCALAR;
// AVX2's lane-by-lane row reads cost so much that looking pays in every octave, even where points
// scatter (Zen 1: a 7-octave sum along a line 91 ns against 120 ns, scattered 115 ns against 120).
constexpr bool kOctavesLook = HWY_TARGET == HWY_AVX2;

#include "math/noise_kernels-inl.h"

// Vectors taken together, so that one's lookups wait while the others compute: four with AVX2,
// whose loads and transposes have long latency, two elsewhere (measured best).
constexpr int kGroup = HWY_TARGET == HWY_AVX2 ? 4 : 2;

}  // namespace gatheredRows

// The sets that can read the gradients as rows.
#define BRUMO_NOISE_ROW_READS (HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL)
#if BRUMO_NOISE_ROW_READS

// The gradient rows loaded whole, lane by lane, on AVX-512 and transposed: where gathers are slow
// (AMD), loads and in-block shuffles are plentiful.
namespace loadedRows {

HWY_INLINE void gradientPair(const Tables& t, VI k, KeyHint& hint, VF (&g0)[3], VF (&g1)[3]) {
    BRUMO_NOISE_FEW_KEYS(t, k, hint, g0, g1)
    // Row offsets to general registers, four lanes to a 128-bit block and two to a 64-bit move:
    // measured cheaper than a store and reloads.
    const __m512i offsets = _mm512_slli_epi32(k.raw, 6);
    uint32_t offset[16];
    for (int q = 0; q < 4; ++q) {
        const __m128i part = q == 0   ? _mm512_castsi512_si128(offsets)
                             : q == 1 ? _mm512_extracti32x4_epi32(offsets, 1)
                             : q == 2 ? _mm512_extracti32x4_epi32(offsets, 2)
                                      : _mm512_extracti32x4_epi32(offsets, 3);
        const uint64_t low = static_cast<uint64_t>(_mm_cvtsi128_si64(part));
        const uint64_t high = static_cast<uint64_t>(_mm_extract_epi64(part, 1));
        offset[4 * q] = static_cast<uint32_t>(low);
        offset[4 * q + 1] = static_cast<uint32_t>(low >> 32);
        offset[4 * q + 2] = static_cast<uint32_t>(high);
        offset[4 * q + 3] = static_cast<uint32_t>(high >> 32);
    }
    // 32 bytes of a lane's row: from byte 16 the x and y pairs then the z pair, from byte 0 the
    // z pair first.
    const char* rows = reinterpret_cast<const char*>(&t.gradientRows[0][0]);
    auto two = [&](int lane, int at) {
        auto row = [&](int i) { return _mm256_loadu_ps(reinterpret_cast<const float*>(rows + offset[i] + at)); };
        return _mm512_insertf32x8(_mm512_castps256_ps512(row(lane)), row(lane + 8), 1);
    };
    // a[i] holds lanes i and 8 + i with their x and y pairs in the even 128-bit blocks, b[i]
    // lanes 4 + i and 12 + i with them in the odd blocks: after a 4 x 4 transpose in each block
    // the x and y components are in their lanes' blocks, and one blend joins a and b. Only the
    // z pairs then need moving across blocks.
    __m512 a[4], b[4];
    for (int i = 0; i < 4; ++i) {
        a[i] = two(i, 16);
        b[i] = two(i + 4, 0);
    }
    auto firstTwo = [](const __m512(&r)[4], __m512& e0, __m512& e1) {
        const __m512 lo01 = _mm512_unpacklo_ps(r[0], r[1]);
        const __m512 lo23 = _mm512_unpacklo_ps(r[2], r[3]);
        e0 = _mm512_shuffle_ps(lo01, lo23, 0x44);
        e1 = _mm512_shuffle_ps(lo01, lo23, 0xEE);
    };
    __m512 a0, a1, b0, b1;
    firstTwo(a, a0, a1);
    firstTwo(b, b0, b1);
    const __mmask16 odd = 0xF0F0;
    g0[0] = VF{_mm512_mask_blend_ps(odd, a0, b0)};
    g1[0] = VF{_mm512_mask_blend_ps(odd, a1, b1)};
    // The z pairs of lanes 0-3 are in block 1 of a0, of lanes 4-7 in block 0 of b0, and so on.
    const __m512i zOrder = _mm512_setr_epi32(4, 5, 6, 7, 16, 17, 18, 19, 12, 13, 14, 15, 24, 25, 26, 27);
    g0[2] = VF{_mm512_permutex2var_ps(a0, zOrder, b0)};
    g1[2] = VF{_mm512_permutex2var_ps(a1, zOrder, b1)};
    // The y pairs are elements 2 and 3 of the x and y blocks only: blended before the second
    // shuffle.
    const __m512 hi01 = _mm512_mask_blend_ps(odd, _mm512_unpackhi_ps(a[0], a[1]), _mm512_unpackhi_ps(b[0], b[1]));
    const __m512 hi23 = _mm512_mask_blend_ps(odd, _mm512_unpackhi_ps(a[2], a[3]), _mm512_unpackhi_ps(b[2], b[3]));
    g0[1] = VF{_mm512_shuffle_ps(hi01, hi23, 0x44)};
    g1[1] = VF{_mm512_shuffle_ps(hi01, hi23, 0xEE)};
}

// Four vectors per step leave no registers for the next octave's hashes (measured: the same or
// slower with them).
constexpr bool kLookAhead = false;
constexpr bool kFloorRounds = true;
constexpr bool kOctavesLook = false;

#include "math/noise_kernels-inl.h"

constexpr int kGroup = 4;  // measured best, against two and three

}  // namespace loadedRows
#endif

#if BRUMO_NOISE_ROW_READS
constexpr int groupOf(bool rows) { return rows ? loadedRows::kGroup : gatheredRows::kGroup; }
#else
constexpr int groupOf(bool) { return gatheredRows::kGroup; }
#endif

template <bool kRows, Fade fade>
struct NoiseBody {
    static constexpr int kGroup = groupOf(kRows);
    const Tables* t;
    template <int U>
    HWY_INLINE void run(const VF (&x)[U], const VF (&y)[U], const VF (&z)[U], VF (&out)[U]) const {
#if BRUMO_NOISE_ROW_READS
        if constexpr (kRows) return loadedRows::noise<fade, U>(*t, x, y, z, out);
#endif
        gatheredRows::noise<fade, U>(*t, x, y, z, out);
    }
};

template <bool kRows, SumKind kind>
struct SumBody {
    static constexpr int kGroup = groupOf(kRows);
    const Tables* t;
    const OctavePlan* plan;
    template <int U>
    HWY_INLINE void run(const VF (&x)[U], const VF (&y)[U], const VF (&z)[U], VF (&out)[U]) const {
#if BRUMO_NOISE_ROW_READS
        if constexpr (kRows) return loadedRows::octaveSum<kind, U>(*t, *plan, x, y, z, out);
#endif
        gatheredRows::octaveSum<kind, U>(*t, *plan, x, y, z, out);
    }
};

// Runs body on groups of whole vectors of points, then on the rest, whose last vector is a
// padded copy, so that nothing beyond points[count - 1] is read or out[count - 1] written.
// The rest goes in pairs where the set groups vectors: one's lookups then wait while the other
// computes, as in a group.
template <class Body>
HWY_INLINE void forEachVector(int32_t count, const Vector3* points, float* out, const Body& body) {
    const DF df;
    constexpr size_t kLanes = hn::MaxLanes(DF());
    const size_t n = hn::Lanes(df);
    const size_t total = static_cast<size_t>(count);
    constexpr int kGroup = Body::kGroup;
    size_t i = 0;
    for (; i + kGroup * n <= total; i += kGroup * n) {
        VF x[kGroup], y[kGroup], z[kGroup], r[kGroup];
        for (int u = 0; u < kGroup; ++u) hn::LoadInterleaved3(df, &points[i + u * n].x, x[u], y[u], z[u]);
        body.template run<kGroup>(x, y, z, r);
        for (int u = 0; u < kGroup; ++u) hn::StoreU(r[u], df, out + i + u * n);
    }
    if (i == total) return;
    const size_t left = (total - i) % n;
    const size_t vectors = (total - i + n - 1) / n;
    // Padded with copies of the last point: a vector's lanes then span no more cells than its
    // points do.
    HWY_ALIGN Vector3 padded[kLanes];
    if (left != 0)
        for (size_t l = 0; l < kLanes; ++l) padded[l] = points[total - left + std::min(l, left - 1)];
    auto partial = [&](size_t u) { return left != 0 && u + 1 == vectors; };
    auto load = [&](size_t u, VF& x, VF& y, VF& z) {
        hn::LoadInterleaved3(df, partial(u) ? &padded[0].x : &points[i + u * n].x, x, y, z);
    };
    auto store = [&](size_t u, VF r) {
        if (!partial(u)) return hn::StoreU(r, df, out + i + u * n);
        HWY_ALIGN float values[kLanes];
        hn::Store(r, df, values);
        std::memcpy(out + i + u * n, values, left * sizeof(float));
    };
    size_t u = 0;
    if constexpr (kGroup >= 2) {
        for (; u + 2 <= vectors; u += 2) {
            VF x[2], y[2], z[2], r[2];
            load(u, x[0], y[0], z[0]);
            load(u + 1, x[1], y[1], z[1]);
            body.template run<2>(x, y, z, r);
            store(u, r[0]);
            store(u + 1, r[1]);
        }
    }
    for (; u < vectors; ++u) {
        VF x[1], y[1], z[1], r[1];
        load(u, x[0], y[0], z[0]);
        body.template run<1>(x, y, z, r);
        store(u, r[0]);
    }
}

template <bool kRows>
HWY_INLINE void noiseMany(const Tables* t, Fade fade, int32_t count, const Vector3* points, float* out) {
    switch (fade) {
    case Fade::linear: return forEachVector(count, points, out, NoiseBody<kRows, Fade::linear>{t});
    case Fade::cubic: return forEachVector(count, points, out, NoiseBody<kRows, Fade::cubic>{t});
    case Fade::quintic: return forEachVector(count, points, out, NoiseBody<kRows, Fade::quintic>{t});
    }
}

template <bool kRows>
HWY_INLINE void octaveSumMany(const Tables* t, const OctavePlan* plan, SumKind kind, int32_t count,
                              const Vector3* points, float* out) {
    switch (kind) {
    case SumKind::scaled: return forEachVector(count, points, out, SumBody<kRows, SumKind::scaled>{t, plan});
    case SumKind::turbulence:
        return forEachVector(count, points, out, SumBody<kRows, SumKind::turbulence>{t, plan});
    case SumKind::spectral: return forEachVector(count, points, out, SumBody<kRows, SumKind::spectral>{t, plan});
    case SumKind::ridged: return forEachVector(count, points, out, SumBody<kRows, SumKind::ridged>{t, plan});
    }
}

}  // namespace

// rowReads: read the gradients as rows where the set can (see GradientReads).
void NoiseMany(const Tables* t, Fade fade, int32_t count, const Vector3* points, float* out, bool rowReads) {
#if BRUMO_NOISE_ROW_READS
    if (rowReads) return noiseMany<true>(t, fade, count, points, out);
#else
    static_cast<void>(rowReads);
#endif
    noiseMany<false>(t, fade, count, points, out);
}

void OctaveSumMany(const Tables* t, const OctavePlan* plan, SumKind kind, int32_t count, const Vector3* points,
                   float* out, bool rowReads) {
#if BRUMO_NOISE_ROW_READS
    if (rowReads) return octaveSumMany<true>(t, plan, kind, count, points, out);
#else
    static_cast<void>(rowReads);
#endif
    octaveSumMany<false>(t, plan, kind, count, points, out);
}

}  // namespace HWY_NAMESPACE
}  // namespace brumo
HWY_AFTER_NAMESPACE();

#endif  // BRUMO_HAVE_HIGHWAY

#if !BRUMO_HAVE_HIGHWAY || HWY_ONCE

#include <atomic>
#if BRUMO_HAVE_HIGHWAY && (defined(__x86_64__) || defined(__i386__))
#include <cpuid.h>
#endif

namespace brumo {

namespace {

// The name that turns the runs off: every density then comes one point at a time, as the march
// of a host shader takes them.
constexpr const char* kOnePoint = "point";

}  // namespace

#if BRUMO_HAVE_HIGHWAY

HWY_EXPORT(NoiseMany);
HWY_EXPORT(OctaveSumMany);

namespace {

// Gathers on AMD's AVX-512 cores take about a cycle per element, and row reads measured twice as
// fast there (Zen 5); on the Intel Xeon of earlier runs the gathers were the faster.
bool rowReadsPay() {
#if defined(__x86_64__) || defined(__i386__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(0, &eax, &ebx, &ecx, &edx) == 0) return false;
    return ebx == 0x68747541 && edx == 0x69746e65 && ecx == 0x444d4163;  // "AuthenticAMD"
#else
    return false;
#endif
}

// The sets this build carries (HWY_TARGETS) and the CPU runs, best first, chosen once, at the
// first call, from BRUMO_SIMD; magic statics make that first call safe from any thread.
// Highway's one-lane fallback (SCALAR) is left out: the one-point functions do as well.
struct TargetChoice {
    int64_t available[HWY_MAX_DYNAMIC_TARGETS + 2];
    int32_t count = 0;
    std::atomic<bool> lanes{false};
    std::atomic<int64_t> chosen{0};
    std::atomic<bool> rowReads{rowReadsPay()};

    TargetChoice() {
        const int64_t vectors = hwy::SupportedTargets() & HWY_TARGETS & ~int64_t{HWY_SCALAR};
        for (int64_t bits = vectors; bits != 0; bits &= bits - 1) available[count++] = bits & -bits;
        if (count > 0) {
            chosen.store(available[0]);
            lanes.store(true);
        }
        const char* name = std::getenv("BRUMO_SIMD");
        if (name != nullptr) select(name);  // an unknown name leaves the best set
    }

    bool select(const char* name) {
        if (name == nullptr) return false;
        if (std::strcmp(name, "scalar") == 0 || std::strcmp(name, kOnePoint) == 0) {
            lanes.store(false);
            return true;
        }
        if (std::strcmp(name, "auto") == 0) {
            if (count > 0) return limitTo(0);
            lanes.store(false);
            return true;
        }
        for (int32_t i = 0; i < count; ++i)
            if (std::strcmp(name, hwy::TargetName(available[i])) == 0) return limitTo(i);
        return false;
    }

    // The named set and the ones below it (a set's bit is higher the less it offers); the best
    // set lifts the limit.
    bool limitTo(int32_t index) {
        int64_t allowed = 0;
        for (int32_t i = index; i < count; ++i) allowed |= available[i];
        hwy::SetSupportedTargetsForTest(index == 0 ? 0 : allowed);
        hwy::GetChosenTarget().Update(hwy::SupportedTargets());
        chosen.store(available[index]);
        lanes.store(true);
        return true;
    }
};

TargetChoice& targetChoice() {
    static TargetChoice choice;
    return choice;
}

bool lanesActive() { return targetChoice().lanes.load(std::memory_order_relaxed); }
bool rowReads() { return targetChoice().rowReads.load(std::memory_order_relaxed); }

}  // namespace

bool vectorLanesEnabled() { return lanesActive(); }
static const char* laneSetName() {
    TargetChoice& c = targetChoice();
    return c.lanes.load() ? hwy::TargetName(c.chosen.load()) : "scalar";
}
int32_t vectorTargetCount() { return targetChoice().count + 1; }
const char* vectorTargetAt(int32_t index) {
    const TargetChoice& c = targetChoice();
    if (index >= 0 && index < c.count) return hwy::TargetName(c.available[index]);
    return index == c.count ? "scalar" : nullptr;
}
static bool selectLaneSet(const char* name) { return targetChoice().select(name); }
GradientReads gradientReads() { return rowReads() ? GradientReads::rows : GradientReads::gathers; }
void setGradientReads(GradientReads reads) { targetChoice().rowReads.store(reads == GradientReads::rows); }

#else  // no Highway: one lane

bool vectorLanesEnabled() { return false; }
static const char* laneSetName() { return "scalar"; }
int32_t vectorTargetCount() { return 1; }
const char* vectorTargetAt(int32_t index) { return index == 0 ? "scalar" : nullptr; }
static bool selectLaneSet(const char* name) {
    return name != nullptr && (std::strcmp(name, "scalar") == 0 || std::strcmp(name, "auto") == 0 ||
                               std::strcmp(name, kOnePoint) == 0);
}
GradientReads gradientReads() { return GradientReads::gathers; }
void setGradientReads(GradientReads) {}

#endif

namespace {

// Runs off, every density one point at a time: BRUMO_SIMD=point, read at the first call.
std::atomic<bool>& onePointFlag() {
    static std::atomic<bool> flag{[] {
        const char* name = std::getenv("BRUMO_SIMD");
        return name != nullptr && std::strcmp(name, kOnePoint) == 0;
    }()};
    return flag;
}

}  // namespace

bool onePointSampling() { return onePointFlag().load(std::memory_order_relaxed); }

const char* vectorTargetName() { return onePointSampling() ? kOnePoint : laneSetName(); }

bool selectVectorTarget(const char* name) {
    if (!selectLaneSet(name)) return false;
    onePointFlag().store(std::strcmp(name, kOnePoint) == 0);
    return true;
}

// With lanes and enough points, every function runs its kernel for the best set; otherwise, or
// with BRUMO_SIMD=scalar, it runs the kernel in one lane, a few points at a time.

void NoiseLattice::noiseMany(Fade fade, int32_t count, const Vector3* points, float* out) {
    if (count <= 0) return;
#if BRUMO_HAVE_HIGHWAY
    if (count >= kFewestForLanes && lanesActive())
        return HWY_DYNAMIC_DISPATCH(NoiseMany)(&currentLaneTables(), fade, count, points, out, rowReads());
#endif
    using noise_one_lane::batchInOneLane;
    using noise_one_lane::NoiseKernel;
    const LaneTables& t = currentLaneTables();
    if (fade == Fade::linear) return batchInOneLane(count, points, out, NoiseKernel<Fade::linear>{t});
    if (fade == Fade::cubic) return batchInOneLane(count, points, out, NoiseKernel<Fade::cubic>{t});
    batchInOneLane(count, points, out, NoiseKernel<Fade::quintic>{t});
}

void NoiseLattice::gradientNoiseLinearMany(int32_t count, const Vector3* points, float* out) {
    noiseMany(Fade::linear, count, points, out);
}

void NoiseLattice::gradientNoiseCubicMany(int32_t count, const Vector3* points, float* out) {
    noiseMany(Fade::cubic, count, points, out);
}

void NoiseLattice::gradientNoiseQuinticMany(int32_t count, const Vector3* points, float* out) {
    noiseMany(Fade::quintic, count, points, out);
}

// The octave sum of the kind in lanes: false, with nothing written, when lanes are off.
bool NoiseLattice::octaveSumInLanes(int32_t kind, float parameter, float width, int32_t count,
                                    const Vector3* points, float* out) {
#if BRUMO_HAVE_HIGHWAY
    if (count < kFewestForLanes || !lanesActive()) return false;
    const SumKind sum = static_cast<SumKind>(kind);
    const LaneTables& tables = currentLaneTables();
    const OctavePlan& plan = planCache.get(sum, parameter, width, maxFrequency);
    HWY_DYNAMIC_DISPATCH(OctaveSumMany)(&tables, &plan, sum, count, points, out, rowReads());
    return true;
#else
    static_cast<void>(kind);
    static_cast<void>(parameter);
    static_cast<void>(width);
    static_cast<void>(count);
    static_cast<void>(points);
    static_cast<void>(out);
    return false;
#endif
}

void NoiseLattice::octaveSums(int32_t kind, float parameter, float width, int32_t count, const Vector3* points,
                              float* out) {
    if (count <= 0 || octaveSumInLanes(kind, parameter, width, count, points, out)) return;
    octaveSumsInOneLane(kind, parameter, width, count, points, out);
}

void NoiseLattice::fractalSumScaledMany(int32_t count, const Vector3* points, float gain, float width,
                                        float* out) {
    octaveSums(static_cast<int32_t>(SumKind::scaled), gain, width, count, points, out);
}

void NoiseLattice::turbulenceScaledMany(int32_t count, const Vector3* points, float gain, float width,
                                        float* out) {
    octaveSums(static_cast<int32_t>(SumKind::turbulence), gain, width, count, points, out);
}

void NoiseLattice::fractalSumSpectralMany(int32_t count, const Vector3* points, float h, float width,
                                          float* out) {
    octaveSums(static_cast<int32_t>(SumKind::spectral), h, width, count, points, out);
}

void NoiseLattice::ridgedSumMany(int32_t count, const Vector3* points, float width, float* out) {
    octaveSums(static_cast<int32_t>(SumKind::ridged), 0.0f, width, count, points, out);
}

}  // namespace brumo

#endif  // !BRUMO_HAVE_HIGHWAY || HWY_ONCE
