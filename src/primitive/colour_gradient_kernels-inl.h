// A colour gradient's colour at x, written once over a lane type: evaluate is its one-lane case,
// a run of values its vector case. Included (without an include guard) inside a namespace that
// provides hn (Highway's per-target namespace, or one_lane), the names of math/lane_types-inl.h
// and PickedKey, the key a scan has chosen so far, kept as suits the lanes:
//   PickedKey(df, key)           the key chosen
//   position(), channel(c)       its position and colour channel c (red, green, blue, alpha)
//   take(df, mask, key, p)       where mask, the key at p is chosen instead

// The nearest keys on either side of x, found in one scan (the keys need not be sorted), and the
// colour between them, one channel per component.
BRUMO_KERNEL_INLINE void gradientKernel(DF df, const ColourKey* keys, int32_t keyCount, VF x, VF (&colour)[4]) {
    PickedKey lower(df, keys[0]);
    PickedKey upper(df, keys[0]);
    for (int32_t k = 1; k < keyCount; ++k) {
        const VF p = hn::Set(df, keys[k].position);
        const VF lo = lower.position();
        const VF hi = upper.position();
        // x at or above lo: a key between lo and x; below lo: any key below lo (NaN takes none).
        // A key between lo and x puts x at or above lo by itself.
        const MF fromBelow = hn::And(hn::Le(lo, p), hn::Le(p, x));
        const MF fromAbove = hn::And(hn::Lt(x, lo), hn::Lt(p, lo));
        const MF toAbove = hn::And(hn::Le(x, p), hn::Le(p, hi));
        const MF toBelow = hn::And(hn::Gt(x, hi), hn::Gt(p, hi));
        lower.take(df, hn::Or(fromBelow, fromAbove), keys[k], p);
        upper.take(df, hn::Or(toAbove, toBelow), keys[k], p);
    }
    const VF lo = lower.position();
    const VF hi = upper.position();
    const MF between = hn::Ne(hi, lo);
    const VF t = hn::Div(hn::Sub(x, lo), hn::Sub(hi, lo));
    for (int c = 0; c < 4; ++c) {
        const VF from = lower.channel(c);
        const VF mixed = hn::Add(from, hn::Mul(hn::Sub(upper.channel(c), from), t));
        colour[c] = hn::IfThenElse(between, mixed, from);
    }
}

// A gradient's colours at x; a gradient without keys gives (0, 0, 0, 1).
BRUMO_KERNEL_INLINE void coloursKernel(DF df, const ColourGradient& gradient, VF x, VF (&colour)[4]) {
    if (gradient.count() > 0) return gradientKernel(df, gradient.data(), gradient.count(), x, colour);
    for (int c = 0; c < 3; ++c) colour[c] = hn::Zero(df);
    colour[3] = hn::Set(df, 1.0f);
}
