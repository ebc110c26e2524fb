// The trilinear lookup of a shadow grid, written once over a lane type: trilinearLookup is its
// one-lane case, a run of points its vector case. Included (without an include guard) inside a
// namespace that provides hn (Highway's per-target namespace, or one_lane), the names of
// math/lane_types-inl.h and xNeighbours(df, values, at, a, b): the grid values at and after each
// index, neighbours along x side by side in memory, read as suits the lanes.

// The cell and the weight within it along one axis; coordinates outside the cube (and not
// numbers) read the nearest face.
BRUMO_KERNEL_INLINE void cellKernel(DF df, VF g, VF c, VI& index, VF& weight) {
    const DI di;
    const VF zero = hn::Zero(df);
    const VF one = hn::Set(df, 1.0f);
    VF u = hn::Mul(hn::Add(c, one), hn::Set(df, 0.5f));
    u = hn::IfThenElse(hn::Ge(u, zero), u, zero);
    u = hn::IfThenElse(hn::Ge(u, one), hn::Set(df, 0.99f), u);
    const VF e = hn::Mul(g, u);
    const VF cell = hn::Floor(e);
    index = hn::ConvertTo(di, cell);
    weight = hn::Min(hn::Max(hn::Sub(e, cell), zero), one);
}

// The value at (x, y, z) from the r³ values: along x first, then y, then z.
BRUMO_KERNEL_INLINE VF trilinearKernel(DF df, const float* values, int32_t r, VF x, VF y, VF z) {
    const DI di;
    const VF g = hn::Set(df, static_cast<float>(r - 1));
    VI ix, iy, iz;
    VF fx, fy, fz;
    cellKernel(df, g, x, ix, fx);
    cellKernel(df, g, y, iy, fy);
    cellKernel(df, g, z, iz, fz);
    const VI side = hn::Set(di, r);
    const VI one = hn::Set(di, 1);
    auto along = [&](VI j, VI k) {
        const VI at = hn::Add(ix, hn::Mul(side, hn::Add(j, hn::Mul(side, k))));
        VF a, b;
        xNeighbours(df, values, at, a, b);
        return hn::Add(a, hn::Mul(hn::Sub(b, a), fx));
    };
    const VI iy1 = hn::Add(iy, one);
    const VI iz1 = hn::Add(iz, one);
    const VF y0z0 = along(iy, iz);
    const VF y1z0 = along(iy1, iz);
    const VF y0z1 = along(iy, iz1);
    const VF y1z1 = along(iy1, iz1);
    const VF z0 = hn::Add(y0z0, hn::Mul(hn::Sub(y1z0, y0z0), fy));
    const VF z1 = hn::Add(y0z1, hn::Mul(hn::Sub(y1z1, y0z1), fy));
    return hn::Add(z0, hn::Mul(hn::Sub(z1, z0), fz));
}
