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

// Runs body on whole vectors of points, then on the rest through a padded copy, so that nothing
// beyond the count is read or written.
template <class Body>
HWY_INLINE void forEachVector(int32_t count, const Vector3* points, const float* extra, float* out,
                              const Body& body) {
    const DF df;
    constexpr size_t kLanes = hn::MaxLanes(DF());
    const size_t n = hn::Lanes(df);
    const size_t total = static_cast<size_t>(count);
    size_t i = 0;
    for (; i + n <= total; i += n) {
        VF x, y, z;
        hn::LoadInterleaved3(df, &points[i].x, x, y, z);
        hn::StoreU(body(x, y, z, hn::LoadU(df, extra + i)), df, out + i);
    }
    if (i == total) return;
    HWY_ALIGN float rest[3 * kLanes] = {};
    HWY_ALIGN float restExtra[kLanes] = {};
    HWY_ALIGN float values[kLanes];
    const size_t left = total - i;
    std::memcpy(rest, &points[i], left * sizeof(Vector3));
    std::memcpy(restExtra, extra + i, left * sizeof(float));
    VF x, y, z;
    hn::LoadInterleaved3(df, rest, x, y, z);
    hn::Store(body(x, y, z, hn::Load(df, restExtra)), df, values);
    std::memcpy(out + i, values, left * sizeof(float));
}

}  // namespace

void ShapeWeightMany(int32_t count, const Vector3* points, const float* start, uint32_t flags,
                     const FalloffPair (*falloffs)[16], bool soft, float* out) {
    const DF df;
    forEachVector(count, points, start, out, [&](VF x, VF y, VF z, VF m) {
        return shapeWeightKernel(df, x, y, z, m, flags, *falloffs, soft);
    });
}

void PuffCoverageMany(const PuffField* field, int32_t count, const Vector3* points, const float* jitter,
                      float* out) {
    const DF df;
    forEachVector(count, points, jitter, out,
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
