// The shape mask and the puff coverage: their kernels in one lane for a single point, and in
// vector lanes (Highway, compiled for each instruction set, the best one the CPU runs taken at
// run time) for a run.
#include "primitive/density_lanes.h"

#include <cmath>
#include <cstring>

#include "math/one_lane.h"
#include "math/vector_lanes.h"
#include "primitive/brumo_base.h"

#if BRUMO_HAVE_HIGHWAY

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitive/density_lanes.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace brumo {
namespace HWY_NAMESPACE {
namespace {

namespace hn = hwy::HWY_NAMESPACE;
#include "math/lane_types-inl.h"
#include "math/shaping_kernels-inl.h"
#include "primitive/density_kernels-inl.h"

#include "primitive/lane_loops-inl.h"

// A kernel of a point and one value per sample over a run.
template <class Kernel>
HWY_INLINE void pointRuns(int32_t count, const Vector3* points, const float* extra, float* out,
                          const Kernel& kernel) {
    const DF df;
    byVectors(
        count, out,
        [&](float* into, const Vector3* at, const float* value) {
            VF x, y, z;
            hn::LoadInterleaved3(df, &at->x, x, y, z);
            hn::StoreU(kernel(x, y, z, hn::LoadU(df, value)), df, into);
        },
        points, extra);
}

}  // namespace

void ShapeWeightMany(int32_t count, const Vector3* points, const float* start, uint32_t flags,
                     const FalloffPair (*falloffs)[16], bool soft, float* out) {
    const DF df;
    pointRuns(count, points, start, out, [&](VF x, VF y, VF z, VF m) {
        return shapeWeightKernel(df, x, y, z, m, flags, *falloffs, soft);
    });
}

void PuffCoverageMany(const PuffField* field, int32_t count, const Vector3* points, const float* jitter,
                      float* out) {
    const DF df;
    pointRuns(count, points, jitter, out,
                  [&](VF x, VF y, VF z, VF j) { return puffCoverageKernel(df, *field, x, y, z, j); });
}

}  // namespace HWY_NAMESPACE
}  // namespace brumo
HWY_AFTER_NAMESPACE();

#endif  // BRUMO_HAVE_HIGHWAY

#if !BRUMO_HAVE_HIGHWAY || HWY_ONCE

namespace brumo {

#if BRUMO_HAVE_HIGHWAY
HWY_EXPORT(ShapeWeightMany);
HWY_EXPORT(PuffCoverageMany);
#endif

namespace density_one_lane {

namespace hn = one_lane;
#include "math/lane_types-inl.h"
#include "math/shaping_kernels-inl.h"
#include "primitive/density_kernels-inl.h"

}  // namespace density_one_lane

namespace {

#if BRUMO_HAVE_HIGHWAY
bool worthLanes(int32_t count) { return count >= kFewestForLanes && vectorLanesEnabled(); }
#endif

}  // namespace

float shapeWeight(const Vector3& s, float start, uint32_t flags, const FalloffPair (&falloffs)[16], bool soft) {
    return density_one_lane::shapeWeightKernel({}, {s.x}, {s.y}, {s.z}, {start}, flags, falloffs, soft).raw;
}

void shapeWeightMany(int32_t count, const Vector3* points, const float* start, uint32_t flags,
                     const FalloffPair (&falloffs)[16], bool soft, float* out) {
#if BRUMO_HAVE_HIGHWAY
    if (worthLanes(count)) return HWY_DYNAMIC_DISPATCH(ShapeWeightMany)(count, points, start, flags, &falloffs, soft, out);
#endif
    for (int32_t i = 0; i < count; ++i) out[i] = shapeWeight(points[i], start[i], flags, falloffs, soft);
}

float puffCoverage(const PuffField& field, const Vector3& p, float jitter) {
    return density_one_lane::puffCoverageKernel({}, field, {p.x}, {p.y}, {p.z}, {jitter}).raw;
}

void puffCoverageMany(const PuffField& field, int32_t count, const Vector3* points, const float* jitter,
                      float* out) {
#if BRUMO_HAVE_HIGHWAY
    if (worthLanes(count)) return HWY_DYNAMIC_DISPATCH(PuffCoverageMany)(&field, count, points, jitter, out);
#endif
    for (int32_t i = 0; i < count; ++i) out[i] = puffCoverage(field, points[i], jitter[i]);
}

}  // namespace brumo

#endif
