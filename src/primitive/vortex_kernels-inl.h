// The vortices' swirl, written once over a lane type. Included (without an include guard) inside
// a namespace that provides hn (Highway's per-target namespace, or one_lane) and the names of
// math/lane_types-inl.h, after primitive/vortex.h. Every lane does the arithmetic in the same
// order (no fused multiply-add), and every lane's sine and cosine come from sineAndCosine
// (math/c_library.h), so a point gives the same bits in one lane as in any wider vector.

// The swirl's height factor at a point's z: 0 at the bottom face of the cube, 1 at the top.
BRUMO_KERNEL_INLINE VF swirlHeightKernel(DF df, VF z) {
    return hn::Add(hn::Mul(hn::Set(df, 0.5f), z), hn::Set(df, 0.5f));
}

// One vortex over the coordinates qi, qj (turned) and qk (lifted) of points at their heights: a
// turn about the vortex axis, strongest on it and gone at the radius, and a lift along it in
// proportion to the angle. turn(mask, theta, sine, cosine) gives the sine and cosine of the lanes
// of mask.
template <class Turn>
BRUMO_KERNEL_INLINE void swirlKernel(DF df, const Vortex& vortex, VF& qi, VF& qj, VF& qk, VF height,
                                     const Turn& turn) {
    const VF ci = hn::Set(df, vortex.centre[vortex.axisI]);
    const VF cj = hn::Set(df, vortex.centre[vortex.axisJ]);
    const VF di = hn::Sub(qi, ci);
    const VF dj = hn::Sub(qj, cj);
    const VF d = hn::Add(hn::Mul(di, di), hn::Mul(dj, dj));
    const VF radiusSquared = hn::Set(df, vortex.radiusSquared);
    // Only a point at the radius or beyond is left as it is: one whose distance is not a number
    // turns too.
    const MF turning = hn::Not(hn::Ge(d, radiusSquared));
    if (hn::AllFalse(df, turning)) return;

    // u runs from 1 on the axis to 0 at the radius.
    const VF u = hn::Mul(hn::Sub(radiusSquared, d), hn::Set(df, vortex.inverseRadiusSquared));
    VF theta = hn::Mul(hn::Mul(hn::Mul(hn::Mul(u, u), hn::Set(df, vortex.twist)), height),
                       hn::Set(df, kDegreesToRadians));
    if (vortex.reverse != 0) theta = hn::Neg(theta);
    VF sine, cosine;
    turn(turning, theta, sine, cosine);
    const VF turnedI = hn::Sub(hn::Add(ci, hn::Mul(di, cosine)), hn::Mul(dj, sine));
    const VF turnedJ = hn::Add(hn::Add(cj, hn::Mul(di, sine)), hn::Mul(dj, cosine));
    const VF lifted = hn::Add(qk, hn::Mul(hn::Set(df, vortex.lift), theta));
    qi = hn::IfThenElse(turning, turnedI, qi);
    qj = hn::IfThenElse(turning, turnedJ, qj);
    qk = hn::IfThenElse(turning, lifted, qk);
}

// The vortex list over the points (x, y, z), from the last vortex to the first. The axes of every
// vortex are a permutation of x, y and z, named here for each, so that the coordinates stay in
// registers.
template <class Turn>
BRUMO_KERNEL_INLINE void swirlByAllKernel(DF df, const Vortex* vortices, int32_t count, VF& x, VF& y, VF& z,
                                          VF height, const Turn& turn) {
    for (int32_t v = count - 1; v >= 0; --v) {
        const Vortex& vortex = vortices[v];
        switch (3 * vortex.axisI + vortex.axisJ) {
        case 3 * 1 + 2: swirlKernel(df, vortex, y, z, x, height, turn); break;
        case 3 * 2 + 0: swirlKernel(df, vortex, z, x, y, height, turn); break;
        case 3 * 0 + 1: swirlKernel(df, vortex, x, y, z, height, turn); break;
        case 3 * 2 + 1: swirlKernel(df, vortex, z, y, x, height, turn); break;
        case 3 * 0 + 2: swirlKernel(df, vortex, x, z, y, height, turn); break;
        default: swirlKernel(df, vortex, y, x, z, height, turn); break;
        }
    }
}
