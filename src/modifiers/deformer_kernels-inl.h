// The geometric deformers (all but the bend, which leaves a point as it is), written once over a
// lane type: one lane for deformPoint, vector lanes for a run, the same bits either way. Included
// (without an include guard) inside a namespace that provides hn (Highway's per-target namespace,
// or one_lane) and the names of math/lane_types-inl.h, after math/shaping.h,
// math/shaping_kernels-inl.h and the deformers' headers.
//
// Each kernel deforms the coordinates of points in place, named by the modifier's axes: along
// the main axis (a), the first cross axis (b) and the second (c). The includer provides
// sineAndCosineOf(x, sine, cosine), sineOf(x) and powerOf(x, y), the C library's sine, cosine
// and power of every lane.

// c / f, or the far coordinate for a divisor not above 2^-14.
BRUMO_KERNEL_INLINE VF divideOrFarKernel(DF df, VF c, VF f) {
    return hn::IfThenElse(hn::Gt(f, hn::Set(df, kSmallestFactor)), hn::Div(c, f), hn::Set(df, kFarCoordinate));
}

BRUMO_KERNEL_INLINE void taperKernel(DF df, const TaperModifier& m, VF& a, VF& b, VF& c) {
    const TaperParameters& p = m.parameters;
    const VF u = p.invert != 0 ? hn::Neg(a) : a;
    const VF s = smoothStepKernel(df, hn::Set(df, m.range.lo), hn::Set(df, m.range.hi), u);
    const VF f = hn::Add(hn::Mul(s, hn::Set(df, p.amount)), hn::Set(df, 1.0f - p.amount));
    if (p.affectFirst != 0) b = divideOrFarKernel(df, b, f);
    if (p.affectSecond != 0) c = divideOrFarKernel(df, c, f);
}

// The fraction along the main axis, t = ((u + 1) × 0.5 - s0) × inv, clamped to [0, 1]. A range
// of zero width (inv = 1 / 0) is a step at s0, as smoothStep treats it, rather than 0 × ∞.
BRUMO_KERNEL_INLINE VF clampedFractionKernel(DF df, VF u, const FractionRange& range) {
    const VF zero = hn::Zero(df);
    const VF one = hn::Set(df, 1.0f);
    const VF along = hn::Sub(hn::Mul(hn::Add(u, one), hn::Set(df, 0.5f)), hn::Set(df, range.s0));
    if (!std::isfinite(range.inv)) return hn::IfThenElseZero(hn::Ge(along, zero), one);
    const VF t = hn::Mul(along, hn::Set(df, range.inv));
    return hn::IfThenElse(hn::Le(t, zero), zero, hn::IfThenElse(hn::Ge(t, one), one, t));
}

BRUMO_KERNEL_INLINE void twistKernel(DF df, const TwistModifier& m, VF& a, VF& b, VF& c) {
    const VF theta = hn::Mul(hn::Set(df, m.parameters.angle), clampedFractionKernel(df, a, m.range));
    VF sine, cosine;
    sineAndCosineOf(theta, sine, cosine);
    const VF k = hn::Set(df, m.k);
    const VF p = b;
    const VF q = c;
    b = hn::Mul(hn::Sub(hn::Mul(cosine, p), hn::Mul(sine, q)), k);
    c = hn::Mul(hn::Add(hn::Mul(sine, p), hn::Mul(cosine, q)), k);
}

BRUMO_KERNEL_INLINE void waveKernel(DF df, const WaveModifier& m, VF& a, VF& b, VF& c) {
    const uint32_t mode = m.parameters.waveMode;
    VF u;
    if (mode == kWaveAlongAxis)
        u = a;
    else if (mode == kWaveAcrossSecond)
        u = c;
    else if (mode == kWaveAcrossFirst)
        u = b;
    else if (mode == kWaveRadial)
        u = hn::Sqrt(hn::Add(hn::Mul(c, c), hn::Mul(b, b)));
    else
        return;
    const VF lo = hn::Set(df, m.range.lo);
    const VF hi = hn::Set(df, m.range.hi);
    const VF clamped = hn::IfThenElse(hn::Gt(lo, u), lo, hn::IfThenElse(hn::Gt(u, hi), hi, u));
    const VF w = sineOf(hn::Add(hn::Mul(hn::Set(df, m.k), clamped), hn::Set(df, m.phi)));
    const VF f = hn::Add(hn::Mul(hn::Add(w, hn::Set(df, 1.0f)), hn::Set(df, m.h)),
                         hn::Set(df, 1.0f - m.parameters.amplitude));
    if (mode == kWaveAlongAxis) {
        b = divideOrFarKernel(df, b, f);
        c = divideOrFarKernel(df, c, f);
    } else {
        a = divideOrFarKernel(df, a, f);
    }
}

BRUMO_KERNEL_INLINE void bulgeKernel(DF df, const BulgeModifier& m, VF& a, VF& b, VF& c) {
    const BulgeParameters& p = m.parameters;
    const VF g = hn::Add(hn::Mul(a, hn::Add(hn::Mul(a, hn::Set(df, m.A)), hn::Set(df, m.B))), hn::Set(df, m.C));
    const VF f = hn::Add(g, hn::Set(df, p.amount > 0.0f ? 1.0f - p.amount : 1.0f));
    if (p.affectFirst != 0) b = divideOrFarKernel(df, b, f);
    if (p.affectSecond != 0) c = divideOrFarKernel(df, c, f);
}

// A dent along the main axis, on its positive side (the negative one where inverted) only. A
// radius of 0 is a dent of no width: every point is infinitely far from the axis in units of the
// radius, which leaves the factor at its base rather than 0 × ∞ on the axis.
BRUMO_KERNEL_INLINE void punchKernel(DF df, const PunchModifier& m, VF& a, VF& b, VF& c) {
    const PunchParameters& p = m.parameters;
    const VF u = p.invert != 0 ? hn::Neg(a) : a;
    const MF dented = hn::Not(hn::Le(u, hn::Zero(df)));
    if (hn::AllFalse(df, dented)) return;
    const float amount = p.amount;
    const float base = amount > 0.0f ? 1.0f : 1.0f + amount;
    const float r = 1.0f / p.radius;
    VF f = hn::Set(df, base);
    if (std::isfinite(r)) {
        const VF one = hn::Set(df, 1.0f);
        const VF a1 = hn::Mul(b, hn::Set(df, r));
        const VF a2 = hn::Mul(c, hn::Set(df, r));
        const VF e = hn::Add(hn::Mul(a1, a1), hn::Mul(a2, a2));
        const VF ratio = hn::IfThenElse(hn::IsInf(e), one, hn::Div(hn::Sub(e, one), hn::Add(e, one)));
        f = hn::Add(hn::Mul(hn::Mul(hn::Set(df, amount), hn::Sub(ratio, one)), hn::Set(df, 0.5f)), f);
    }
    a = hn::IfThenElse(dented, divideOrFarKernel(df, a, f), a);
}

BRUMO_KERNEL_INLINE void shiftKernel(DF df, const ShiftModifier& m, VF& a, VF& b, VF& c) {
    const ShiftParameters& p = m.parameters;
    const VF d = hn::Sub(clampedFractionKernel(df, a, m.range), hn::Set(df, 0.5f));
    b = hn::Mul(hn::Add(b, hn::Mul(hn::Set(df, p.shiftFirst), d)), hn::Set(df, m.g1));
    c = hn::Mul(hn::Add(c, hn::Mul(hn::Set(df, p.shiftSecond), d)), hn::Set(df, m.g2));
}

// Each coordinate divided by its scale (x, y, z in order, whatever the axis). A zero scale
// squeezes the effect to nothing along its axis; the far coordinate stands for the infinity (or
// 0 / 0 at the centre) of the plain division.
BRUMO_KERNEL_INLINE void scaleKernel(DF df, const ScaleModifier& m, VF& x, VF& y, VF& z) {
    const ScaleParameters& p = m.parameters;
    const VF far = hn::Set(df, kFarCoordinate);
    auto divide = [&](VF v, float s) {
        const VF q = hn::Div(v, hn::Set(df, s));
        return hn::IfThenElse(hn::IsFinite(q), q, far);
    };
    x = divide(x, p.scaleX);
    y = divide(y, p.scaleY);
    z = divide(z, p.scaleZ);
}

// The main axis remapped through H(t) = t + bias(b, smoothStep(s0, s1, t)) m, normalised so that
// the ends of the box stay put; the box's outside stretches too (t is not clamped).
BRUMO_KERNEL_INLINE VF stretchCurveKernel(DF df, const StretchModifier& m, VF t) {
    const VF s = smoothStepKernel(df, hn::Set(df, m.s0), hn::Set(df, m.s1), t);
    return hn::Add(t, hn::Mul(powerOf(s, biasExponent(m.b)), hn::Set(df, m.m)));
}

BRUMO_KERNEL_INLINE void stretchKernel(DF df, const StretchModifier& m, VF& a, VF&, VF&) {
    const VF half = hn::Set(df, 0.5f);
    const VF h = stretchCurveKernel(df, m, hn::Add(hn::Mul(a, half), half));
    const VF h0 = hn::Set(df, m.h0);
    const VF mapped = hn::Sub(
        hn::Mul(hn::Add(hn::Div(hn::Sub(h, h0), hn::Set(df, m.h1 - m.h0)), h0), hn::Set(df, 2.0f)), hn::Set(df, 1.0f));
    // h1 equal to h0 squeezes the whole range to nothing; the far coordinate stands for that.
    a = hn::IfThenElse(hn::IsFinite(mapped), mapped, hn::Set(df, kFarCoordinate));
}

// The axis that names a modifier's coordinates for its kernel; the scale takes x, y, z as they are.
template <class Modifier>
int32_t kernelAxis(const Modifier& modifier) {
    return modifier.mainAxis;
}
inline int32_t kernelAxis(const ScaleModifier&) { return 0; }

// kernel(a, b, c) on the coordinates (x, y, z) named by the main axis: the cross axes follow it
// in turn (x: y, z; y: z, x; z: x, y).
template <class Kernel>
BRUMO_KERNEL_INLINE void alongAxes(int32_t mainAxis, VF& x, VF& y, VF& z, const Kernel& kernel) {
    if (mainAxis == 0)
        kernel(x, y, z);
    else if (mainAxis == 1)
        kernel(y, z, x);
    else
        kernel(z, x, y);
}
