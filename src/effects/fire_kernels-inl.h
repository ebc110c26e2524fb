// Fire's stretch and ramp, written once over a lane type: one lane for a single point, vector
// lanes for a run, the same bits either way. Included (without an include guard) inside a
// namespace that provides hn (Highway's per-target namespace, or one_lane) and the names of
// math/lane_types-inl.h, after math/exp_kernels-inl.h and math/linear_map_kernels-inl.h.

// The noise point of a sample from its point (qx, qy, qz) in noise space, in place, and its
// height h = z + 1 above the bottom face (z of the point as received: 0 there, 2 at the top):
// noise space squeezed vertically by s² with s = e^(rate h), so flames stretch towards the top,
// then the noise offset taken off.
BRUMO_KERNEL_INLINE VF flameNoisePointKernel(DF df, VF z, VF rate, const Vector3& offset, VF& qx, VF& qy, VF& qz) {
    const VF h = hn::Add(z, hn::Set(df, 1.0f));
    const VF s = expKernel(df, hn::Mul(rate, h));
    qx = hn::Sub(qx, hn::Set(df, offset.x));
    qy = hn::Sub(qy, hn::Set(df, offset.y));
    qz = hn::Sub(hn::Mul(qz, hn::Mul(s, s)), hn::Set(df, offset.z));
    return h;
}

// A sample's three points from its moved point (qx, qy, qz), taken into noise space by
// toNoiseSpace unless null: there, in place, the noise point; in (sx, sy, sz) the point the mask
// reads, noise space mapped back by fromNoiseSpace. Answers the height, z being the sample's
// point as received.
BRUMO_KERNEL_INLINE VF flamePointsKernel(DF df, VF z, const AffineTransform* toNoiseSpace,
                                         const AffineTransform& fromNoiseSpace, VF rate, const Vector3& offset,
                                         VF& qx, VF& qy, VF& qz, VF& sx, VF& sy, VF& sz) {
    if (toNoiseSpace != nullptr) {
        const VF px = qx, py = qy, pz = qz;
        linearMapKernel(df, *toNoiseSpace, px, py, pz, qx, qy, qz);
    }
    linearMapKernel(df, fromNoiseSpace, qx, qy, qz, sx, sy, sz);
    return flameNoisePointKernel(df, z, rate, offset, qx, qy, qz);
}

// The density from the noise field value, the height and the mask: the ramp h / 2 taken off
// the noise thins the flames until only the strongest ridges reach the top; clamped to [0, 1],
// not a number giving 0. A negligible mask leaves nothing.
BRUMO_KERNEL_INLINE VF flameDensityKernel(DF df, VF noise, VF h, VF mask) {
    const VF zero = hn::Zero(df);
    const VF one = hn::Set(df, 1.0f);
    VF v = hn::Sub(noise, hn::Mul(hn::Set(df, 0.5f), h));
    v = hn::IfThenElse(hn::Gt(v, zero), v, zero);
    v = hn::IfThenElse(hn::Gt(v, one), one, v);
    return hn::IfThenZeroElse(hn::Lt(mask, hn::Set(df, kNegligible)), hn::Mul(v, mask));
}
