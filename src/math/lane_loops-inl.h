// The loop of every run in vector lanes: body on whole vectors, then once on the rest through
// copies padded with zeros, so that nothing beyond count is read or written. body(into, at...)
// receives the output and each input at the first item of one vector.
// Included (without an include guard) inside a per-target namespace where hn names Highway's
// namespace and DF the float tag.

// The lanes of a mask as bits, lane 0 the lowest.
template <class M>
HWY_INLINE uint64_t maskBits(M mask) {
    uint8_t bytes[8] = {};
    hn::StoreMaskBits(DF(), mask, bytes);
    uint64_t bits = 0;
    std::memcpy(&bits, bytes, sizeof bits);
    return bits;
}

template <class T>
struct PaddedLanes {
    PaddedLanes() = default;
    PaddedLanes(const T* from, size_t count) { std::memcpy(values, from, count * sizeof(T)); }
    T values[hn::MaxLanes(DF())] = {};
};

template <class Out, class Body, class... In>
HWY_INLINE void byVectors(int32_t count, Out* out, const Body& body, const In*... in) {
    const size_t n = hn::Lanes(DF());
    const size_t total = static_cast<size_t>(count);
    size_t i = 0;
    for (; i + n <= total; i += n) body(out + i, (in + i)...);
    if (i == total) return;
    const size_t left = total - i;
    PaddedLanes<Out> padded;
    body(padded.values, PaddedLanes<In>(in + i, left).values...);
    std::memcpy(out + i, padded.values, left * sizeof(Out));
}

// body(i) at the first item i of each whole vector of count items; answers how many items that
// took (the rest is the caller's, in one lane).
template <class Body>
HWY_INLINE int32_t byWholeVectors(int32_t count, const Body& body) {
    const size_t n = hn::Lanes(DF());
    const size_t total = static_cast<size_t>(count);
    size_t i = 0;
    for (; i + n <= total; i += n) body(i);
    return static_cast<int32_t>(i);
}
