// The march's colour-gradient and shadow-grid lookups for a run of samples (Highway, compiled for
// each instruction set, the best one the CPU runs taken at run time); without Highway, or with
// BRUMO_SIMD=scalar, the same kernels one sample at a time.
#include "primitive/march_lanes.h"

#include <cstring>

#include "math/vector_lanes.h"
#include "primitive/colour_gradient.h"
#include "primitive/march_one_lane.h"
#include "primitive/prepared_volume.h"
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

// Vector lanes: each lane's position and colour, blended in.
class PickedKey {
public:
    HWY_INLINE PickedKey(DF df, const ColourKey& key) : at_(hn::Set(df, key.position)) {
        const float* channels = &key.colour.red;
        for (int c = 0; c < 4; ++c) channels_[c] = hn::Set(df, channels[c]);
    }
    HWY_INLINE VF position() const { return at_; }
    HWY_INLINE VF channel(int c) const { return channels_[c]; }
    HWY_INLINE void take(DF df, MF mask, const ColourKey& key, VF p) {
        at_ = hn::IfThenElse(mask, p, at_);
        const float* channels = &key.colour.red;
        for (int c = 0; c < 4; ++c) channels_[c] = hn::IfThenElse(mask, hn::Set(df, channels[c]), channels_[c]);
    }

private:
    VF at_;
    VF channels_[4];
};

#include "primitive/colour_gradient_kernels-inl.h"
#include "primitive/shadow_grid_kernels-inl.h"
#include "primitive/march_kernels-inl.h"

#include "math/lane_loops-inl.h"

}  // namespace

void GradientColoursMany(const ColourGradient& gradient, int32_t count, const float* x, ColourRGBA* out) {
    const DF df;
    byVectors(
        count, out,
        [&](ColourRGBA* into, const float* at) {
            VF colour[4];
            coloursKernel(df, gradient, hn::LoadU(df, at), colour);
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
            hn::StoreU(trilinearKernel(df, values, r, x, y, z), df, into);
        },
        points);
}

// Whole vectors of samples only; answers their bits and sets done to how many it took.
uint64_t OpticalDepthsInLanes(float scale, int32_t count, const float* lengths, const float* densities,
                              float* depths, int32_t* done) {
    const DF df;
    const size_t lanes = hn::Lanes(df);
    const size_t total = static_cast<size_t>(count);
    const VF s = hn::Set(df, scale);
    const VF negligible = hn::Set(df, kNegligible);
    uint64_t bits = 0;
    size_t i = 0;
    for (; i + lanes <= total; i += lanes) {
        const VF d = opticalDepth(s, hn::LoadU(df, lengths + i), hn::LoadU(df, densities + i));
        hn::StoreU(d, df, depths + i);
        bits |= maskBits(hn::Gt(d, negligible)) << i;
    }
    *done = static_cast<int32_t>(i);
    return bits;
}

void ShadeMany(const SampleShading& s, int32_t count, const float* positions, const ColourRGBA* colours,
               const Vector3* points, const float* densities, const float* weights, ColourRGBA* added) {
    const DF df;
    byVectors(
        count, added,
        [&](ColourRGBA* into, const float* position, const ColourRGBA* given, const Vector3* point,
            const float* density, const float* weight) {
            shadeKernel(df, s, position, given, point, density, weight, into);
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
HWY_EXPORT(OpticalDepthsInLanes);
#endif

void evaluateMany(const ColourGradient& gradient, int32_t count, const float* x, ColourRGBA* out) {
#if BRUMO_HAVE_HIGHWAY
    if (worthLanes(count)) return HWY_DYNAMIC_DISPATCH(GradientColoursMany)(gradient, count, x, out);
#endif
    for (int32_t i = 0; i < count; ++i) out[i] = evaluate(gradient, x[i]);
}

void trilinearMany(const float* values, int32_t r, int32_t count, const Vector3* points, float* out) {
#if BRUMO_HAVE_HIGHWAY
    if (worthLanes(count)) return HWY_DYNAMIC_DISPATCH(TrilinearMany)(values, r, count, points, out);
#endif
    for (int32_t i = 0; i < count; ++i) out[i] = trilinearLookup(values, r, points[i]);
}

uint64_t opticalDepthsMany(float scale, int32_t count, const float* lengths, const float* densities,
                           float* depths) {
    uint64_t bits = 0;
    int32_t i = 0;
#if BRUMO_HAVE_HIGHWAY
    if (worthLanes(count))
        bits = HWY_DYNAMIC_DISPATCH(OpticalDepthsInLanes)(scale, count, lengths, densities, depths, &i);
#endif
    for (; i < count; ++i) {
        const float d = march_one_lane::opticalDepth({scale}, {lengths[i]}, {densities[i]}).raw;
        depths[i] = d;
        bits |= uint64_t{d > kNegligible ? 1u : 0u} << i;
    }
    return bits;
}

void shadeMany(const SampleShading& s, int32_t count, const float* positions, const ColourRGBA* colours,
               const Vector3* points, const float* densities, const float* weights, ColourRGBA* added) {
#if BRUMO_HAVE_HIGHWAY
    if (worthLanes(count))
        return HWY_DYNAMIC_DISPATCH(ShadeMany)(s, count, positions, colours, points, densities, weights, added);
#endif
    for (int32_t i = 0; i < count; ++i)
        march_one_lane::shadeKernel({}, s, positions + i, colours + i, points + i, densities + i, weights + i,
                                    added + i);
}

}  // namespace brumo

#endif
