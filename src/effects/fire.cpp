#include "effects/fire.h"

#include <cstring>

#include "brumo/resource_texts.h"
#include "effects/colour_preset_popup.h"
#include "effects/effect_fields.h"
#include "frame/panel_controls.h"
#include "math/affine_transform.h"
#include "math/one_lane.h"
#include "math/vector_lanes.h"
#include "primitive/colour_gradient.h"
#include "primitive/density_field.h"

#if BRUMO_HAVE_HIGHWAY

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "effects/fire.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace brumo {
namespace HWY_NAMESPACE {
namespace {

namespace hn = hwy::HWY_NAMESPACE;
#include "math/lane_types-inl.h"
#include "math/exp_kernels-inl.h"
#include "math/linear_map_kernels-inl.h"
#include "effects/fire_kernels-inl.h"
#include "math/lane_loops-inl.h"

}  // namespace

// The shape and noise points and the heights of as many of the first count samples as fill
// whole vectors; answers how many.
int32_t FlamePointsInLanes(int32_t count, const Vector3* points, const AffineTransform* toNoiseSpace,
                           const AffineTransform* fromNoiseSpace, float rate, const Vector3* offset,
                           const Vector3* from, Vector3* noise, Vector3* shape, float* heights) {
    const DF df;
    const size_t lanes = hn::Lanes(df);
    const size_t total = static_cast<size_t>(count);
    const VF r = hn::Set(df, rate);
    size_t i = 0;
    for (; i + lanes <= total; i += lanes) {
        VF x, y, z, qx, qy, qz, sx, sy, sz;
        hn::LoadInterleaved3(df, &points[i].x, x, y, z);
        hn::LoadInterleaved3(df, &from[i].x, qx, qy, qz);
        hn::StoreU(flamePointsKernel(df, z, toNoiseSpace, *fromNoiseSpace, r, *offset, qx, qy, qz, sx, sy, sz), df,
                   heights + i);
        hn::StoreInterleaved3(sx, sy, sz, df, &shape[i].x);
        hn::StoreInterleaved3(qx, qy, qz, df, &noise[i].x);
    }
    return static_cast<int32_t>(i);
}

// The ramp of the count samples, the last partial vector too; answers count.
int32_t FlameDensitiesInLanes(int32_t count, const float* noise, const float* heights, const float* masks,
                              float* densities) {
    const DF df;
    byVectors(
        count, densities,
        [&](float* into, const float* n, const float* h, const float* m) {
            hn::StoreU(flameDensityKernel(df, hn::LoadU(df, n), hn::LoadU(df, h), hn::LoadU(df, m)), df, into);
        },
        noise, heights, masks);
    return count;
}

}  // namespace HWY_NAMESPACE
}  // namespace brumo
HWY_AFTER_NAMESPACE();

#endif  // BRUMO_HAVE_HIGHWAY

#if !BRUMO_HAVE_HIGHWAY || HWY_ONCE

namespace brumo {

namespace {

constexpr int32_t kFirstFireRamp = 2;

// The preset gradient each choice of the colour popup loads.
constexpr int32_t kPopupPresets[kColourPopupChoices] = {2, 3, 4, 5, 6, 7};

namespace fire_one_lane {

namespace hn = one_lane;
#include "math/lane_types-inl.h"
#include "math/exp_kernels-inl.h"
#include "math/linear_map_kernels-inl.h"
#include "effects/fire_kernels-inl.h"

}  // namespace fire_one_lane

}  // namespace

#if BRUMO_HAVE_HIGHWAY
HWY_EXPORT(FlamePointsInLanes);
HWY_EXPORT(FlameDensitiesInLanes);
#endif

namespace {

// From count points (moved into noise space first by toNoiseSpace, unless null): the points the
// mask reads (mapped back out of noise space), the points the noise reads and the heights of the
// points as received. Whole vectors in lanes, the rest in one; from may be noise.
void flamePoints(int32_t count, const Vector3* points, const AffineTransform* toNoiseSpace,
                 const AffineTransform& fromNoiseSpace, float rate, const Vector3& offset, const Vector3* from,
                 Vector3* noise, Vector3* shape, float* heights) {
    int32_t i = 0;
#if BRUMO_HAVE_HIGHWAY
    if (worthLanes(count))
        i = HWY_DYNAMIC_DISPATCH(FlamePointsInLanes)(count, points, toNoiseSpace, &fromNoiseSpace, rate, &offset,
                                                     from, noise, shape, heights);
#endif
    for (; i < count; ++i) {
        fire_one_lane::VF x{from[i].x}, y{from[i].y}, z{from[i].z}, sx, sy, sz;
        heights[i] = fire_one_lane::flamePointsKernel({}, {points[i].z}, toNoiseSpace, fromNoiseSpace, {rate}, offset,
                                                      x, y, z, sx, sy, sz).raw;
        shape[i] = {sx.raw, sy.raw, sz.raw};
        noise[i] = {x.raw, y.raw, z.raw};
    }
}

void flameDensities(int32_t count, const float* noise, const float* heights, const float* masks,
                    float* densities) {
    int32_t i = 0;
#if BRUMO_HAVE_HIGHWAY
    if (worthLanes(count)) i = HWY_DYNAMIC_DISPATCH(FlameDensitiesInLanes)(count, noise, heights, masks, densities);
#endif
    for (; i < count; ++i)
        densities[i] = fire_one_lane::flameDensityKernel({}, {noise[i]}, {heights[i]}, {masks[i]}).raw;
}

}  // namespace

BRUMO_ASSERT_FOLLOWS_COMMON_BLOCK(Fire, FireParameters, flameStretch)

Fire::Fire() : flameStretch(1.0f) {
    parameters.noiseType = kRidgedSum;
    parameters.quality = 0.4f;
    parameters.absorptionDistance = 1.5f;
    copyPreset(kFirstFireRamp, parameters.colourGradient);
    loadResourceText(parameters.densityShaderName.get(), kTextRidgedNoise);
}

void Fire::runStages(const DensityField& field, int32_t count, const Vector3* points, float* densities,
                     float* shapes, ShadingPoint* shading) {
    const PreparedVolume& volume = field.volume();
    const EffectParameters& parameters = field.parameters();
    Vector3 movedPoints[kDensityBatch];
    const Vector3* moved = field.movedByModifiers(count, points, movedPoints);
    // The mask reads the point in noise space mapped back, after the vortices (none, unless a
    // preparation filled the list) swirled it with the height of the point as received; without
    // them the move into noise space comes in the same pass.
    Vector3 noise[kDensityBatch];
    Vector3 shapePoints[kDensityBatch];
    const AffineTransform* toNoiseSpace = &volume.noiseTransform;
    if (!volume.vortices.empty()) {
        field.toNoiseSpaceMany(count, moved, noise);
        field.applyVorticesMany(count, noise, points);
        moved = noise;
        toNoiseSpace = nullptr;
    }
    float heights[kDensityBatch];
    flamePoints(count, points, toNoiseSpace, volume.noiseTransformInverse, -0.1f * flameStretch,
                parameters.noiseOffset, moved, noise, shapePoints, heights);
    field.shapeMaskMany(count, shapePoints, parameters.shapeFlags, parameters.shapeFalloffs, true, shapes);

    // A sample the mask empties has no density. Where few are empty, reading the noise at them
    // costs less than moving the others together; a single point (a host shader's) that is empty
    // reads none.
    int32_t empty = 0;
    for (int32_t i = 0; i < count; ++i) empty += shapes[i] < kNegligible ? 1 : 0;
    float values[kDensityBatch];
    if (8 * empty <= count) {
        field.noiseFieldMany(count, noise, values, shading);
        flameDensities(count, values, heights, shapes, densities);
        return;
    }
    int32_t going[kDensityBatch];
    float masks[kDensityBatch];
    int32_t kept = 0;
    for (int32_t i = 0; i < count; ++i) {
        going[kept] = i;
        noise[kept] = noise[i];
        heights[kept] = heights[i];
        masks[kept] = shapes[i];
        kept += shapes[i] < kNegligible ? 0 : 1;
    }
    for (int32_t i = 0; i < count; ++i) densities[i] = 0.0f;
    if (kept == 0) return;
    field.noiseFieldMany(kept, noise, values, shading);
    flameDensities(kept, values, heights, masks, values);
    for (int32_t k = 0; k < kept; ++k) densities[going[k]] = values[k];
}

QVResult Fire::handleEvent(int32_t kind, IQVUnknown* source, void* data) {
    applyColourPresetPopup(kind, source, kFireColourPopup, kPopupPresets, parameters.colourGradient);
    return BrumoBase::handleEvent(kind, source, data);
}

int32_t Fire::parameterBlockSize() { return static_cast<int32_t>(sizeof(FireParameters)); }

void Fire::addEffectInputs(GridInputs& inputs) const {
    inputs.add(flameStretch);
}

}  // namespace brumo

#endif
