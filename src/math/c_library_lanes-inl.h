// The C library's sine, cosine and power over vector lanes, lane by lane (math/c_library.h),
// for the kernels that must give a point the same bits in a run as alone. Included (without an
// include guard) inside a Highway per-target namespace that provides hn and the names of
// math/lane_types-inl.h, after math/lane_loops-inl.h.

// The sine and cosine of x in the lanes of mask; 0 in the others.
HWY_INLINE void sineAndCosineByLane(MF mask, VF x, VF& sine, VF& cosine) {
    const DF df;
    constexpr size_t kLanes = hn::MaxLanes(DF());
    HWY_ALIGN float angles[kLanes];
    HWY_ALIGN float sines[kLanes] = {};
    HWY_ALIGN float cosines[kLanes] = {};
    hn::Store(x, df, angles);
    for (uint64_t bits = maskBits(mask); bits != 0; bits &= bits - 1) {
        const int lane = __builtin_ctzll(bits);
        sineAndCosine(angles[lane], sines[lane], cosines[lane]);
    }
    sine = hn::Load(df, sines);
    cosine = hn::Load(df, cosines);
}

// f(v) of the value v of every lane of x.
template <class F>
HWY_INLINE VF byLane(VF x, const F& f) {
    const DF df;
    constexpr size_t kLanes = hn::MaxLanes(DF());
    HWY_ALIGN float values[kLanes];
    hn::Store(x, df, values);
    for (size_t lane = 0; lane < hn::Lanes(df); ++lane) values[lane] = f(values[lane]);
    return hn::Load(df, values);
}
