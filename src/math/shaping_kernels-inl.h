// The soft-object falloff and the falloff windows, written once over a lane type. Included
// (without an include guard) inside a namespace that provides hn (Highway's per-target
// namespace, or one_lane) and the names of math/lane_types-inl.h.

// Wyvill's soft-object falloff over u = x / range: 1 + x (x (17 / range - 4 x / range²) - 22)
// / (9 range), 1 at u = 0, 0 at u = 1.
BRUMO_KERNEL_INLINE VF softObject(DF df, VF x, VF range) {
    const VF a = hn::Div(hn::Set(df, 17.0f), range);
    const VF b = hn::Div(hn::Mul(hn::Set(df, 4.0f), x), hn::Mul(range, range));
    const VF inner = hn::Sub(hn::Mul(x, hn::Sub(a, b)), hn::Set(df, 22.0f));
    return hn::Add(hn::Set(df, 1.0f), hn::Div(hn::Mul(x, inner), hn::Mul(hn::Set(df, 9.0f), range)));
}

// 1 below full, 0 from zero on, between them the soft or the linear ramp; the ramp is left out
// where no lane is on it. Testing full first means full >= zero never divides by zero.
BRUMO_KERNEL_INLINE VF window(DF df, bool soft, VF full, VF zero, VF x) {
    const VF one = hn::Set(df, 1.0f);
    const auto below = hn::Lt(x, full);
    const auto beyond = hn::Ge(x, zero);
    if (hn::AllFalse(df, hn::AndNot(hn::Or(below, beyond), hn::Eq(one, one))))
        return hn::IfThenElseZero(below, one);
    const VF ramp = soft ? softObject(df, hn::Sub(x, full), hn::Sub(zero, full))
                         : hn::Div(hn::Sub(x, zero), hn::Sub(full, zero));
    return hn::IfThenElse(below, one, hn::IfThenZeroElse(beyond, ramp));
}

// 0 below edge0, 1 from edge1 on, between them 3t² - 2t³ of t = (x - edge0) / (edge1 - edge0);
// the cubic is left out where no lane is on it.
BRUMO_KERNEL_INLINE VF smoothStepKernel(DF df, VF edge0, VF edge1, VF x) {
    const VF zero = hn::Zero(df);
    const VF one = hn::Set(df, 1.0f);
    const auto below = hn::Lt(x, edge0);
    const auto beyond = hn::Ge(x, edge1);
    if (hn::AllTrue(df, hn::Or(below, beyond))) return hn::IfThenZeroElse(below, one);
    const VF t = hn::Div(hn::Sub(x, edge0), hn::Sub(edge1, edge0));
    const VF cubic = hn::Mul(hn::Mul(t, t), hn::Sub(hn::Set(df, 3.0f), hn::Mul(hn::Set(df, 2.0f), t)));
    return hn::IfThenElse(below, zero, hn::IfThenElse(beyond, one, cubic));
}

// Index into a shaping table of 10000 entries for v in [0, 1]: trunc(9999 v), kept within
// 0..9999 (not a number gives 0), since a curve before it may leave [0, 1].
BRUMO_KERNEL_INLINE VI shapingTableIndex(DF df, VF v) {
    const VF last = hn::Set(df, 9999.0f);
    const VF scaled = hn::Mul(last, v);
    return hn::ConvertTo(DI(), hn::IfThenElseZero(hn::Gt(scaled, hn::Zero(df)), hn::Min(scaled, last)));
}
