// Rising smoke's column and funnel, written once over a lane type: one lane for a single point,
// vector lanes for a run, the same bits either way. Included (without an include guard) inside a
// namespace that provides hn (Highway's per-target namespace, or one_lane) and the names of
// math/lane_types-inl.h, after math/linear_map_kernels-inl.h and math/shaping_kernels-inl.h, with
// SmokeColumn declared (effects/rising_smoke.h).

// From the moved point p, the point s in noise space remapped along the column: vertical features
// stretched low down, compressed high up, and finer horizontal ones towards the narrow base.
// Also d, the height along the column (0 at the bottom, 1 at the top), and r, the scale of the
// spread. False where there is no smoke: below the bottom (a rotated noise space can tilt the
// column out of the cube), or where the spread (1 - k) d + k is not positive.
BRUMO_KERNEL_INLINE MF columnKernel(DF df, const SmokeColumn& column, const AffineTransform& toNoiseSpace, VF px, VF py,
                                    VF pz, VF& sx, VF& sy, VF& sz, VF& d, VF& r) {
    const VF zero = hn::Zero(df);
    linearMapKernel(df, toNoiseSpace, px, py, pz, sx, sy, sz);
    const float b = column.halfHeight;
    const float k = column.baseSpread;
    const VF lifted = hn::Add(hn::Set(df, b), sz);
    d = hn::Div(lifted, hn::Set(df, 2.0f * b));
    const VF spread = hn::Add(hn::Mul(hn::Set(df, 1.0f - k), d), hn::Set(df, k));
    r = hn::Sqrt(hn::Div(hn::Set(df, 1.0f), spread));
    sx = hn::Mul(sx, r);
    sy = hn::Mul(sy, r);
    sz = hn::Mul(hn::Mul(lifted, d), r);
    return hn::And(hn::And(hn::Gt(d, zero), hn::IsFinite(d)), hn::Gt(spread, zero));
}

// The point the shape reads: the swirled point s with the remap and spread undone (the swirl
// kept), mapped back out of noise space.
BRUMO_KERNEL_INLINE void shapePointKernel(DF df, const SmokeColumn& column, const AffineTransform& fromNoiseSpace,
                                          VF sx, VF sy, VF sz, VF d, VF r, VF& ox, VF& oy, VF& oz) {
    const VF unspread = hn::Div(hn::Set(df, 1.0f), r);
    const VF ux = hn::Mul(sx, unspread);
    const VF uy = hn::Mul(sy, unspread);
    const VF uz = hn::Sub(hn::Div(hn::Mul(sz, unspread), d), hn::Set(df, column.halfHeight));
    linearMapKernel(df, fromNoiseSpace, ux, uy, uz, ox, oy, oz);
}

// The mask m through the funnel at the moved point p: the squared column radius grows from k at
// the base to 1 at the top, and the edge fades over its outer part. keep is false where the
// sample has no density: a negligible mask, or outside the funnel.
BRUMO_KERNEL_INLINE VF funnelKernel(DF df, const SmokeColumn& column, VF px, VF py, VF pz, VF m, MF& keep) {
    const float k = column.baseSpread;
    const VF one = hn::Set(df, 1.0f);
    const VF height = hn::Add(hn::Mul(hn::Set(df, 0.5f), pz), hn::Set(df, 0.5f));
    const VF radiusSquared = hn::Add(hn::Mul(hn::Set(df, 1.0f - k), hn::Mul(height, height)), hn::Set(df, k));
    const VF rho2 = hn::Add(hn::Mul(px, px), hn::Mul(py, py));
    const VF softFrom = hn::Mul(radiusSquared, hn::Set(df, 1.0f - column.edgeSoftness));
    keep = hn::Not(hn::Or(hn::Lt(m, hn::Set(df, kNegligible)), hn::Lt(radiusSquared, rho2)));
    const MF soft = hn::Gt(rho2, softFrom);
    if (hn::AllFalse(df, soft)) return m;
    const VF faded = hn::Mul(m, hn::Sub(one, smoothStepKernel(df, softFrom, radiusSquared, rho2)));
    return hn::IfThenElse(soft, faded, m);
}
