// The matrix of an affine transform (its translation left out) applied to points, written once
// over a lane type: applyLinear is its one-lane case, a run of points its vector case. Included
// (without an include guard) inside a namespace that provides hn (Highway's per-target
// namespace, or one_lane) and the names of math/lane_types-inl.h.

// Each row summed left to right.
BRUMO_KERNEL_INLINE void linearMapKernel(DF df, const AffineTransform& t, VF x, VF y, VF z, VF& ox, VF& oy,
                                         VF& oz) {
    auto row = [&](int r) {
        return hn::Add(hn::Add(hn::Mul(hn::Set(df, t.m[r][0]), x), hn::Mul(hn::Set(df, t.m[r][1]), y)),
                       hn::Mul(hn::Set(df, t.m[r][2]), z));
    };
    ox = row(0);
    oy = row(1);
    oz = row(2);
}
