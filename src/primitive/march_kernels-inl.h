// What a counted sample adds to the march's sum, written once over a lane type: the one-sample
// loop of shadeMany is its one-lane case, a run its vector case. Included (without an include
// guard) inside a namespace that provides hn (Highway's per-target namespace, or one_lane), the
// names of math/lane_types-inl.h and the kernels of colour_gradient_kernels-inl.h and
// shadow_grid_kernels-inl.h.

// The light reaching a sample: the grid's value, weakened by the shadow strength and, for thin
// vapour, by the density influence (the weakening kept within [0, 1], not a number giving 0).
// A sample's optical depth: scale × length × density.
BRUMO_KERNEL_INLINE VF opticalDepth(VF scale, VF length, VF density) { return hn::Mul(hn::Mul(scale, length), density); }

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

// What the samples at these pointers add, stored at into; each input is read only where the
// shading needs it (positions with a colour gradient, colours without, points and densities
// when shadowed).
BRUMO_KERNEL_INLINE void shadeKernel(DF df, const SampleShading& s, const float* position, const ColourRGBA* given,
                                     const Vector3* point, const float* density, const float* weight,
                                     ColourRGBA* into) {
    VF own[4];
    if (s.colourGradient != nullptr)
        coloursKernel(df, *s.colourGradient, hn::LoadU(df, position), own);
    else
        hn::LoadInterleaved4(df, &given->red, own[0], own[1], own[2], own[3]);
    const VF w = hn::LoadU(df, weight);
    VF out[3];
    if (s.shadowed) {
        VF grid = hn::Set(df, 1.0f);
        if (s.gridValues != nullptr) {
            VF x, y, z;
            hn::LoadInterleaved3(df, &point->x, x, y, z);
            grid = trilinearKernel(df, s.gridValues, s.gridResolution, x, y, z);
        }
        const VF lit = litShare(df, grid, hn::LoadU(df, density), hn::Set(df, s.densityInfluence),
                                hn::Set(df, s.shadowStrength));
        const VF unlit = hn::Sub(hn::Set(df, 1.0f), lit);
        VF shadow[4];
        coloursKernel(df, *s.shadowGradient, unlit, shadow);
        for (int c = 0; c < 3; ++c) out[c] = shadedChannel(w, lit, unlit, shadow[c], own[c]);
    } else {
        for (int c = 0; c < 3; ++c) out[c] = hn::Mul(w, own[c]);
    }
    hn::StoreInterleaved4(out[0], out[1], out[2], w, df, &into->red);
}
