// The shape mask and the clouds' puff coverage, written once over a lane type. Included (without
// an include guard) inside a namespace that provides hn (Highway's per-target namespace, or
// one_lane) and the names of math/lane_types-inl.h, after math/shaping_kernels-inl.h. Every lane does the arithmetic in
// the same order (no fused multiply-add), so a point gives the same bits in one lane as in any
// wider vector.

// Half-width of the cube as the mask sees it: 1 + 2^-14, so points on a face still count.
constexpr float kCubeLimit = 1.0f + kNegligible;

// Positive option: full inside 1 - b, none from 1 - a outwards.
BRUMO_KERNEL_INLINE VF inner(DF df, bool soft, VF a, VF b, VF x) {
    const VF one = hn::Set(df, 1.0f);
    return window(df, soft, hn::Sub(one, b), hn::Sub(one, a), x);
}
BRUMO_KERNEL_INLINE VF inner(DF df, bool soft, const FalloffPair& pair, VF x) {
    return inner(df, soft, hn::Set(df, pair.a), hn::Set(df, pair.b), x);
}

// True when both pairs are the same and their window is exactly 1 for every t up to 1/2: full
// beyond 1/2, or at 1/2 with a ramp that starts there at exactly 1 (a finite end beyond it; an
// infinite one makes the linear ramp 0/0 there).
inline bool oneUpToHalf(const FalloffPair& first, const FalloffPair& second) {
    if (first.a != second.a || first.b != second.b) return false;
    const float full = 1.0f - first.b;
    const float zero = 1.0f - first.a;
    return full > 0.5f || (full == 0.5f && zero > full && std::isfinite(zero));
}

// False for a coordinate that is not a number, too.
BRUMO_KERNEL_INLINE MF withinCube(DF df, VF c) {
    return hn::And(hn::Ge(c, hn::Set(df, -kCubeLimit)), hn::Le(c, hn::Set(df, kCubeLimit)));
}

// True where (x, y, z) lies on or beyond the unit sphere; false for a coordinate that is not a
// number, so such a point stays for the stages.
BRUMO_KERNEL_INLINE MF beyondUnitBallKernel(DF df, VF x, VF y, VF z) {
    return hn::Ge(hn::Add(hn::Add(hn::Mul(x, x), hn::Mul(y, y)), hn::Mul(z, z)), hn::Set(df, 1.0f));
}

// The shape options of flags with their falloff pairs, applied to the weight start m at (x, y,
// z), a point of the normalised cube: 0 outside the cube or where an option empties it.
BRUMO_KERNEL_INLINE VF shapeWeightKernel(DF df, VF x, VF y, VF z, VF m, uint32_t flags,
                                         const FalloffPair (&falloffs)[16], bool soft) {
    const VF one = hn::Set(df, 1.0f);
    MF empty = hn::Not(hn::And(withinCube(df, x), hn::And(withinCube(df, y), withinCube(df, z))));
    if (hn::AllTrue(df, empty)) return hn::Zero(df);
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
    // Hollow core: density removed near the axis, untouched from unit radius on.
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

    // Planar fades, t = 0 on the far face, 1 on the face the density fades towards. Of two
    // opposite fades, t and its opposite never both pass 1/2; where the window of both is
    // exactly 1 up to 1/2, the other factor is 1 and only the greater t is faded. One lane is on
    // one ramp at most anyway, and the window of the other side costs only its first test.
    constexpr bool inLanes = hn::MaxLanes(DF()) > 1;
    const VF half = hn::Set(df, 0.5f);
    auto fades = [&](uint32_t positive, uint32_t negative, int p, int n, VF c) {
        const VF towards = hn::Add(hn::Mul(half, c), half);
        const VF away = hn::Sub(half, hn::Mul(half, c));
        if (inLanes && has(positive) && has(negative) && oneUpToHalf(falloffs[p], falloffs[n])) {
            fade(falloffs[p], hn::Max(towards, away));
            return;
        }
        if (has(positive)) fade(falloffs[p], towards);
        if (has(negative)) fade(falloffs[n], away);
    };
    fades(kFadePositiveX, kFadeNegativeX, 10, 13, x);
    fades(kFadePositiveY, kFadeNegativeY, 11, 14, y);
    fades(kFadePositiveZ, kFadeNegativeZ, 12, 15, z);
    return hn::IfThenZeroElse(empty, m);
}

// The coverage of (x, y, z) as the puffs are taken one by one: rest, the share still uncovered,
// and full, the lanes already fully covered.
struct PuffCover {
    VF rest;
    MF full;
};

BRUMO_KERNEL_INLINE PuffCover openPuffCover(DF df) {
    const VF one = hn::Set(df, 1.0f);
    return {one, hn::Lt(one, hn::Zero(df))};
}

// One more puff over cover, its distance lengthened by jitter.
BRUMO_KERNEL_INLINE void coverByPuff(DF df, const Puff& puff, VF widthSquared, VF x, VF y, VF z, VF jitter,
                                     PuffCover& cover) {
    const VF one = hn::Set(df, 1.0f);
    VF& rest = cover.rest;
    MF& full = cover.full;
    const VF dx = hn::Sub(hn::Set(df, puff.centre.x), x);
    const VF dy = hn::Sub(hn::Set(df, puff.centre.y), y);
    const VF dz = hn::Sub(hn::Set(df, puff.centre.z), z);
    const VF dist = hn::Add(hn::Sqrt(hn::Add(hn::Add(hn::Mul(dx, dx), hn::Mul(dy, dy)), hn::Mul(dz, dz))), jitter);
    const VF radius = hn::Set(df, puff.radius);
    full = hn::Or(full, hn::Lt(dist, radius));
    const MF border = hn::AndNot(full, hn::Lt(dist, hn::Add(radius, hn::Set(df, puff.width))));
    if (!hn::AllFalse(df, border)) {
        const VF d = hn::Sub(dist, radius);
        const VF kept = hn::Mul(rest, hn::Sub(one, softObject(df, hn::Mul(d, d), widthSquared)));
        rest = hn::IfThenElse(border, kept, rest);
        full = hn::Or(full, hn::Lt(rest, hn::Set(df, kNegligible)));
    }
}

// 1 where fully covered, else the covered share scaled by the field's density.
BRUMO_KERNEL_INLINE VF closePuffCover(DF df, const PuffField& field, const PuffCover& cover) {
    const VF one = hn::Set(df, 1.0f);
    const VF partial = hn::Mul(hn::Sub(one, cover.rest), hn::Set(df, field.density));
    return hn::IfThenElse(cover.full, one, partial);
}

// Share of (x, y, z) covered by the puffs, their distances lengthened by jitter, scaled by the
// field's density where partial; 1 once the rest left uncovered is negligible.
BRUMO_KERNEL_INLINE VF puffCoverageKernel(DF df, const PuffField& field, VF x, VF y, VF z, VF jitter) {
    const VF widthSquared = hn::Set(df, field.widthSquared);
    PuffCover cover = openPuffCover(df);
    for (int32_t k = 0; k < field.count; ++k) {
        coverByPuff(df, field.puffs[k], widthSquared, x, y, z, jitter, cover);
        if (hn::AllTrue(df, cover.full)) break;
    }
    return closePuffCover(df, field, cover);
}

// The box around a run's points and the lowest of their jitters, widened a vector of points at a
// time, in vectors of any width. A coordinate or jitter that is not a number is left out: such a
// point's distances are not numbers, and it takes nothing from any puff.
template <class V>
struct RunBox {
    V lo[3], hi[3], jitterFloor;
};

template <class D>
BRUMO_KERNEL_INLINE void openRunBox(D d, RunBox<hn::Vec<D>>& box) {
    const float infinity = __builtin_inff();
    for (int axis = 0; axis < 3; ++axis) {
        box.lo[axis] = hn::Set(d, infinity);
        box.hi[axis] = hn::Set(d, -infinity);
    }
    box.jitterFloor = hn::Set(d, infinity);
}

template <class V>
BRUMO_KERNEL_INLINE void widenRunBox(V x, V y, V z, V jitter, RunBox<V>& box) {
    const V c[3] = {x, y, z};
    for (int axis = 0; axis < 3; ++axis) {
        box.lo[axis] = hn::IfThenElse(hn::Lt(c[axis], box.lo[axis]), c[axis], box.lo[axis]);
        box.hi[axis] = hn::IfThenElse(hn::Gt(c[axis], box.hi[axis]), c[axis], box.hi[axis]);
    }
    box.jitterFloor = hn::IfThenElse(hn::Lt(jitter, box.jitterFloor), jitter, box.jitterFloor);
}

// Per lane of puffs (centres cx, cy, cz, reach past which one covers nothing): true where the puff
// covers no point of the box lo..hi whose distances are lengthened by at least jitterFloor. The
// distance to the box is worked out as the coverage works out the distance to a point, and
// rounding keeps the order, so no point's distance plus jitter comes out shorter.
BRUMO_KERNEL_INLINE MF puffsBeyond(DF df, const float (&lo)[3], const float (&hi)[3], float jitterFloor, VF cx,
                                   VF cy, VF cz, VF reach) {
    const VF zero = hn::Zero(df);
    auto gap = [&](int axis, VF c) {
        const VF below = hn::Sub(hn::Set(df, lo[axis]), c);
        const VF above = hn::Sub(c, hn::Set(df, hi[axis]));
        const VF outside = hn::IfThenElse(hn::Lt(below, above), above, below);
        return hn::IfThenElse(hn::Lt(outside, zero), zero, outside);
    };
    const VF gx = gap(0, cx);
    const VF gy = gap(1, cy);
    const VF gz = gap(2, cz);
    const VF nearest =
        hn::Add(hn::Sqrt(hn::Add(hn::Add(hn::Mul(gx, gx), hn::Mul(gy, gy)), hn::Mul(gz, gz))), hn::Set(df, jitterFloor));
    return hn::Ge(nearest, reach);
}
