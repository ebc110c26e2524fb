// The march's colour-gradient and shadow-grid lookups for a run of samples (Highway, compiled for
// each instruction set, the best one the CPU runs taken at run time); without Highway, or with
// BRUMO_SIMD=scalar, one sample at a time.
#include "primitive/march_lanes.h"

#include <cstring>

#include "math/one_lane.h"
#include "math/vector_lanes.h"
#include "primitive/colour_gradient.h"
#include "primitive/shadow_grid.h"

#if BRUMO_HAVE_HIGHWAY

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitive/march_lanes.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace brumo {
namespace HWY_NAMESPACE {
namespace {

namespace hn = hwy::HWY_NAMESPACE;
#include "math/lane_types-inl.h"
#include "primitive/march_kernels-inl.h"

// The nearest keys on either side of x, found in one scan as evaluate finds them, and the colour
// between them, one channel array per component.
HWY_INLINE void gradientLanes(DF df, const ColourKey* keys, int32_t keyCount, VF x, VF (&colour)[4]) {
    VF lo = hn::Set(df, keys[0].position);
    VF hi = lo;
    VF lower[4], upper[4];
    const float* first = &keys[0].colour.red;
    for (int c = 0; c < 4; ++c) lower[c] = upper[c] = hn::Set(df, first[c]);
    for (int32_t k = 1; k < keyCount; ++k) {
        const VF p = hn::Set(df, keys[k].position);
        const float* channels = &keys[k].colour.red;
        // x at or above lo: a key between lo and x; below lo: any key below lo (NaN takes none).
        const MF fromBelow = hn::And(hn::Ge(x, lo), hn::And(hn::Le(lo, p), hn::Le(p, x)));
        const MF fromAbove = hn::And(hn::Lt(x, lo), hn::Lt(p, lo));
        const MF takeLower = hn::Or(fromBelow, fromAbove);
        const MF toAbove = hn::And(hn::Le(x, hi), hn::And(hn::Le(x, p), hn::Le(p, hi)));
        const MF toBelow = hn::And(hn::Gt(x, hi), hn::Gt(p, hi));
        const MF takeUpper = hn::Or(toAbove, toBelow);
        lo = hn::IfThenElse(takeLower, p, lo);
        hi = hn::IfThenElse(takeUpper, p, hi);
        for (int c = 0; c < 4; ++c) {
            const VF v = hn::Set(df, channels[c]);
            lower[c] = hn::IfThenElse(takeLower, v, lower[c]);
            upper[c] = hn::IfThenElse(takeUpper, v, upper[c]);
        }
    }
    const MF between = hn::Ne(hi, lo);
    const VF t = hn::Div(hn::Sub(x, lo), hn::Sub(hi, lo));
    for (int c = 0; c < 4; ++c) {
        const VF mixed = hn::Add(lower[c], hn::Mul(hn::Sub(upper[c], lower[c]), t));
        colour[c] = hn::IfThenElse(between, mixed, lower[c]);
    }
}

// The cell and the weight within it along one axis, as the one-point lookup finds them.
HWY_INLINE void cellLanes(DF df, VF g, VF c, VI& index, VF& weight) {
    const DI di;
    const VF zero = hn::Zero(df);
    const VF one = hn::Set(df, 1.0f);
    VF u = hn::Mul(hn::Add(c, one), hn::Set(df, 0.5f));
    u = hn::IfThenElse(hn::Ge(u, zero), u, zero);
    u = hn::IfThenElse(hn::Ge(u, one), hn::Set(df, 0.99f), u);
    const VF e = hn::Mul(g, u);
    const VF cell = hn::Floor(e);
    index = hn::ConvertTo(di, cell);
    weight = hn::Min(hn::Max(hn::Sub(e, cell), zero), one);
}

// The grid values at and after each index: neighbours along x, side by side in memory.
HWY_INLINE void xNeighbours(DF df, const float* values, VI at, VF& a, VF& b) {
#if HWY_TARGET == HWY_SCALAR
    a = hn::GatherIndex(df, values, at);
    b = hn::GatherIndex(df, values, hn::Add(at, hn::Set(DI(), 1)));
#else
    // Both in one 64-bit read per lane: half the elements of two 32-bit gathers.
    const hn::Repartition<uint64_t, DF> du64;
    const hn::Repartition<int64_t, DF> di64;
    const hn::Half<DI> dh;
    const VI bytes = hn::ShiftLeft<2>(at);
    const uint64_t* base = reinterpret_cast<const uint64_t*>(values);
    const VF lo = hn::BitCast(df, hn::GatherOffset(du64, base, hn::PromoteTo(di64, hn::LowerHalf(dh, bytes))));
    const VF hi = hn::BitCast(df, hn::GatherOffset(du64, base, hn::PromoteTo(di64, hn::UpperHalf(dh, bytes))));
    a = hn::ConcatEven(df, hi, lo);
    b = hn::ConcatOdd(df, hi, lo);
#endif
}

HWY_INLINE VF trilinearLanes(DF df, const float* values, int32_t r, VF x, VF y, VF z) {
    const DI di;
    const VF g = hn::Set(df, static_cast<float>(r - 1));
    VI ix, iy, iz;
    VF fx, fy, fz;
    cellLanes(df, g, x, ix, fx);
    cellLanes(df, g, y, iy, fy);
    cellLanes(df, g, z, iz, fz);
    const VI side = hn::Set(di, r);
    const VI one = hn::Set(di, 1);
    auto along = [&](VI j, VI k) {
        const VI at = hn::Add(ix, hn::Mul(side, hn::Add(j, hn::Mul(side, k))));
        VF a, b;
        xNeighbours(df, values, at, a, b);
        return hn::Add(a, hn::Mul(hn::Sub(b, a), fx));
    };
    const VI iy1 = hn::Add(iy, one);
    const VI iz1 = hn::Add(iz, one);
    const VF y0z0 = along(iy, iz);
    const VF y1z0 = along(iy1, iz);
    const VF y0z1 = along(iy, iz1);
    const VF y1z1 = along(iy1, iz1);
    const VF z0 = hn::Add(y0z0, hn::Mul(hn::Sub(y1z0, y0z0), fy));
    const VF z1 = hn::Add(y0z1, hn::Mul(hn::Sub(y1z1, y0z1), fy));
    return hn::Add(z0, hn::Mul(hn::Sub(z1, z0), fz));
}

#include "primitive/lane_loops-inl.h"

// A gradient's colours at x; a gradient without keys gives (0, 0, 0, 1).
HWY_INLINE void coloursLanes(DF df, const ColourGradient& gradient, VF x, VF (&colour)[4]) {
    if (gradient.count() > 0) return gradientLanes(df, gradient.data(), gradient.count(), x, colour);
    for (int c = 0; c < 3; ++c) colour[c] = hn::Zero(df);
    colour[3] = hn::Set(df, 1.0f);
}

}  // namespace

void GradientColoursMany(const ColourKey* keys, int32_t keyCount, int32_t count, const float* x,
                         ColourRGBA* out) {
    const DF df;
    byVectors(
        count, out,
        [&](ColourRGBA* into, const float* at) {
            VF colour[4];
            gradientLanes(df, keys, keyCount, hn::LoadU(df, at), colour);
            hn::StoreInterleaved4(colour[0], colour[1], colour[2], colour[3], df, &into->red);
        },
        x);
}

void TrilinearMany(const float* values, int32_t r, int32_t count, const Vector3* points, float* out) {
    const DF df;
    byVectors(
        count, out,
        [&](float* into, const Vector3* at) {
            VF x, y, z;
            hn::LoadInterleaved3(df, &at->x, x, y, z);
            hn::StoreU(trilinearLanes(df, values, r, x, y, z), df, into);
        },
        points);
}

void ShadeMany(const SampleShading& s, int32_t count, const float* positions, const ColourRGBA* colours,
               const Vector3* points, const float* densities, const float* weights, ColourRGBA* added) {
    const DF df;
    byVectors(
        count, added,
        [&](ColourRGBA* into, const float* position, const ColourRGBA* given, const Vector3* point,
            const float* density, const float* weight) {
            VF own[4];
            if (s.colourGradient != nullptr)
                coloursLanes(df, *s.colourGradient, hn::LoadU(df, position), own);
            else
                hn::LoadInterleaved4(df, &given->red, own[0], own[1], own[2], own[3]);
            const VF w = hn::LoadU(df, weight);
            VF out[3];
            if (s.shadowed) {
                VF grid = hn::Set(df, 1.0f);
                if (s.gridValues != nullptr) {
                    VF x, y, z;
                    hn::LoadInterleaved3(df, &point->x, x, y, z);
                    grid = trilinearLanes(df, s.gridValues, s.gridResolution, x, y, z);
                }
                const VF lit = litShare(df, grid, hn::LoadU(df, density), hn::Set(df, s.densityInfluence),
                                        hn::Set(df, s.shadowStrength));
                const VF unlit = hn::Sub(hn::Set(df, 1.0f), lit);
                VF shadow[4];
                coloursLanes(df, *s.shadowGradient, unlit, shadow);
                for (int c = 0; c < 3; ++c) out[c] = shadedChannel(w, lit, unlit, shadow[c], own[c]);
            } else {
                for (int c = 0; c < 3; ++c) out[c] = hn::Mul(w, own[c]);
            }
            hn::StoreInterleaved4(out[0], out[1], out[2], w, df, &into->red);
        },
        positions, colours, points, densities, weights);
}

}  // namespace HWY_NAMESPACE
}  // namespace brumo
HWY_AFTER_NAMESPACE();

#endif  // BRUMO_HAVE_HIGHWAY

#if !BRUMO_HAVE_HIGHWAY || HWY_ONCE

namespace brumo {

#if BRUMO_HAVE_HIGHWAY
HWY_EXPORT(GradientColoursMany);
HWY_EXPORT(TrilinearMany);
HWY_EXPORT(ShadeMany);

namespace {

// Below this many samples a run is not worth the lanes.
constexpr int32_t kFewestForLanes = 4;

bool worthLanes(int32_t count) { return count >= kFewestForLanes && vectorLanesEnabled(); }

}  // namespace
#endif

void evaluateMany(const ColourGradient& gradient, int32_t count, const float* x, ColourRGBA* out) {
#if BRUMO_HAVE_HIGHWAY
    if (gradient.count() > 0 && worthLanes(count))
        return HWY_DYNAMIC_DISPATCH(GradientColoursMany)(gradient.data(), gradient.count(), count, x, out);
#endif
    for (int32_t i = 0; i < count; ++i) out[i] = evaluate(gradient, x[i]);
}

void trilinearMany(const float* values, int32_t r, int32_t count, const Vector3* points, float* out) {
#if BRUMO_HAVE_HIGHWAY
    if (worthLanes(count)) return HWY_DYNAMIC_DISPATCH(TrilinearMany)(values, r, count, points, out);
#endif
    for (int32_t i = 0; i < count; ++i) out[i] = trilinearLookup(values, r, points[i]);
}

namespace march_one_lane {
namespace hn = one_lane;
#include "math/lane_types-inl.h"
#include "primitive/march_kernels-inl.h"
}  // namespace march_one_lane

void shadeMany(const SampleShading& s, int32_t count, const float* positions, const ColourRGBA* colours,
               const Vector3* points, const float* densities, const float* weights, ColourRGBA* added) {
#if BRUMO_HAVE_HIGHWAY
    if (worthLanes(count))
        return HWY_DYNAMIC_DISPATCH(ShadeMany)(s, count, positions, colours, points, densities, weights, added);
#endif
    using namespace march_one_lane;
    for (int32_t i = 0; i < count; ++i) {
        const ColourRGBA own = s.colourGradient != nullptr ? evaluate(*s.colourGradient, positions[i]) : colours[i];
        const float w = weights[i];
        if (!s.shadowed) {
            added[i] = {w * own.red, w * own.green, w * own.blue, w};
            continue;
        }
        const float grid = s.gridValues != nullptr ? trilinearLookup(s.gridValues, s.gridResolution, points[i]) : 1.0f;
        const VF lit = litShare({}, {grid}, {densities[i]}, {s.densityInfluence}, {s.shadowStrength});
        const VF unlit = {1.0f - lit.raw};
        const ColourRGBA shadow = evaluate(*s.shadowGradient, unlit.raw);
        added[i] = {shadedChannel({w}, lit, unlit, {shadow.red}, {own.red}).raw,
                    shadedChannel({w}, lit, unlit, {shadow.green}, {own.green}).raw,
                    shadedChannel({w}, lit, unlit, {shadow.blue}, {own.blue}).raw, w};
    }
}

}  // namespace brumo

#endif
