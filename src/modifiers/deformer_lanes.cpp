// The taper, twist and wave deformers in vector lanes (Highway, compiled for each instruction
// set, the best one the CPU runs taken at run time) and in one lane.
#include "modifiers/deformer_lanes.h"

#include <cmath>
#include <cstring>

#include "math/one_lane.h"
#include "math/sine_cosine.h"
#include "math/vector_lanes.h"
#include "modifiers/taper_modifier.h"
#include "modifiers/twist_modifier.h"
#include "modifiers/wave_modifier.h"

#if BRUMO_HAVE_HIGHWAY

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "modifiers/deformer_lanes.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace brumo {
namespace HWY_NAMESPACE {
namespace {

namespace hn = hwy::HWY_NAMESPACE;
#include "math/lane_types-inl.h"
#include "math/shaping_kernels-inl.h"
#include "modifiers/deformer_kernels-inl.h"
#include "math/lane_loops-inl.h"
#include "math/sine_cosine_lanes-inl.h"

// deform(a, b, c) over the whole vectors of a run, the coordinates named by the main axis.
template <class Deform>
HWY_INLINE int32_t deformWholeVectors(int32_t mainAxis, int32_t count, const Vector3* in, Vector3* out,
                                      const Deform& deform) {
    const DF df;
    return byWholeVectors(count, [&](size_t i) {
        VF x, y, z;
        hn::LoadInterleaved3(df, &in[i].x, x, y, z);
        alongAxes(mainAxis, x, y, z, deform);
        hn::StoreInterleaved3(x, y, z, df, &out[i].x);
    });
}

}  // namespace

// Each takes as many of the first count points as fill whole vectors; answers how many.

int32_t TaperInLanes(const TaperModifier* m, int32_t count, const Vector3* in, Vector3* out) {
    const DF df;
    return deformWholeVectors(m->mainAxis, count, in, out, [&](VF& a, VF& b, VF& c) { taperKernel(df, *m, a, b, c); });
}

int32_t TwistInLanes(const TwistModifier* m, int32_t count, const Vector3* in, Vector3* out) {
    const DF df;
    const MF all = hn::FirstN(df, hn::Lanes(df));
    return deformWholeVectors(m->mainAxis, count, in, out, [&](VF& a, VF& b, VF& c) {
        twistKernel(df, *m, a, b, c, [&](VF theta, VF& s, VF& co) { sineAndCosineByLane(all, theta, s, co); });
    });
}

int32_t WaveInLanes(const WaveModifier* m, int32_t count, const Vector3* in, Vector3* out) {
    const DF df;
    return deformWholeVectors(m->mainAxis, count, in, out,
                              [&](VF& a, VF& b, VF& c) { waveKernel(df, *m, a, b, c, [](VF x) { return sineByLane(x); }); });
}

}  // namespace HWY_NAMESPACE
}  // namespace brumo
HWY_AFTER_NAMESPACE();

#endif  // BRUMO_HAVE_HIGHWAY

#if !BRUMO_HAVE_HIGHWAY || HWY_ONCE

namespace brumo {

#if BRUMO_HAVE_HIGHWAY
HWY_EXPORT(TaperInLanes);
HWY_EXPORT(TwistInLanes);
HWY_EXPORT(WaveInLanes);
#endif

namespace deformer_one_lane {

namespace hn = one_lane;
#include "math/lane_types-inl.h"
#include "math/shaping_kernels-inl.h"
#include "modifiers/deformer_kernels-inl.h"

// deform(a, b, c) on one point, the coordinates named by the main axis.
template <class Deform>
void deformOne(int32_t mainAxis, const Vector3& in, Vector3& out, const Deform& deform) {
    VF x{in.x}, y{in.y}, z{in.z};
    alongAxes(mainAxis, x, y, z, deform);
    out = {x.raw, y.raw, z.raw};
}

}  // namespace deformer_one_lane

void taperPoint(const TaperModifier& m, const Vector3& in, Vector3& out) {
    using namespace deformer_one_lane;
    deformOne(m.mainAxis, in, out, [&](VF& a, VF& b, VF& c) { taperKernel({}, m, a, b, c); });
}

void twistPoint(const TwistModifier& m, const Vector3& in, Vector3& out) {
    using namespace deformer_one_lane;
    deformOne(m.mainAxis, in, out, [&](VF& a, VF& b, VF& c) {
        twistKernel({}, m, a, b, c, [](VF theta, VF& s, VF& co) { sineAndCosine(theta.raw, s.raw, co.raw); });
    });
}

void wavePoint(const WaveModifier& m, const Vector3& in, Vector3& out) {
    using namespace deformer_one_lane;
    deformOne(m.mainAxis, in, out,
                [&](VF& a, VF& b, VF& c) { waveKernel({}, m, a, b, c, [](VF x) { return VF{sine(x.raw)}; }); });
}

// Whole vectors in lanes where they are on, the rest one point at a time.
#if BRUMO_HAVE_HIGHWAY
#define BRUMO_DEFORM_IN_LANES(name, m, count, in, out) \
    (worthLanes(count) ? HWY_DYNAMIC_DISPATCH(name)(&(m), count, in, out) : 0)
#else
#define BRUMO_DEFORM_IN_LANES(name, m, count, in, out) 0
#endif

void taperPoints(const TaperModifier& m, int32_t count, const Vector3* in, Vector3* out) {
    for (int32_t i = BRUMO_DEFORM_IN_LANES(TaperInLanes, m, count, in, out); i < count; ++i) taperPoint(m, in[i], out[i]);
}

void twistPoints(const TwistModifier& m, int32_t count, const Vector3* in, Vector3* out) {
    for (int32_t i = BRUMO_DEFORM_IN_LANES(TwistInLanes, m, count, in, out); i < count; ++i) twistPoint(m, in[i], out[i]);
}

void wavePoints(const WaveModifier& m, int32_t count, const Vector3* in, Vector3* out) {
    for (int32_t i = BRUMO_DEFORM_IN_LANES(WaveInLanes, m, count, in, out); i < count; ++i) wavePoint(m, in[i], out[i]);
}

#undef BRUMO_DEFORM_IN_LANES

}  // namespace brumo

#endif  // !BRUMO_HAVE_HIGHWAY || HWY_ONCE
