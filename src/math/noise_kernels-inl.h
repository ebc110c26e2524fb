// The gradient noise and its octave sums, written once over a lane type. Included (without an
// include guard) inside a namespace that provides:
//   hn                   Highway's per-target namespace, or one_lane
//   DF, DI, VF, VI, MF   the names of math/lane_types-inl.h
//   zHashes(t, iz), edgeHashes(t, iy, hz, edges), edgeKeys(ix, edges, k)
//                        the hashes of the z cells, of the four y-z cell edges, and the keys
//                        of the four x corner pairs, in whatever form that set looks them up
//                        best (math/noise_hash_pairs-inl.h: as pairs of 16-bit hashes)
//   gradientPair(t, k, hint, g0, g1)
//                        the gradients (x, y, z) of the corners hashed to k and k + 1, however
//                        that set reads them best; hint (a KeyHint, of the set's own making)
//                        carries what the read of one key vector of a cell learnt to the next
//   kLookAhead           whether an octave sum looks up the next octave's hashes before this
//                        octave's corners: it pays where the registers hold both octaves
//   kFloorRounds         whether the set rounds down in one instruction (hn::Floor)
//   kOctavesLook         whether octave sums look for keys the lanes share, as single noises do
// and may define BRUMO_NOISE_FLOOR_INT(x): the floor of x as an int, INT32_MIN outside the int
// range and for NaN, in one instruction.
// Every lane does the arithmetic in the same order (no fused multiply-add, no reciprocal for a
// division), so a point gives the same bits in one lane as in any wider vector.

using Fade = NoiseLattice::Fade;
using Tables = NoiseLattice::LaneTables;

// The lattice cell wrapped to 0..255 and the offset inside it. Coordinates outside the int
// range (NaN and infinities too) give cell 0 and offset 0. Where the set rounds down in one
// instruction, adding +0 turns the floor of -0 into +0, so that -0 keeps its offset -0.
// Elsewhere the floor comes from the truncated int, one less where that lies above x: the
// float of the int 0 is +0 too, and the cell needs no second conversion.
BRUMO_KERNEL_INLINE void latticeCells(VF x, VI& cell, VF& offset) {
    const DF df;
    const DI di;
#ifdef BRUMO_NOISE_FLOOR_INT
    // INT32_MIN marks the lanes outside the range (x = -2^31 too, outside as well); the float
    // of the int 0 is +0.
    const VI i = BRUMO_NOISE_FLOOR_INT(x);
    const auto within = hn::RebindMask(df, hn::Ne(i, hn::Set(di, INT32_MIN)));
    offset = hn::IfThenElseZero(within, hn::Sub(x, hn::ConvertTo(df, i)));
    cell = hn::And(i, hn::Set(di, 255));
    return;
#endif
    const auto inRange = hn::Lt(hn::Abs(x), hn::Set(df, 2147483648.0f));
    const VF xs = hn::IfThenElseZero(inRange, x);
    if constexpr (kFloorRounds) {
        const VF floor = hn::Add(hn::Floor(xs), hn::Zero(df));
        offset = hn::Sub(xs, floor);
        cell = hn::And(hn::ConvertTo(di, floor), hn::Set(di, 255));
    } else {
        const VI truncated = hn::ConvertTo(di, xs);
        const VF t = hn::ConvertTo(df, truncated);
        const auto above = hn::Lt(xs, t);
        const VF floor = hn::IfThenElse(above, hn::Sub(t, hn::Set(df, 1.0f)), t);
        offset = hn::Sub(xs, floor);
        const VI i = hn::IfThenElse(hn::RebindMask(di, above), hn::Sub(truncated, hn::Set(di, 1)), truncated);
        cell = hn::And(i, hn::Set(di, 255));
    }
}

template <Fade fade>
BRUMO_KERNEL_INLINE VF weight(VF f) {
    const DF df;
    if constexpr (fade == Fade::linear) {
        const VF zero = hn::Zero(df);
        const VF one = hn::Set(df, 1.0f);
        return hn::IfThenElse(hn::Lt(f, zero), zero, hn::IfThenElse(hn::Gt(f, one), one, f));
    } else if constexpr (fade == Fade::cubic) {
        return hn::Mul(hn::Mul(f, f), hn::Sub(hn::Set(df, 3.0f), hn::Mul(hn::Set(df, 2.0f), f)));
    } else {
        const VF cube = hn::Mul(hn::Mul(f, f), f);
        const VF poly = hn::Add(hn::Sub(hn::Set(df, 10.0f), hn::Mul(hn::Set(df, 15.0f), f)),
                                hn::Mul(hn::Mul(hn::Set(df, 6.0f), f), f));
        return hn::Mul(cube, poly);
    }
}

BRUMO_KERNEL_INLINE VF lerp(VF a, VF b, VF w) { return hn::Add(a, hn::Mul(hn::Sub(b, a), w)); }

// The two x corners of a cell edge, hashed to k (offset dx0) and k + 1 (offset dx1).
BRUMO_KERNEL_INLINE void cornerPair(const Tables& t, VI k, KeyHint& hint, VF dx0, VF dx1, VF dy, VF dz, VF& c0,
                                    VF& c1) {
    VF g0[3], g1[3];
    gradientPair(t, k, hint, g0, g1);
    c0 = hn::Add(hn::Add(hn::Mul(g0[0], dx0), hn::Mul(g0[1], dy)), hn::Mul(g0[2], dz));
    c1 = hn::Add(hn::Add(hn::Mul(g1[0], dx1), hn::Mul(g1[1], dy)), hn::Mul(g1[2], dz));
}

// What a noise at U vectors of points knows after its hash lookups: the x cells, the offsets
// inside the cells, the hashes of the four y-z cell edges, and which points are finite.
template <int U>
struct CellHashes {
    VI ix[U], edges[U][2];
    VF fx[U], fy[U], fz[U];
    MF valid[U];
};

// The first half of a noise: the cells and the two hash levels, each waiting on the one before.
// Each stage runs for all U before the next, so that while one vector waits for its lookups
// the others compute.
template <int U>
BRUMO_KERNEL_INLINE void hashCells(const Tables& t, const VF (&x)[U], const VF (&y)[U], const VF (&z)[U],
                                   CellHashes<U>& h) {
    VI iy[U], iz[U], hz[U];
    for (int u = 0; u < U; ++u) {
        latticeCells(x[u], h.ix[u], h.fx[u]);
        latticeCells(y[u], iy[u], h.fy[u]);
        latticeCells(z[u], iz[u], h.fz[u]);
        h.valid[u] = hn::And(hn::And(hn::IsFinite(x[u]), hn::IsFinite(y[u])), hn::IsFinite(z[u]));
    }
    // Corner hash, z first.
    for (int u = 0; u < U; ++u) hz[u] = zHashes(t, iz[u]);
    for (int u = 0; u < U; ++u) edgeHashes(t, iy[u], hz[u], h.edges[u]);
}

// The second half: the gradients of the eight corners and their weighted blend. fewKeysLikely:
// whether the points lie close enough together for the set to look for keys the lanes share.
template <Fade fade, int U>
BRUMO_KERNEL_INLINE void blendCorners(const Tables& t, const CellHashes<U>& h, bool fewKeysLikely, VF (&out)[U]) {
    const DF df;
    const VF one = hn::Set(df, 1.0f);
    VF c000[U], c100[U], c010[U], c110[U], c001[U], c101[U], c011[U], c111[U];
    for (int u = 0; u < U; ++u) {
        const VF fx = h.fx[u], fy = h.fy[u], fz = h.fz[u];
        const VF gx = hn::Sub(fx, one);
        const VF gy = hn::Sub(fy, one);
        const VF gz = hn::Sub(fz, one);
        VI k[4];
        edgeKeys(h.ix[u], h.edges[u], k);
        KeyHint hint(fewKeysLikely);
        cornerPair(t, k[0], hint, fx, gx, fy, fz, c000[u], c100[u]);
        cornerPair(t, k[1], hint, fx, gx, gy, fz, c010[u], c110[u]);
        cornerPair(t, k[2], hint, fx, gx, fy, gz, c001[u], c101[u]);
        cornerPair(t, k[3], hint, fx, gx, gy, gz, c011[u], c111[u]);
    }
    for (int u = 0; u < U; ++u) {
        const VF wx = weight<fade>(h.fx[u]);
        const VF wy = weight<fade>(h.fy[u]);
        const VF wz = weight<fade>(h.fz[u]);
        const VF a0 = lerp(c000[u], c100[u], wx);
        const VF a1 = lerp(c010[u], c110[u], wx);
        const VF b0 = lerp(c001[u], c101[u], wx);
        const VF b1 = lerp(c011[u], c111[u], wx);
        out[u] = hn::IfThenElseZero(h.valid[u], lerp(lerp(a0, a1, wy), lerp(b0, b1, wy), wz));
    }
}

// The noise at U vectors of points.
template <Fade fade, int U>
BRUMO_KERNEL_INLINE void noise(const Tables& t, const VF (&x)[U], const VF (&y)[U], const VF (&z)[U],
                               VF (&out)[U]) {
    CellHashes<U> h;
    hashCells<U>(t, x, y, z, h);
    blendCorners<fade, U>(t, h, true, out);
}

// The octave sum of the kind along the plan: octave values weighed by amp / f (scaled), their
// magnitudes (turbulence), the spectral weights, or the ridges, each weighed by the one before.
template <SumKind kind, int U>
BRUMO_KERNEL_INLINE void octaveSum(const Tables& t, const OctavePlan& plan, const VF (&x)[U], const VF (&y)[U],
                                   const VF (&z)[U], VF (&sum)[U]) {
    const DF df;
    constexpr Fade fade = kind == SumKind::ridged ? Fade::cubic : Fade::quintic;
    const VF zero = hn::Zero(df);
    const VF one = hn::Set(df, 1.0f);
    VF ridgeWeight[U];
    for (int u = 0; u < U; ++u) {
        sum[u] = zero;
        ridgeWeight[u] = one;
    }
    const int32_t faded = plan.partial ? plan.count - 1 : plan.count;
    auto lookUp = [&](int32_t k, CellHashes<U>& h) {
        const VF f = hn::Set(df, plan.frequency[k]);
        VF px[U], py[U], pz[U];
        for (int u = 0; u < U; ++u) {
            px[u] = hn::Mul(x[u], f);
            py[u] = hn::Mul(y[u], f);
            pz[u] = hn::Mul(z[u], f);
        }
        hashCells<U>(t, px, py, pz, h);
    };
    // With kLookAhead the next octave's hashes are looked up before this octave's corners, so
    // that their latency is spent on work that is ready.
    CellHashes<U> ahead;
    if (kLookAhead && plan.count > 0) lookUp(0, ahead);
    for (int32_t k = 0; k < plan.count; ++k) {
        const VF f = hn::Set(df, plan.frequency[k]);
        const VF factor = hn::Set(df, plan.factor[k]);
        CellHashes<U> cells;
        if constexpr (kLookAhead) {
            cells = ahead;
            if (k + 1 < plan.count) lookUp(k + 1, ahead);
        } else {
            lookUp(k, cells);
        }
        VF n[U];
        // Where the shared rows are only a little cheaper than a lane-by-lane read (AVX-512),
        // octaves do not look: only the first one's cells are wide enough for a vector of
        // samples to share them, and where points scatter (a bake) its look was mispredicted
        // often enough to slow a sample by 6 %.
        blendCorners<fade, U>(t, cells, kOctavesLook, n);
        for (int u = 0; u < U; ++u) {
            if constexpr (kind == SumKind::scaled) {
                sum[u] = hn::Add(sum[u], hn::Div(hn::Mul(n[u], factor), f));
            } else if constexpr (kind == SumKind::turbulence) {
                sum[u] = hn::Add(sum[u], hn::Div(hn::Mul(hn::Abs(n[u]), factor), f));
            } else if constexpr (kind == SumKind::spectral) {
                if (k != faded)
                    sum[u] = hn::Add(sum[u], hn::Mul(factor, n[u]));
                else
                    sum[u] = hn::Add(sum[u], hn::Mul(hn::Mul(n[u], hn::Set(df, plan.fade)), factor));
            } else {
                const VF s = hn::Sub(one, hn::Abs(n[u]));
                const VF tw = hn::Mul(hn::Mul(hn::Mul(s, s), ridgeWeight[u]), factor);
                if (k != faded) {
                    sum[u] = hn::Add(sum[u], tw);
                    ridgeWeight[u] = hn::IfThenElse(hn::Lt(tw, zero), zero, hn::IfThenElse(hn::Gt(tw, one), one, tw));
                } else {
                    sum[u] = hn::Add(sum[u], hn::Mul(tw, hn::Set(df, plan.fade)));
                }
            }
        }
    }
}
