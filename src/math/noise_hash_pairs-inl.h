// The corner hashes of a noise through lookups of pairs: hashPair(t, k) gives the hashes of k
// (low 16 bits) and k + 1 (high 16 bits). Included (without an include guard) inside a
// namespace that provides hashPair and the names of math/lane_types-inl.h.

// The hashes of the z cell and the next, as hashPair gives them.
BRUMO_KERNEL_INLINE VI zHashes(const NoiseLattice::LaneTables& t, VI iz) { return hashPair(t, iz); }

// The hashes of the four y-z cell edges from the z hashes: edges[0] those of z0 (y0 low, y1 high
// 16 bits), edges[1] those of z1.
BRUMO_KERNEL_INLINE void edgeHashes(const NoiseLattice::LaneTables& t, VI iy, VI hz, VI (&edges)[2]) {
    const DI di;
    const VI mask = hn::Set(di, 255);
    edges[0] = hashPair(t, hn::And(hn::Add(iy, hn::And(hz, hn::Set(di, 0xFFFF))), mask));
    edges[1] = hashPair(t, hn::And(hn::Add(iy, hn::ShiftRight<16>(hz)), mask));
}

// The keys of the x corner pairs on the edges (y0, z0), (y1, z0), (y0, z1), (y1, z1).
BRUMO_KERNEL_INLINE void edgeKeys(VI ix, const VI (&edges)[2], VI (&k)[4]) {
    const DI di;
    const VI mask = hn::Set(di, 255);
    const VI low = hn::Set(di, 0xFFFF);
    for (int e = 0; e < 2; ++e) {
        k[2 * e] = hn::And(hn::Add(ix, hn::And(edges[e], low)), mask);
        k[2 * e + 1] = hn::And(hn::Add(ix, hn::ShiftRight<16>(edges[e])), mask);
    }
}
