// The batch noise functions. Every lane does the one-point arithmetic in the same order (no
// fused multiply-add, no reciprocal for a division), so out[i] is bit for bit what the one-point
// function gives for points[i]. With Highway the kernels are compiled once per instruction set
// and the best one the CPU runs is taken at the first call; without it (the 32-bit builds) the
// batch functions take one point at a time.
#include "math/noise_lattice.h"
#include "math/vector_lanes.h"

#include <cstdlib>
#include <cstring>

#ifndef BRUMO_NOISE_LANES_PLAN
#define BRUMO_NOISE_LANES_PLAN
namespace brumo {
namespace noise_lanes {

// Enough for any band: the band top is at most 2^31, so f stays below 2^30 for 28 octaves.
constexpr int32_t kMaxOctaves = 40;

enum class SumKind : int32_t { scaled, turbulence, spectral, ridged };

// The per-octave factors of one call, worked out once in scalar code as the one-point sums do:
// octave k samples at frequency[k] and weighs with factor[k] (amp for the scaled sums, the
// spectral weight, 1 / f for the ridges). When partial, the last octave is the faded one.
struct OctavePlan {
    int32_t count;
    bool partial;
    float fade;
    float frequency[kMaxOctaves];
    float factor[kMaxOctaves];
};

}  // namespace noise_lanes
}  // namespace brumo
#endif

#if BRUMO_HAVE_HIGHWAY

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "math/noise_lattice_many.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace brumo {
namespace HWY_NAMESPACE {
namespace {

namespace hn = hwy::HWY_NAMESPACE;
using noise_lanes::OctavePlan;
using noise_lanes::SumKind;
using Fade = NoiseLattice::Fade;
using Tables = NoiseLattice::LaneTables;

using DF = hn::ScalableTag<float>;
using DI = hn::RebindToSigned<DF>;
using VF = hn::Vec<DF>;
using VI = hn::Vec<DI>;

// latticeCell in every lane. The floor is taken as a float; adding +0 turns the floor of -0
// into +0, the float of the int 0, so that -0 keeps its offset -0. Coordinates outside the
// int range (NaN and infinities too) give cell 0 and offset 0.
HWY_INLINE void latticeCells(VF x, VI& cell, VF& offset) {
    const DF df;
    const DI di;
    const auto inRange = hn::Lt(hn::Abs(x), hn::Set(df, 2147483648.0f));
    const VF xs = hn::IfThenElseZero(inRange, x);
    const VF floor = hn::Add(hn::Floor(xs), hn::Zero(df));
    offset = hn::Sub(xs, floor);
    cell = hn::And(hn::ConvertTo(di, floor), hn::Set(di, 255));
}

template <Fade fade>
HWY_INLINE VF weight(VF f) {
    const DF df;
    if constexpr (fade == Fade::linear) {
        const VF zero = hn::Zero(df);
        const VF one = hn::Set(df, 1.0f);
        return hn::IfThenElse(hn::Lt(f, zero), zero, hn::IfThenElse(hn::Gt(f, one), one, f));
    } else if constexpr (fade == Fade::cubic) {
        return hn::Mul(hn::Mul(f, f), hn::Sub(hn::Set(df, 3.0f), hn::Mul(hn::Set(df, 2.0f), f)));
    } else {
        const VF cube = hn::Mul(hn::Mul(f, f), f);
        const VF poly = hn::Add(hn::Sub(hn::Set(df, 10.0f), hn::Mul(hn::Set(df, 15.0f), f)),
                                hn::Mul(hn::Mul(hn::Set(df, 6.0f), f), f));
        return hn::Mul(cube, poly);
    }
}

HWY_INLINE VF lerp(VF a, VF b, VF w) { return hn::Add(a, hn::Mul(hn::Sub(b, a), w)); }

// The two x corners whose hash is k (corner x0) and k + 1 (corner x1): one 64-bit gather per
// gradient component fetches both, and the even and odd floats split them.
HWY_INLINE void cornerPair(const Tables& t, VI k, VF dx0, VF dx1, VF dy, VF dz, VF& c0, VF& c1) {
    const DF df;
    VF g0[3], g1[3];
#if HWY_TARGET == HWY_SCALAR
    // One lane (the fallback this compiler builds): the pair is read directly.
    const int32_t index = hn::GetLane(k);
    for (int c = 0; c < 3; ++c) {
        float pair[2];
        std::memcpy(pair, &t.gradientPairs[c][index], sizeof pair);
        g0[c] = hn::Set(df, pair[0]);
        g1[c] = hn::Set(df, pair[1]);
    }
#elif HWY_TARGET == HWY_AVX2
    // Gathers are slow here: each lane's row is two 16-byte loads, and a 4 x 4 transpose in
    // each half of the register turns rows into components.
    static_cast<void>(df);
    HWY_ALIGN int32_t index[8];
    hn::Store(k, DI(), index);
    const float* rows = &t.gradientRows[0][0];
    for (int half = 0; half < 2; ++half) {
        __m256 r[4];
        for (int i = 0; i < 4; ++i)
            r[i] = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(rows + 8 * index[i] + 4 * half)),
                                        _mm_loadu_ps(rows + 8 * index[i + 4] + 4 * half), 1);
        const __m256 xy01 = _mm256_unpacklo_ps(r[0], r[1]);
        const __m256 xy23 = _mm256_unpacklo_ps(r[2], r[3]);
        const __m256 z01 = _mm256_unpackhi_ps(r[0], r[1]);
        const __m256 z23 = _mm256_unpackhi_ps(r[2], r[3]);
        VF* g = half == 0 ? g0 : g1;
        g[0] = VF{_mm256_shuffle_ps(xy01, xy23, 0x44)};
        g[1] = VF{_mm256_shuffle_ps(xy01, xy23, 0xEE)};
        g[2] = VF{_mm256_shuffle_ps(z01, z23, 0x44)};
    }
#else
    const hn::Half<DI> dh;
    const hn::Rebind<int64_t, decltype(dh)> d64;
    const auto kLow = hn::PromoteTo(d64, hn::LowerHalf(dh, k));
    const auto kHigh = hn::PromoteTo(d64, hn::UpperHalf(dh, k));
    for (int c = 0; c < 3; ++c) {
        const VF low = hn::BitCast(df, hn::GatherIndex(d64, t.gradientPairs[c], kLow));
        const VF high = hn::BitCast(df, hn::GatherIndex(d64, t.gradientPairs[c], kHigh));
        g0[c] = hn::ConcatEven(df, high, low);
        g1[c] = hn::ConcatOdd(df, high, low);
    }
#endif
    c0 = hn::Add(hn::Add(hn::Mul(g0[0], dx0), hn::Mul(g0[1], dy)), hn::Mul(g0[2], dz));
    c1 = hn::Add(hn::Add(hn::Mul(g1[0], dx1), hn::Mul(g1[1], dy)), hn::Mul(g1[2], dz));
}

// The noise at U vectors of points. Each stage runs for all U before the next, so that while
// one vector waits for its gathers (each hash level needs the one before) the others compute.
template <Fade fade, int U>
HWY_INLINE void noise(const Tables& t, const VF (&x)[U], const VF (&y)[U], const VF (&z)[U], VF (&out)[U]) {
    const DF df;
    const DI di;
    const VI mask = hn::Set(di, 255);
    const VI low = hn::Set(di, 0xFFFF);
    const VF one = hn::Set(df, 1.0f);
    VI ix[U], iy[U], iz[U], hz[U], hy0[U], hy1[U];
    VF fx[U], fy[U], fz[U];
    for (int u = 0; u < U; ++u) {
        latticeCells(x[u], ix[u], fx[u]);
        latticeCells(y[u], iy[u], fy[u]);
        latticeCells(z[u], iz[u], fz[u]);
    }
    // Corner hash, z first: each pair entry holds the hashes of k and k + 1.
    for (int u = 0; u < U; ++u) hz[u] = hn::GatherIndex(di, t.hashPairs, iz[u]);
    for (int u = 0; u < U; ++u) {
        hy0[u] = hn::GatherIndex(di, t.hashPairs, hn::And(hn::Add(iy[u], hn::And(hz[u], low)), mask));
        hy1[u] = hn::GatherIndex(di, t.hashPairs, hn::And(hn::Add(iy[u], hn::ShiftRight<16>(hz[u])), mask));
    }
    VF c000[U], c100[U], c010[U], c110[U], c001[U], c101[U], c011[U], c111[U];
    for (int u = 0; u < U; ++u) {
        const VF gx = hn::Sub(fx[u], one);
        const VF gy = hn::Sub(fy[u], one);
        const VF gz = hn::Sub(fz[u], one);
        cornerPair(t, hn::And(hn::Add(ix[u], hn::And(hy0[u], low)), mask), fx[u], gx, fy[u], fz[u], c000[u], c100[u]);
        cornerPair(t, hn::And(hn::Add(ix[u], hn::ShiftRight<16>(hy0[u])), mask), fx[u], gx, gy, fz[u], c010[u],
                   c110[u]);
        cornerPair(t, hn::And(hn::Add(ix[u], hn::And(hy1[u], low)), mask), fx[u], gx, fy[u], gz, c001[u], c101[u]);
        cornerPair(t, hn::And(hn::Add(ix[u], hn::ShiftRight<16>(hy1[u])), mask), fx[u], gx, gy, gz, c011[u], c111[u]);
    }
    for (int u = 0; u < U; ++u) {
        const auto valid = hn::And(hn::And(hn::IsFinite(x[u]), hn::IsFinite(y[u])), hn::IsFinite(z[u]));
        const VF wx = weight<fade>(fx[u]);
        const VF wy = weight<fade>(fy[u]);
        const VF wz = weight<fade>(fz[u]);
        const VF a0 = lerp(c000[u], c100[u], wx);
        const VF a1 = lerp(c010[u], c110[u], wx);
        const VF b0 = lerp(c001[u], c101[u], wx);
        const VF b1 = lerp(c011[u], c111[u], wx);
        out[u] = hn::IfThenElseZero(valid, lerp(lerp(a0, a1, wy), lerp(b0, b1, wy), wz));
    }
}

template <SumKind kind, int U>
HWY_INLINE void octaveSum(const Tables& t, const OctavePlan& plan, const VF (&x)[U], const VF (&y)[U],
                          const VF (&z)[U], VF (&sum)[U]) {
    const DF df;
    constexpr Fade fade = kind == SumKind::ridged ? Fade::cubic : Fade::quintic;
    const VF zero = hn::Zero(df);
    const VF one = hn::Set(df, 1.0f);
    VF ridgeWeight[U];
    for (int u = 0; u < U; ++u) {
        sum[u] = zero;
        ridgeWeight[u] = one;
    }
    const int32_t faded = plan.partial ? plan.count - 1 : plan.count;
    for (int32_t k = 0; k < plan.count; ++k) {
        const VF f = hn::Set(df, plan.frequency[k]);
        const VF factor = hn::Set(df, plan.factor[k]);
        VF px[U], py[U], pz[U], n[U];
        for (int u = 0; u < U; ++u) {
            px[u] = hn::Mul(x[u], f);
            py[u] = hn::Mul(y[u], f);
            pz[u] = hn::Mul(z[u], f);
        }
        noise<fade, U>(t, px, py, pz, n);
        for (int u = 0; u < U; ++u) {
            if constexpr (kind == SumKind::scaled) {
                // octave * amp / f; the faded octave's factor is fade * amp.
                sum[u] = hn::Add(sum[u], hn::Div(hn::Mul(n[u], factor), f));
            } else if constexpr (kind == SumKind::turbulence) {
                sum[u] = hn::Add(sum[u], hn::Div(hn::Mul(hn::Abs(n[u]), factor), f));
            } else if constexpr (kind == SumKind::spectral) {
                if (k != faded)
                    sum[u] = hn::Add(sum[u], hn::Mul(factor, n[u]));
                else
                    sum[u] = hn::Add(sum[u], hn::Mul(hn::Mul(n[u], hn::Set(df, plan.fade)), factor));
            } else {
                const VF s = hn::Sub(one, hn::Abs(n[u]));
                const VF tw = hn::Mul(hn::Mul(hn::Mul(s, s), ridgeWeight[u]), factor);
                if (k != faded) {
                    sum[u] = hn::Add(sum[u], tw);
                    ridgeWeight[u] = hn::IfThenElse(hn::Lt(tw, zero), zero, hn::IfThenElse(hn::Gt(tw, one), one, tw));
                } else {
                    sum[u] = hn::Add(sum[u], hn::Mul(tw, hn::Set(df, plan.fade)));
                }
            }
        }
    }
}

template <Fade fade>
struct NoiseBody {
    const Tables* t;
    template <int U>
    HWY_INLINE void run(const VF (&x)[U], const VF (&y)[U], const VF (&z)[U], VF (&out)[U]) const {
        noise<fade, U>(*t, x, y, z, out);
    }
};

template <SumKind kind>
struct SumBody {
    const Tables* t;
    const OctavePlan* plan;
    template <int U>
    HWY_INLINE void run(const VF (&x)[U], const VF (&y)[U], const VF (&z)[U], VF (&out)[U]) const {
        octaveSum<kind, U>(*t, *plan, x, y, z, out);
    }
};

// Vectors taken two at a time.
constexpr int kGroup = 2;

// Runs body on whole vectors of points, then on the rest through a zero-padded copy, so that
// nothing beyond points[count - 1] is read or out[count - 1] written.
template <class Body>
HWY_INLINE void forEachVector(int32_t count, const Vector3* points, float* out, const Body& body) {
    const DF df;
    constexpr size_t kLanes = hn::MaxLanes(DF());
    const size_t n = hn::Lanes(df);
    const size_t total = static_cast<size_t>(count);
    size_t i = 0;
    for (; i + kGroup * n <= total; i += kGroup * n) {
        VF x[kGroup], y[kGroup], z[kGroup], r[kGroup];
        for (int u = 0; u < kGroup; ++u) hn::LoadInterleaved3(df, &points[i + u * n].x, x[u], y[u], z[u]);
        body.template run<kGroup>(x, y, z, r);
        for (int u = 0; u < kGroup; ++u) hn::StoreU(r[u], df, out + i + u * n);
    }
    VF x[1], y[1], z[1], r[1];
    for (; i + n <= total; i += n) {
        hn::LoadInterleaved3(df, &points[i].x, x[0], y[0], z[0]);
        body.template run<1>(x, y, z, r);
        hn::StoreU(r[0], df, out + i);
    }
    if (i == total) return;
    HWY_ALIGN float rest[3 * kLanes] = {};
    HWY_ALIGN float values[kLanes];
    const size_t left = total - i;
    std::memcpy(rest, &points[i], left * sizeof(Vector3));
    hn::LoadInterleaved3(df, rest, x[0], y[0], z[0]);
    body.template run<1>(x, y, z, r);
    hn::Store(r[0], df, values);
    std::memcpy(out + i, values, left * sizeof(float));
}

}  // namespace

void NoiseMany(const Tables* t, Fade fade, int32_t count, const Vector3* points, float* out) {
    switch (fade) {
    case Fade::linear:
        forEachVector(count, points, out, NoiseBody<Fade::linear>{t});
        break;
    case Fade::cubic:
        forEachVector(count, points, out, NoiseBody<Fade::cubic>{t});
        break;
    case Fade::quintic:
        forEachVector(count, points, out, NoiseBody<Fade::quintic>{t});
        break;
    }
}

void OctaveSumMany(const Tables* t, const OctavePlan* plan, SumKind kind, int32_t count,
                   const Vector3* points, float* out) {
    switch (kind) {
    case SumKind::scaled: return forEachVector(count, points, out, SumBody<SumKind::scaled>{t, plan});
    case SumKind::turbulence: return forEachVector(count, points, out, SumBody<SumKind::turbulence>{t, plan});
    case SumKind::spectral: return forEachVector(count, points, out, SumBody<SumKind::spectral>{t, plan});
    case SumKind::ridged: return forEachVector(count, points, out, SumBody<SumKind::ridged>{t, plan});
    }
}

}  // namespace HWY_NAMESPACE
}  // namespace brumo
HWY_AFTER_NAMESPACE();

#endif  // BRUMO_HAVE_HIGHWAY

#if !BRUMO_HAVE_HIGHWAY || HWY_ONCE

#if BRUMO_HAVE_HIGHWAY
#include <atomic>
#endif

namespace brumo {

using noise_detail::bandFrequency;
using noise_detail::partialFade;
using noise_lanes::kMaxOctaves;
using noise_lanes::OctavePlan;
using noise_lanes::SumKind;

#if BRUMO_HAVE_HIGHWAY

HWY_EXPORT(NoiseMany);
HWY_EXPORT(OctaveSumMany);

namespace {

// The sets this build carries (HWY_TARGETS) and the CPU runs, best first, chosen once, at the
// first call, from BRUMO_SIMD; magic statics make that first call safe from any thread.
// Highway's one-lane fallback (SCALAR) is left out: the one-point functions do as well.
struct TargetChoice {
    int64_t available[HWY_MAX_DYNAMIC_TARGETS + 2];
    int32_t count = 0;
    std::atomic<bool> lanes{false};
    std::atomic<int64_t> chosen{0};

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
        if (std::strcmp(name, "scalar") == 0) {
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

}  // namespace

bool vectorLanesEnabled() { return lanesActive(); }
const char* vectorTargetName() {
    TargetChoice& c = targetChoice();
    return c.lanes.load() ? hwy::TargetName(c.chosen.load()) : "scalar";
}
int32_t vectorTargetCount() { return targetChoice().count + 1; }
const char* vectorTargetAt(int32_t index) {
    const TargetChoice& c = targetChoice();
    if (index >= 0 && index < c.count) return hwy::TargetName(c.available[index]);
    return index == c.count ? "scalar" : nullptr;
}
bool selectVectorTarget(const char* name) { return targetChoice().select(name); }

#else  // no Highway: one point at a time

bool vectorLanesEnabled() { return false; }
const char* vectorTargetName() { return "scalar"; }
int32_t vectorTargetCount() { return 1; }
const char* vectorTargetAt(int32_t index) { return index == 0 ? "scalar" : nullptr; }
bool selectVectorTarget(const char* name) {
    return name != nullptr && (std::strcmp(name, "scalar") == 0 || std::strcmp(name, "auto") == 0);
}

#endif

#if BRUMO_HAVE_HIGHWAY

namespace {

// The octave loops of the one-point sums with the noise left out: frequencies and factors in
// the order those loops make them.
OctavePlan planOctaves(SumKind kind, float parameter, float width, int32_t maxFrequency) {
    OctavePlan plan;
    plan.count = 0;
    const float fmax = bandFrequency(width, maxFrequency);
    const float limit = fmax * 0.5f;
    float amp = 1.0f;
    float e = 0.0f;
    float f = 1.0f;
    while (f < limit && plan.count < kMaxOctaves - 1) {
        plan.frequency[plan.count] = f;
        if (kind == SumKind::spectral)
            plan.factor[plan.count] = std::pow(kLacunarity, e);
        else if (kind == SumKind::ridged)
            plan.factor[plan.count] = 1.0f / f;
        else
            plan.factor[plan.count] = amp;
        ++plan.count;
        amp *= parameter;
        e -= parameter;
        f *= kLacunarity;
    }
    plan.fade = partialFade(fmax, f);
    plan.partial = plan.fade > 0.0f;
    if (plan.partial) {
        plan.frequency[plan.count] = f;
        if (kind == SumKind::spectral)
            plan.factor[plan.count] = std::pow(kLacunarity, e);
        else if (kind == SumKind::ridged)
            plan.factor[plan.count] = 1.0f / f;
        else
            plan.factor[plan.count] = plan.fade * amp;
        ++plan.count;
    }
    return plan;
}

inline uint32_t bitsOf(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

// The plan of the last call on this thread: a march asks for the same band run after run, and
// working the factors out again (a pow per octave) would cost more than a short run's noise.
const OctavePlan& cachedPlan(SumKind kind, float parameter, float width, int32_t maxFrequency) {
    struct Cache {
        bool valid = false;
        SumKind kind = SumKind::scaled;
        uint32_t parameter = 0;
        uint32_t width = 0;
        int32_t maxFrequency = 0;
        OctavePlan plan;
    };
    thread_local Cache cache;
    if (!cache.valid || cache.kind != kind || cache.parameter != bitsOf(parameter) ||
        cache.width != bitsOf(width) || cache.maxFrequency != maxFrequency) {
        cache.plan = planOctaves(kind, parameter, width, maxFrequency);
        cache.kind = kind;
        cache.parameter = bitsOf(parameter);
        cache.width = bitsOf(width);
        cache.maxFrequency = maxFrequency;
        cache.valid = true;
    }
    return cache.plan;
}

}  // namespace

const NoiseLattice::LaneTables& NoiseLattice::currentLaneTables() {
    ensureReady();
    LaneTables& t = laneTables;
    if (t.made == 1) return t;
    // A permutation entry outside 0..255 would index past the gradients: masked here.
    for (int32_t k = 0; k < 256; ++k) {
        const int32_t h0 = permutation[k] & 255;
        const int32_t h1 = permutation[(k + 1) & 255] & 255;
        t.hashPairs[k] = h0 | (h1 << 16);
        const float pairs[3][2] = {{gradients[h0].x, gradients[h1].x},
                                   {gradients[h0].y, gradients[h1].y},
                                   {gradients[h0].z, gradients[h1].z}};
        for (int c = 0; c < 3; ++c) std::memcpy(&t.gradientPairs[c][k], pairs[c], sizeof(int64_t));
        const float row[8] = {pairs[0][0], pairs[1][0], pairs[2][0], 0.0f, pairs[0][1], pairs[1][1], pairs[2][1], 0.0f};
        std::memcpy(t.gradientRows[k], row, sizeof row);
    }
    t.made = 1;
    return t;
}

#endif

// With lanes, every function runs its kernel for the best set; otherwise, or with
// BRUMO_SIMD=scalar, it takes the one-point function at each point.

void NoiseLattice::noiseMany(Fade fade, int32_t count, const Vector3* points, float* out) {
    if (count <= 0) return;
#if BRUMO_HAVE_HIGHWAY
    if (lanesActive()) return HWY_DYNAMIC_DISPATCH(NoiseMany)(&currentLaneTables(), fade, count, points, out);
#endif
    ensureReady();
    for (int32_t i = 0; i < count; ++i) {
        const Vector3& p = points[i];
        out[i] = fade == Fade::linear  ? evaluate<Fade::linear>(p)
                 : fade == Fade::cubic ? evaluate<Fade::cubic>(p)
                                       : evaluate<Fade::quintic>(p);
    }
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
    if (!lanesActive()) return false;
    const SumKind sum = static_cast<SumKind>(kind);
    const LaneTables& tables = currentLaneTables();
    const OctavePlan& plan = cachedPlan(sum, parameter, width, maxFrequency);
    HWY_DYNAMIC_DISPATCH(OctaveSumMany)(&tables, &plan, sum, count, points, out);
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

void NoiseLattice::fractalSumScaledMany(int32_t count, const Vector3* points, float gain, float width,
                                        float* out) {
    if (count <= 0 || octaveSumInLanes(static_cast<int32_t>(SumKind::scaled), gain, width, count, points, out)) return;
    for (int32_t i = 0; i < count; ++i) out[i] = fractalSumScaled(points[i], gain, width);
}

void NoiseLattice::turbulenceScaledMany(int32_t count, const Vector3* points, float gain, float width,
                                        float* out) {
    if (count <= 0 || octaveSumInLanes(static_cast<int32_t>(SumKind::turbulence), gain, width, count, points, out))
        return;
    for (int32_t i = 0; i < count; ++i) out[i] = turbulenceScaled(points[i], gain, width);
}

void NoiseLattice::fractalSumSpectralMany(int32_t count, const Vector3* points, float h, float width,
                                          float* out) {
    if (count <= 0 || octaveSumInLanes(static_cast<int32_t>(SumKind::spectral), h, width, count, points, out)) return;
    for (int32_t i = 0; i < count; ++i) out[i] = fractalSumSpectral(points[i], h, width);
}

void NoiseLattice::ridgedSumMany(int32_t count, const Vector3* points, float width, float* out) {
    if (count <= 0 || octaveSumInLanes(static_cast<int32_t>(SumKind::ridged), 0.0f, width, count, points, out)) return;
    for (int32_t i = 0; i < count; ++i) out[i] = ridgedSum(points[i], width);
}

}  // namespace brumo

#endif  // !BRUMO_HAVE_HIGHWAY || HWY_ONCE
