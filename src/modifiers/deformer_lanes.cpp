// The geometric deformers in vector lanes (Highway, compiled for each instruction set, the best
// one the CPU runs taken at run time) and in one lane.
#include "modifiers/deformer_lanes.h"

#include <cmath>
#include <cstring>

#include "math/one_lane.h"
#include "math/shaping.h"
#include "math/c_library.h"
#include "math/vector_lanes.h"
#include "modifiers/bulge_modifier.h"
#include "modifiers/punch_modifier.h"
#include "modifiers/scale_modifier.h"
#include "modifiers/shift_modifier.h"
#include "modifiers/stretch_modifier.h"
#include "modifiers/taper_modifier.h"
#include "modifiers/twist_modifier.h"
#include "modifiers/wave_modifier.h"

// Every deformer with a kernel: its name, its class and its kernel.
#ifndef BRUMO_DEFORMERS
#define BRUMO_DEFORMERS(X)                 \
    X(Taper, TaperModifier, taperKernel)   \
    X(Twist, TwistModifier, twistKernel)   \
    X(Wave, WaveModifier, waveKernel)      \
    X(Bulge, BulgeModifier, bulgeKernel)   \
    X(Punch, PunchModifier, punchKernel)   \
    X(Shift, ShiftModifier, shiftKernel)   \
    X(Scale, ScaleModifier, scaleKernel)   \
    X(Stretch, StretchModifier, stretchKernel)
#endif

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
#include "math/lane_loops-inl.h"
#include "math/c_library_lanes-inl.h"

HWY_INLINE void sineAndCosineOf(VF x, VF& sine, VF& cosine) {
    sineAndCosineByLane(hn::FirstN(DF(), hn::Lanes(DF())), x, sine, cosine);
}
HWY_INLINE VF sineOf(VF x) {
    return byLane(x, [](float v) { return sine(v); });
}
HWY_INLINE VF powerOf(VF x, float y) {
    return byLane(x, [y](float v) { return power(v, y); });
}

#include "math/shaping_kernels-inl.h"
#include "modifiers/deformer_kernels-inl.h"

// The kernel over as many of the first count points as fill whole vectors; answers how many.
template <class Modifier, void (*kernel)(DF, const Modifier&, VF&, VF&, VF&)>
HWY_INLINE int32_t deformInLanes(const Modifier* m, int32_t count, const Vector3* in, Vector3* out) {
    const DF df;
    const int32_t axis = kernelAxis(*m);
    return byWholeVectors(count, [&](size_t i) {
        VF x, y, z;
        hn::LoadInterleaved3(df, &in[i].x, x, y, z);
        alongAxes(axis, x, y, z, [&](VF& a, VF& b, VF& c) { kernel(df, *m, a, b, c); });
        hn::StoreInterleaved3(x, y, z, df, &out[i].x);
    });
}

}  // namespace

#define BRUMO_DEFORMER_IN_LANES(Name, Modifier, kernel)                                       \
    int32_t Name##InLanes(const Modifier* m, int32_t count, const Vector3* in, Vector3* out) { \
        return deformInLanes<Modifier, kernel>(m, count, in, out);                            \
    }
BRUMO_DEFORMERS(BRUMO_DEFORMER_IN_LANES)
#undef BRUMO_DEFORMER_IN_LANES

}  // namespace HWY_NAMESPACE
}  // namespace brumo
HWY_AFTER_NAMESPACE();

#endif  // BRUMO_HAVE_HIGHWAY

#if !BRUMO_HAVE_HIGHWAY || HWY_ONCE

namespace brumo {

namespace deformer_one_lane {

namespace hn = one_lane;
#include "math/lane_types-inl.h"

inline void sineAndCosineOf(VF x, VF& sine, VF& cosine) { sineAndCosine(x.raw, sine.raw, cosine.raw); }
inline VF sineOf(VF x) { return {sine(x.raw)}; }
inline VF powerOf(VF x, float y) { return {power(x.raw, y)}; }

#include "math/shaping_kernels-inl.h"
#include "modifiers/deformer_kernels-inl.h"

template <class Modifier, void (*kernel)(DF, const Modifier&, VF&, VF&, VF&)>
void deformOne(const Modifier& m, const Vector3& in, Vector3& out) {
    VF x{in.x}, y{in.y}, z{in.z};
    alongAxes(kernelAxis(m), x, y, z, [&](VF& a, VF& b, VF& c) { kernel({}, m, a, b, c); });
    out = {x.raw, y.raw, z.raw};
}

}  // namespace deformer_one_lane

float stretchCurve(const StretchModifier& m, float t) {
    return deformer_one_lane::stretchCurveKernel({}, m, {t}).raw;
}

// For each deformer: one point in one lane, the whole vectors of a run in lanes where they are
// on, and the run's rest one point at a time.
#if BRUMO_HAVE_HIGHWAY
#define BRUMO_DEFORMER_EXPORT(Name) HWY_EXPORT(Name##InLanes);
#define BRUMO_DEFORMER_LANES(Name, m, count, in, out) \
    (worthLanes(count) ? HWY_DYNAMIC_DISPATCH(Name##InLanes)(&(m), count, in, out) : 0)
#else
#define BRUMO_DEFORMER_EXPORT(Name)
#define BRUMO_DEFORMER_LANES(Name, m, count, in, out) 0
#endif

#define BRUMO_DEFORMER(Name, Modifier, kernel)                                                  \
    BRUMO_DEFORMER_EXPORT(Name)                                                               \
    template <>                                                                                 \
    void deformOnePoint(const Modifier& m, const Vector3& in, Vector3& out) {                  \
        deformer_one_lane::deformOne<Modifier, deformer_one_lane::kernel>(m, in, out);          \
    }                                                                                           \
    template <>                                                                                 \
    void deformRun(const Modifier& m, int32_t count, const Vector3* in, Vector3* out) {         \
        for (int32_t i = BRUMO_DEFORMER_LANES(Name, m, count, in, out); i < count; ++i)        \
            deformOnePoint(m, in[i], out[i]);                                                   \
    }
BRUMO_DEFORMERS(BRUMO_DEFORMER)
#undef BRUMO_DEFORMER
#undef BRUMO_DEFORMER_LANES
#undef BRUMO_DEFORMER_EXPORT
#undef BRUMO_DEFORMERS

}  // namespace brumo

#endif  // !BRUMO_HAVE_HIGHWAY || HWY_ONCE
