// The vortices' swirl for a run of points in vector lanes (Highway, compiled for each instruction
// set, the best one the CPU runs taken at run time), and for one point in one lane: the same
// kernel, so a point gives the same bits either way.
#include <cstdint>
#include <cstring>

#include "math/one_lane.h"
#include "math/c_library.h"
#include "math/vector_lanes.h"
#include "primitive/vortex.h"

#if BRUMO_HAVE_HIGHWAY

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitive/vortex_lanes.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace brumo {
namespace HWY_NAMESPACE {
namespace {

namespace hn = hwy::HWY_NAMESPACE;
#include "math/lane_types-inl.h"
#include "primitive/vortex_kernels-inl.h"
#include "math/lane_loops-inl.h"
#include "math/c_library_lanes-inl.h"

// The sine and cosine of the turning lanes, lane by lane: few lanes of a run turn by any one
// vortex, and the C library's sine and cosine are what a point has always been given.
struct TurnLaneByLane {
    void operator()(MF turning, VF theta, VF& sine, VF& cosine) const {
        sineAndCosineByLane(turning, theta, sine, cosine);
    }
};

}  // namespace

// The points of as many whole vectors as count holds, in place; answers how many.
int32_t SwirlInLanes(const Vortex* vortices, int32_t vortexCount, int32_t count, Vector3* points,
                     const Vector3* heightsOf) {
    const DF df;
    return byWholeVectors(count, [&](size_t i) {
        VF x, y, z, hx, hy, hz;
        hn::LoadInterleaved3(df, &heightsOf[i].x, hx, hy, hz);
        hn::LoadInterleaved3(df, &points[i].x, x, y, z);
        swirlByAllKernel(df, vortices, vortexCount, x, y, z, swirlHeightKernel(df, hz), TurnLaneByLane{});
        hn::StoreInterleaved3(x, y, z, df, &points[i].x);
    });
}

}  // namespace HWY_NAMESPACE
}  // namespace brumo
HWY_AFTER_NAMESPACE();

#endif  // BRUMO_HAVE_HIGHWAY

#if !BRUMO_HAVE_HIGHWAY || HWY_ONCE

namespace brumo {

#if BRUMO_HAVE_HIGHWAY
HWY_EXPORT(SwirlInLanes);
#endif

namespace vortex_one_lane {

namespace hn = one_lane;
#include "math/lane_types-inl.h"
#include "primitive/vortex_kernels-inl.h"

struct Turn {
    void operator()(MF, VF theta, VF& sine, VF& cosine) const { sineAndCosine(theta.raw, sine.raw, cosine.raw); }
};

}  // namespace vortex_one_lane

void swirlPoint(const Vortex* vortices, int32_t vortexCount, Vector3& point, const Vector3& heightOf) {
    using namespace vortex_one_lane;
    VF x{point.x}, y{point.y}, z{point.z};
    swirlByAllKernel({}, vortices, vortexCount, x, y, z, swirlHeightKernel({}, {heightOf.z}), Turn{});
    point = {x.raw, y.raw, z.raw};
}

void swirlPoints(const Vortex* vortices, int32_t vortexCount, int32_t count, Vector3* points,
                 const Vector3* heightsOf) {
    int32_t i = 0;
#if BRUMO_HAVE_HIGHWAY
    if (worthLanes(count))
        i = HWY_DYNAMIC_DISPATCH(SwirlInLanes)(vortices, vortexCount, count, points, heightsOf);
#endif
    for (; i < count; ++i) swirlPoint(vortices, vortexCount, points[i], heightsOf[i]);
}

}  // namespace brumo

#endif  // !BRUMO_HAVE_HIGHWAY || HWY_ONCE
