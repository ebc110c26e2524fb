// One-point shape mask and puff coverage, and their vector-lane kernels (Highway, compiled for
// each instruction set, the best one the CPU runs taken at run time).
#include "primitive/density_lanes.h"

#include <cmath>
#include <cstring>

#include "math/shaping.h"
#include "math/vector_lanes.h"
#include "primitive/brumo_base.h"

#ifndef BRUMO_DENSITY_LANES_SHARED
#define BRUMO_DENSITY_LANES_SHARED
namespace brumo {
namespace density_lanes {

// Half-width of the cube as the mask sees it: 1 + 2^-14, so points on a face still count.
constexpr float kCubeLimit = 1.0f + kNegligible;
// Below this many points a run is not worth the lanes.
constexpr int32_t kFewestForLanes = 4;

}  // namespace density_lanes
}  // namespace brumo
#endif

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
using DF = hn::ScalableTag<float>;
using VF = hn::Vec<DF>;
using MF = hn::Mask<DF>;
using density_lanes::kCubeLimit;

// 1 + x (x (17 / range - 4 x / range²) - 22) / (9 range), in the one-point order.
HWY_INLINE VF softObject(DF df, VF x, VF range) {
    const VF a = hn::Div(hn::Set(df, 17.0f), range);
    const VF b = hn::Div(hn::Mul(hn::Set(df, 4.0f), x), hn::Mul(range, range));
    const VF inner = hn::Sub(hn::Mul(x, hn::Sub(a, b)), hn::Set(df, 22.0f));
    return hn::Add(hn::Set(df, 1.0f), hn::Div(hn::Mul(x, inner), hn::Mul(hn::Set(df, 9.0f), range)));
}

// softStep or linearStep: 1 below full, 0 from zero on, the ramp between.
HWY_INLINE VF window(DF df, bool soft, VF full, VF zero, VF x) {
    const VF ramp = soft ? softObject(df, hn::Sub(x, full), hn::Sub(zero, full))
                         : hn::Div(hn::Sub(x, zero), hn::Sub(full, zero));
    const VF tail = hn::IfThenZeroElse(hn::Ge(x, zero), ramp);
    return hn::IfThenElse(hn::Lt(x, full), hn::Set(df, 1.0f), tail);
}

// Positive option: full inside 1 - b, none from 1 - a outwards.
HWY_INLINE VF inner(DF df, bool soft, VF a, VF b, VF x) {
    const VF one = hn::Set(df, 1.0f);
    return window(df, soft, hn::Sub(one, b), hn::Sub(one, a), x);
}
HWY_INLINE VF inner(DF df, bool soft, const FalloffPair& pair, VF x) {
    return inner(df, soft, hn::Set(df, pair.a), hn::Set(df, pair.b), x);
}

HWY_INLINE MF withinCube(DF df, VF c) {
    return hn::And(hn::Ge(c, hn::Set(df, -kCubeLimit)), hn::Le(c, hn::Set(df, kCubeLimit)));
}

VF shapeWeightLanes(DF df, VF x, VF y, VF z, VF m, uint32_t flags, const FalloffPair (&falloffs)[16],
                    bool soft) {
    const VF one = hn::Set(df, 1.0f);
    MF empty = hn::Not(hn::And(withinCube(df, x), hn::And(withinCube(df, y), withinCube(df, z))));
    const VF xx = hn::Mul(x, x);
    const VF yy = hn::Mul(y, y);
    const VF zz = hn::Mul(z, z);
    const VF r2 = hn::Add(hn::Add(xx, yy), zz);
    const VF rhoZ2 = hn::Add(xx, yy);

    // Where the option applies: a factor on m, or nothing left from unit radius on.
    auto solid = [&](MF applies, VF rho2, VF a, VF b) {
        empty = hn::Or(empty, hn::And(applies, hn::Ge(rho2, one)));
        m = hn::IfThenElse(applies, hn::Mul(m, inner(df, soft, a, b, hn::Sqrt(rho2))), m);
    };
    auto hollowCore = [&](VF rho2, const FalloffPair& pair) {
        const VF factor = hn::Sub(one, inner(df, soft, pair, hn::Sqrt(rho2)));
        m = hn::IfThenElse(hn::Lt(rho2, one), hn::Mul(m, factor), m);
    };
    auto fade = [&](const FalloffPair& pair, VF t) { m = hn::Mul(m, inner(df, soft, pair, t)); };
    auto has = [flags](uint32_t option) { return (flags & option) != 0; };
    const MF all = hn::Eq(one, one);
    const MF none = hn::Not(all);
    auto uniform = [all, none](bool on) { return on ? all : none; };

    // Each half takes its first option: ball, hollowed ball, then the z cylinder.
    const MF upper = hn::Ge(z, hn::Zero(df));
    const MF lower = hn::Not(upper);
    const MF ball = hn::Or(hn::And(upper, uniform(has(kUpperBall))), hn::And(lower, uniform(has(kLowerBall))));
    const MF hollow = hn::AndNot(ball, hn::Or(hn::And(upper, uniform(has(kUpperHollowBall))),
                                              hn::And(lower, uniform(has(kLowerHollowBall)))));
    const MF cylinder = hn::AndNot(hn::Or(ball, hollow), uniform(has(kCylinderZ)));
    auto pairPart = [&](int upperIndex, int lowerIndex, bool second) {
        const FalloffPair& u = falloffs[upperIndex];
        const FalloffPair& l = falloffs[lowerIndex];
        return hn::IfThenElse(upper, hn::Set(df, second ? u.b : u.a), hn::Set(df, second ? l.b : l.a));
    };
    // The ball's radius is sqrt(r2), as the cylinders' is sqrt(rho2).
    if (!hn::AllFalse(df, ball)) solid(ball, r2, pairPart(0, 1, false), pairPart(0, 1, true));
    if (!hn::AllFalse(df, hollow)) {
        const VF r = hn::Sqrt(r2);
        const VF factor = hn::Sub(one, window(df, soft, pairPart(2, 3, true), pairPart(2, 3, false), r));
        m = hn::IfThenElse(hn::And(hollow, hn::Lt(r2, one)), hn::Mul(m, factor), m);
    }
    if (!hn::AllFalse(df, cylinder)) solid(cylinder, rhoZ2, hn::Set(df, falloffs[6].a), hn::Set(df, falloffs[6].b));

    if (has(kCylinderX)) solid(all, hn::Add(yy, zz), hn::Set(df, falloffs[4].a), hn::Set(df, falloffs[4].b));
    if (has(kCylinderY)) solid(all, hn::Add(xx, zz), hn::Set(df, falloffs[5].a), hn::Set(df, falloffs[5].b));
    if (has(kHollowCoreX)) hollowCore(hn::Add(yy, zz), falloffs[7]);
    if (has(kHollowCoreY)) hollowCore(hn::Add(xx, zz), falloffs[8]);
    if (has(kHollowCoreZ)) hollowCore(rhoZ2, falloffs[9]);

    // Planar fades, t = 0 on the far face, 1 on the face the density fades towards.
    const VF half = hn::Set(df, 0.5f);
    if (has(kFadePositiveX)) fade(falloffs[10], hn::Add(hn::Mul(half, x), half));
    if (has(kFadeNegativeX)) fade(falloffs[13], hn::Sub(half, hn::Mul(half, x)));
    if (has(kFadePositiveY)) fade(falloffs[11], hn::Add(hn::Mul(half, y), half));
    if (has(kFadeNegativeY)) fade(falloffs[14], hn::Sub(half, hn::Mul(half, y)));
    if (has(kFadePositiveZ)) fade(falloffs[12], hn::Add(hn::Mul(half, z), half));
    if (has(kFadeNegativeZ)) fade(falloffs[15], hn::Sub(half, hn::Mul(half, z)));
    return hn::IfThenZeroElse(empty, m);
}

VF puffCoverageLanes(DF df, const PuffField& field, VF x, VF y, VF z, VF jitter) {
    const VF one = hn::Set(df, 1.0f);
    const VF negligible = hn::Set(df, kNegligible);
    const VF widthSquared = hn::Set(df, field.widthSquared);
    VF rest = one;
    MF full = hn::Lt(one, hn::Zero(df));  // lanes already fully covered
    for (int32_t k = 0; k < field.count; ++k) {
        const Puff& puff = field.puffs[k];
        const VF dx = hn::Sub(hn::Set(df, puff.centre.x), x);
        const VF dy = hn::Sub(hn::Set(df, puff.centre.y), y);
        const VF dz = hn::Sub(hn::Set(df, puff.centre.z), z);
        const VF dist = hn::Add(hn::Sqrt(hn::Add(hn::Add(hn::Mul(dx, dx), hn::Mul(dy, dy)), hn::Mul(dz, dz))), jitter);
        const VF radius = hn::Set(df, puff.radius);
        full = hn::Or(full, hn::Lt(dist, radius));
        const MF border = hn::AndNot(full, hn::Lt(dist, hn::Add(radius, hn::Set(df, puff.width))));
        const VF d = hn::Sub(dist, radius);
        const VF kept = hn::Mul(rest, hn::Sub(one, softObject(df, hn::Mul(d, d), widthSquared)));
        rest = hn::IfThenElse(border, kept, rest);
        full = hn::Or(full, hn::Lt(rest, negligible));
        if (hn::AllTrue(df, full)) break;
    }
    const VF partial = hn::Mul(hn::Sub(one, rest), hn::Set(df, field.density));
    return hn::IfThenElse(full, one, partial);
}

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
        return shapeWeightLanes(df, x, y, z, m, flags, *falloffs, soft);
    });
}

void PuffCoverageMany(const PuffField* field, int32_t count, const Vector3* points, const float* jitter,
                      float* out) {
    const DF df;
    forEachVector(count, points, jitter, out,
                  [&](VF x, VF y, VF z, VF j) { return puffCoverageLanes(df, *field, x, y, z, j); });
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

namespace {

using density_lanes::kCubeLimit;
using density_lanes::kFewestForLanes;

// False for a coordinate that is not a number, too.
inline bool withinCube(float c) { return c >= -kCubeLimit && c <= kCubeLimit; }

inline float window(bool soft, float full, float zero, float x) {
    return soft ? softStep(full, zero, x) : linearStep(full, zero, x);
}

// Positive option: full density inside 1 - b, none from 1 - a outwards.
inline float inner(bool soft, const FalloffPair& pair, float x) {
    return window(soft, 1.0f - pair.b, 1.0f - pair.a, x);
}

#if BRUMO_HAVE_HIGHWAY
bool worthLanes(int32_t count) { return count >= kFewestForLanes && vectorLanesEnabled(); }
#endif

}  // namespace

float shapeWeight(const Vector3& s, float start, uint32_t flags, const FalloffPair (&falloffs)[16], bool soft) {
    float m = start;

    if (!withinCube(s.x) || !withinCube(s.y) || !withinCube(s.z)) return 0.0f;

    const float x = s.x;
    const float y = s.y;
    const float z = s.z;
    const float r2 = x * x + y * y + z * z;
    const float r = std::sqrt(r2);
    const float rhoZ2 = x * x + y * y;

    auto scale = [&m](float factor) { m *= factor; };
    // Positive ball and cylinders: nothing from unit radius on (false), the soft edge inside.
    auto solid = [&](float rho2, const FalloffPair& pair) {
        if (rho2 >= 1.0f) return false;
        scale(inner(soft, pair, std::sqrt(rho2)));
        return true;
    };
    // Hollow core: density removed near the axis, untouched from unit radius on.
    auto hollowCore = [&](float rho2, const FalloffPair& pair) {
        if (rho2 < 1.0f) scale(1.0f - inner(soft, pair, std::sqrt(rho2)));
    };
    auto emptied = []() { return 0.0f; };

    // Each half takes its first option: ball, hollowed ball, then the z cylinder.
    const bool upper = z >= 0.0f;
    if ((flags & (upper ? kUpperBall : kLowerBall)) != 0) {
        if (r2 >= 1.0f) return emptied();
        scale(inner(soft, falloffs[upper ? 0 : 1], r));
    } else if ((flags & (upper ? kUpperHollowBall : kLowerHollowBall)) != 0) {
        const FalloffPair& pair = falloffs[upper ? 2 : 3];
        if (r2 < 1.0f) scale(1.0f - window(soft, pair.b, pair.a, r));
    } else if ((flags & kCylinderZ) != 0) {
        if (!solid(rhoZ2, falloffs[6])) return emptied();
    }

    if ((flags & kCylinderX) != 0 && !solid(y * y + z * z, falloffs[4])) return emptied();
    if ((flags & kCylinderY) != 0 && !solid(x * x + z * z, falloffs[5])) return emptied();
    if ((flags & kHollowCoreX) != 0) hollowCore(y * y + z * z, falloffs[7]);
    if ((flags & kHollowCoreY) != 0) hollowCore(x * x + z * z, falloffs[8]);
    if ((flags & kHollowCoreZ) != 0) hollowCore(rhoZ2, falloffs[9]);

    // Planar fades, t = 0 on the far face, 1 on the face the density fades towards.
    if ((flags & kFadePositiveX) != 0) scale(inner(soft, falloffs[10], 0.5f * x + 0.5f));
    if ((flags & kFadeNegativeX) != 0) scale(inner(soft, falloffs[13], 0.5f - 0.5f * x));
    if ((flags & kFadePositiveY) != 0) scale(inner(soft, falloffs[11], 0.5f * y + 0.5f));
    if ((flags & kFadeNegativeY) != 0) scale(inner(soft, falloffs[14], 0.5f - 0.5f * y));
    if ((flags & kFadePositiveZ) != 0) scale(inner(soft, falloffs[12], 0.5f * z + 0.5f));
    if ((flags & kFadeNegativeZ) != 0) scale(inner(soft, falloffs[15], 0.5f - 0.5f * z));

    return m;
}


void shapeWeightMany(int32_t count, const Vector3* points, const float* start, uint32_t flags,
                     const FalloffPair (&falloffs)[16], bool soft, float* out) {
#if BRUMO_HAVE_HIGHWAY
    if (worthLanes(count)) return HWY_DYNAMIC_DISPATCH(ShapeWeightMany)(count, points, start, flags, &falloffs, soft, out);
#endif
    for (int32_t i = 0; i < count; ++i) out[i] = shapeWeight(points[i], start[i], flags, falloffs, soft);
}

float puffCoverage(const PuffField& field, const Vector3& p, float jitter) {
    float rest = 1.0f;
    for (int32_t k = 0; k < field.count; ++k) {
        const Puff& puff = field.puffs[k];
        const float dist = length(puff.centre - p) + jitter;
        if (dist < puff.radius) return 1.0f;
        if (dist < puff.radius + puff.width) {
            const float t = (dist - puff.radius) * (dist - puff.radius);
            rest *= 1.0f - softObject(t, field.widthSquared);
        }
        if (rest < kNegligible) return 1.0f;
    }
    return (1.0f - rest) * field.density;
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
