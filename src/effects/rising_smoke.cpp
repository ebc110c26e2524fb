#include "effects/rising_smoke.h"

#include <cmath>
#include <cstring>

#include "brumo/resource_texts.h"
#include "effects/effect_fields.h"
#include "math/affine_transform.h"
#include "math/one_lane.h"
#include "math/shaping.h"
#include "math/vector_lanes.h"
#include "primitive/shape_presets.h"

#if BRUMO_HAVE_HIGHWAY

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "effects/rising_smoke.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace brumo {
namespace HWY_NAMESPACE {
namespace {

namespace hn = hwy::HWY_NAMESPACE;
#include "math/lane_types-inl.h"
#include "math/linear_map_kernels-inl.h"
#include "math/shaping_kernels-inl.h"
#include "effects/rising_smoke_kernels-inl.h"
#include "math/lane_loops-inl.h"

}  // namespace

// Each of these takes as many of the first count samples as fill whole vectors; answers how many.

// The column remap of the moved points: the points in noise space remapped, their heights along
// the column, their spreads, and 1 where there is smoke (else 0).
int32_t ColumnInLanes(const SmokeColumn* column, const AffineTransform* toNoiseSpace, int32_t count, const Vector3* moved,
                      Vector3* remapped, float* heights, float* spreads, float* smoke) {
    const DF df;
    return byWholeVectors(count, [&](size_t i) {
        VF px, py, pz, sx, sy, sz, d, r;
        hn::LoadInterleaved3(df, &moved[i].x, px, py, pz);
        const MF has = columnKernel(df, *column, *toNoiseSpace, px, py, pz, sx, sy, sz, d, r);
        hn::StoreInterleaved3(sx, sy, sz, df, &remapped[i].x);
        hn::StoreU(d, df, heights + i);
        hn::StoreU(r, df, spreads + i);
        hn::StoreU(hn::IfThenElseZero(has, hn::Set(df, 1.0f)), df, smoke + i);
    });
}

// The points the shape reads, from the swirled points with their heights and spreads.
int32_t ShapePointsInLanes(const SmokeColumn* column, const AffineTransform* fromNoiseSpace, int32_t count,
                           const Vector3* swirled, const float* heights, const float* spreads, Vector3* out) {
    const DF df;
    return byWholeVectors(count, [&](size_t i) {
        VF sx, sy, sz, ox, oy, oz;
        hn::LoadInterleaved3(df, &swirled[i].x, sx, sy, sz);
        shapePointKernel(df, *column, *fromNoiseSpace, sx, sy, sz, hn::LoadU(df, heights + i),
                         hn::LoadU(df, spreads + i), ox, oy, oz);
        hn::StoreInterleaved3(ox, oy, oz, df, &out[i].x);
    });
}

// The masks through the funnel at the moved points, and 1 where the sample keeps a density.
int32_t FunnelInLanes(const SmokeColumn* column, int32_t count, const Vector3* moved, const float* masks, float* weights,
                      float* keeps) {
    const DF df;
    return byWholeVectors(count, [&](size_t i) {
        VF px, py, pz;
        hn::LoadInterleaved3(df, &moved[i].x, px, py, pz);
        MF keep;
        hn::StoreU(funnelKernel(df, *column, px, py, pz, hn::LoadU(df, masks + i), keep), df, weights + i);
        hn::StoreU(hn::IfThenElseZero(keep, hn::Set(df, 1.0f)), df, keeps + i);
    });
}

}  // namespace HWY_NAMESPACE
}  // namespace brumo
HWY_AFTER_NAMESPACE();

#endif  // BRUMO_HAVE_HIGHWAY

#if !BRUMO_HAVE_HIGHWAY || HWY_ONCE

namespace brumo {

#if BRUMO_HAVE_HIGHWAY
HWY_EXPORT(ColumnInLanes);
HWY_EXPORT(ShapePointsInLanes);
HWY_EXPORT(FunnelInLanes);
#endif

namespace {

namespace rising_one_lane {

namespace hn = one_lane;
#include "math/lane_types-inl.h"
#include "math/linear_map_kernels-inl.h"
#include "math/shaping_kernels-inl.h"
#include "effects/rising_smoke_kernels-inl.h"

}  // namespace rising_one_lane

// The stages of a run, whole vectors in lanes, the rest in one (as the kernels above say).
void columnOf(const SmokeColumn& column, const AffineTransform& toNoiseSpace, int32_t count, const Vector3* moved,
              Vector3* remapped, float* heights, float* spreads, float* smoke) {
    int32_t i = 0;
#if BRUMO_HAVE_HIGHWAY
    if (worthLanes(count))
        i = HWY_DYNAMIC_DISPATCH(ColumnInLanes)(&column, &toNoiseSpace, count, moved, remapped, heights, spreads,
                                                smoke);
#endif
    for (; i < count; ++i) {
        rising_one_lane::VF sx, sy, sz, d, r;
        const bool has = rising_one_lane::columnKernel({}, column, toNoiseSpace, {moved[i].x}, {moved[i].y},
                                                       {moved[i].z}, sx, sy, sz, d, r).raw;
        remapped[i] = {sx.raw, sy.raw, sz.raw};
        heights[i] = d.raw;
        spreads[i] = r.raw;
        smoke[i] = has ? 1.0f : 0.0f;
    }
}

void shapePointsOf(const SmokeColumn& column, const AffineTransform& fromNoiseSpace, int32_t count,
                   const Vector3* swirled, const float* heights, const float* spreads, Vector3* out) {
    int32_t i = 0;
#if BRUMO_HAVE_HIGHWAY
    if (worthLanes(count))
        i = HWY_DYNAMIC_DISPATCH(ShapePointsInLanes)(&column, &fromNoiseSpace, count, swirled, heights, spreads, out);
#endif
    for (; i < count; ++i) {
        rising_one_lane::VF x, y, z;
        rising_one_lane::shapePointKernel({}, column, fromNoiseSpace, {swirled[i].x}, {swirled[i].y}, {swirled[i].z},
                                          {heights[i]}, {spreads[i]}, x, y, z);
        out[i] = {x.raw, y.raw, z.raw};
    }
}

void funnelOf(const SmokeColumn& column, int32_t count, const Vector3* moved, const float* masks, float* weights,
              float* keeps) {
    int32_t i = 0;
#if BRUMO_HAVE_HIGHWAY
    if (worthLanes(count)) i = HWY_DYNAMIC_DISPATCH(FunnelInLanes)(&column, count, moved, masks, weights, keeps);
#endif
    for (; i < count; ++i) {
        rising_one_lane::MF keep;
        weights[i] =
            rising_one_lane::funnelKernel({}, column, {moved[i].x}, {moved[i].y}, {moved[i].z}, {masks[i]}, keep).raw;
        keeps[i] = keep.raw ? 1.0f : 0.0f;
    }
}

inline bool usableScale(float s) { return std::isfinite(s) && std::fabs(s) > kNegligible; }

// Number of rungs that fit a period: trunc(period / spacing), none for a negative or undefined
// quotient, at most kMaxLadderVortices.
int32_t rungCount(float period, float spacing) {
    const float quotient = period / spacing;
    if (!(quotient >= 0.0f)) return 0;
    if (quotient >= static_cast<float>(kMaxLadderVortices)) return kMaxLadderVortices;
    return static_cast<int32_t>(quotient);
}

// One set of the ladder: `count` rungs of that radius, `spacing` apart within one period.
struct RungSet {
    int32_t count = 0;
    float radius = 0.0f;
    float period = 0.0f;
    float spacing = 0.0f;
};

// The set for the noise scale along its turning axis (a: the column's noise-space scale, H: the
// column's height); no rungs for an unusable scale.
RungSet rungSet(float a, float axisScale, float H) {
    RungSet set;
    if (!usableScale(axisScale)) return set;
    set.radius = a / axisScale;
    set.period = 2.0f * set.radius + H;
    set.spacing = 1.75f * set.radius;
    set.count = rungCount(set.period, set.spacing);
    return set;
}

// Places a set from the offset up, wrapped into its period, alternating between two kinds.
void placeRungs(Vortex* rungs, const RungSet& set, float offsetZ, int32_t evenKind, int32_t oddKind) {
    for (int32_t j = 0; j < set.count; ++j) {
        const float z = static_cast<float>(j) * set.spacing + offsetZ;
        Vortex& vortex = rungs[j];
        vortex.centre = {0.0f, 0.0f, z - set.period * std::trunc(z / set.period)};
        vortex.setKind((j & 1) == 0 ? evenKind : oddKind);
        vortex.setRadius(set.radius);
    }
}

}  // namespace

BRUMO_ASSERT_FOLLOWS_COMMON_BLOCK(RisingSmoke, RisingSmokeParameters, baseSpread)
BRUMO_ASSERT_FOLLOWS_COMMON_BLOCK(RisingSmoke, RisingSmokeParameters, edgeSoftness)

RisingSmoke::RisingSmoke() : baseSpread(0.2f), edgeSoftness(0.5f), columnHalfHeight(0.0f) {
    parameters.noiseType = kTurbulenceSum;
    applyShapePreset(kTopFadePreset, false, parameters.shapeFlags, parameters.shapeFalloffs);
    loadResourceText(parameters.densityShaderName.get(), kTextTurbulence);
}

void RisingSmoke::prepareEffect() {
    const EffectParameters& p = parameters;
    const bool columnUsable = usableScale(p.noiseScale) && usableScale(p.noiseScaleXYZ.z);
    const float a = 100.0f * (100.0f / p.noiseScale);
    const float b = a / p.noiseScaleXYZ.z;
    columnHalfHeight = columnUsable && std::isfinite(b) ? b : 0.0f;
    const float H = 2.0f * columnHalfHeight;

    // Rungs turning about x, then rungs turning about y; the ladder repeats every period, so
    // moving the offset by a period leaves it in place.
    const RungSet x = columnUsable ? rungSet(a, p.noiseScaleXYZ.x, H) : RungSet{};
    const RungSet y = columnUsable ? rungSet(a, p.noiseScaleXYZ.y, H) : RungSet{};

    // Every rung starts from the vortex defaults (lift 0.1, twist 60 degrees). When the list
    // cannot hold both sets the ladder stays empty.
    const Vortex fresh;
    QVClassArray<Vortex>& vortices = preparing().vortices;
    vortices.setCount(0);
    if (!vortices.setCount(x.count + y.count, &fresh)) return;
    const float offsetZ = p.noiseOffset.z;
    placeRungs(vortices.data(), x, offsetZ, 3, 0);
    placeRungs(vortices.data() + x.count, y, offsetZ, 1, 4);
}

template <int32_t capacity>
void RisingSmoke::runUpTo(const DensityField& field, int32_t runCount, const Vector3* points, float* densities,
                          float* shapes, ShadingPoint* shading) {
    const int32_t count = capacity == 1 ? 1 : runCount;
    const PreparedVolume& volume = field.volume();
    const EffectParameters& parameters = field.parameters();
    const SmokeColumn column{columnHalfHeight, baseSpread, edgeSoftness};
    Vector3 movedPoints[capacity];
    const Vector3* moved = field.movedByModifiers(count, points, movedPoints);

    // Every sample starts with density and shape 0; those with smoke go on, compacted in place,
    // and the vortices swirl them with the height of the moved point.
    Vector3 noise[capacity];
    float heights[capacity];
    float spreads[capacity];
    float smoke[capacity];
    columnOf(column, volume.noiseTransform, count, moved, noise, heights, spreads, smoke);
    int32_t going[capacity];
    Vector3 goingMoved[capacity];  // the moved points of the samples going: the swirl's heights, the funnel
    int32_t n = 0;
    for (int32_t i = 0; i < count; ++i) {
        densities[i] = 0.0f;
        shapes[i] = 0.0f;
        going[n] = i;
        noise[n] = noise[i];
        heights[n] = heights[i];
        spreads[n] = spreads[i];
        goingMoved[n] = moved[i];
        n += smoke[i] != 0.0f ? 1 : 0;
    }
    if (n == 0) return;
    field.applyVorticesMany(n, noise, goingMoved);

    Vector3 shapePoints[capacity];
    shapePointsOf(column, volume.noiseTransformInverse, n, noise, heights, spreads, shapePoints);
    float masks[capacity];
    field.shapeMaskMany(n, shapePoints, parameters.shapeFlags, parameters.shapeFalloffs, true, masks);
    float weights[capacity];
    float keeps[capacity];
    funnelOf(column, n, goingMoved, masks, weights, keeps);
    const Vector3 offset = parameters.noiseOffset;
    int32_t kept = 0;
    for (int32_t j = 0; j < n; ++j) {
        shapes[going[j]] = masks[j];
        going[kept] = going[j];
        noise[kept] = noise[j] - offset;
        weights[kept] = weights[j];
        kept += keeps[j] != 0.0f ? 1 : 0;
    }
    if (kept == 0) return;
    float values[capacity];
    field.noiseFieldMany(kept, noise, values, shading);
    for (int32_t j = 0; j < kept; ++j) densities[going[j]] = values[j] * weights[j];
}

void RisingSmoke::runStages(const DensityField& field, int32_t count, const Vector3* points, float* densities,
                            float* shapes, ShadingPoint* shading) {
    if (count == 1)
        runUpTo<1>(field, 1, points, densities, shapes, shading);
    else
        runUpTo<kDensityBatch>(field, count, points, densities, shapes, shading);
}

int32_t RisingSmoke::parameterBlockSize() { return static_cast<int32_t>(sizeof(RisingSmokeParameters)); }

void RisingSmoke::addEffectInputs(GridInputs& inputs) const {
    inputs.add(baseSpread);
    inputs.add(edgeSoftness);
}

}  // namespace brumo

#endif  // !BRUMO_HAVE_HIGHWAY || HWY_ONCE
