// e^x written once over a lane type, so that a run in vector lanes and a single point get the
// same bits, on every instruction set and every platform, which the C library's expf does not
// promise. Included (without an include guard) inside a namespace that provides hn (Highway's
// per-target namespace, or one_lane) and the names of math/lane_types-inl.h. Plain multiplies
// and adds in a fixed order (no fused multiply-add).
//
// Worked out in double and rounded to float once, so the result is e^x correctly rounded but
// for inputs within about 1e-13 of halfway between two floats: the C library's expf rounds the
// same way for all but about one input in 10^4.

// e^x for x within [-104, 89]: 2^k e^r with k = x / ln 2 rounded and |r| <= ln 2 / 2, e^r from
// its Taylor series to the tenth power (the rest is below 3e-13).
template <class DD>
BRUMO_KERNEL_INLINE hn::Vec<DD> expInDouble(DD dd, hn::Vec<DD> x) {
    using VD = hn::Vec<DD>;
    const hn::RebindToSigned<DD> di;
    // Adding 1.5 * 2^52 rounds to an integer, which then sits in the low bits of the sum.
    const VD shifter = hn::Set(dd, 6755399441055744.0);
    const VD sum = hn::Add(hn::Mul(x, hn::Set(dd, 1.4426950408889634)), shifter);
    const VD k = hn::Sub(sum, shifter);
    const auto kBits = hn::Sub(hn::BitCast(di, sum), hn::BitCast(di, shifter));
    // ln 2 in two parts, the first short enough that k times it is exact.
    const VD r = hn::Sub(hn::Sub(x, hn::Mul(k, hn::Set(dd, 6.93147180369123816490e-01))),
                         hn::Mul(k, hn::Set(dd, 1.90821492927058770002e-10)));
    // 1 / n! from n = 10 down to 0.
    static constexpr double kInverseFactorials[11] = {
        1.0 / 3628800.0, 1.0 / 362880.0, 1.0 / 40320.0, 1.0 / 5040.0, 1.0 / 720.0, 1.0 / 120.0,
        1.0 / 24.0,      1.0 / 6.0,      0.5,           1.0,          1.0};
    VD p = hn::Set(dd, kInverseFactorials[0]);
    for (int n = 1; n < 11; ++n) p = hn::Add(hn::Mul(p, r), hn::Set(dd, kInverseFactorials[n]));
    // 2^k, k within -150..128, is a normal double.
    const VD scale = hn::BitCast(dd, hn::ShiftLeft<52>(hn::Add(kBits, hn::Set(di, int64_t{1023}))));
    return hn::Mul(p, scale);
}

template <class D>
BRUMO_KERNEL_INLINE hn::Vec<D> expKernel(D df, hn::Vec<D> x) {
    // Past these e^x rounds to 0 or overflows. Not a number passes through.
    const hn::Vec<D> lowest = hn::Set(df, -104.0f);
    const hn::Vec<D> highest = hn::Set(df, 89.0f);
    x = hn::IfThenElse(hn::Lt(x, lowest), lowest, x);
    x = hn::IfThenElse(hn::Gt(x, highest), highest, x);
    if constexpr (hn::MaxLanes(D()) == 1) {
        const hn::Rebind<double, D> dd;
        return hn::DemoteTo(df, expInDouble(dd, hn::PromoteTo(dd, x)));
    } else {
        // Each half of the lanes in doubles (names found through the vector's own namespace).
        const hn::Half<D> dh;
        const hn::Rebind<double, hn::Half<D>> dd;
        const auto lower = DemoteTo(dh, expInDouble(dd, PromoteTo(dd, LowerHalf(dh, x))));
        const auto upper = DemoteTo(dh, expInDouble(dd, PromoteTo(dd, UpperHalf(dh, x))));
        return Combine(df, upper, lower);
    }
}
