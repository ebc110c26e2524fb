// What a counted sample adds to the march's sum, written once over a lane type. Included
// (without an include guard) inside a namespace that provides hn (Highway's per-target
// namespace, or one_lane) and the names of math/lane_types-inl.h.

// The light reaching a sample: the grid's value, weakened by the shadow strength and, for thin
// vapour, by the density influence (the weakening kept within [0, 1], not a number giving 0).
BRUMO_KERNEL_INLINE VF litShare(DF df, VF grid, VF density, VF influence, VF strength) {
    const VF zero = hn::Zero(df);
    const VF one = hn::Set(df, 1.0f);
    VF f = hn::Add(one, hn::Mul(hn::Sub(density, one), influence));
    f = hn::IfThenElse(hn::Gt(f, zero), f, zero);
    f = hn::IfThenElse(hn::Gt(f, one), one, f);
    return hn::Add(one, hn::Mul(hn::Sub(grid, one), hn::Mul(strength, f)));
}

// One channel of what a sample of weight w adds: its own colour where lit, the shadow colour
// where not.
BRUMO_KERNEL_INLINE VF shadedChannel(VF w, VF lit, VF unlit, VF shadow, VF own) {
    return hn::Add(hn::Mul(hn::Mul(w, unlit), shadow), hn::Mul(hn::Mul(w, lit), own));
}
