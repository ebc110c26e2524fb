// The names the kernel files use for lanes: tags DF and DI, vectors VF and VI, float masks MF.
// Included (without an include guard) inside a namespace where hn names Highway's per-target
// namespace or one_lane.
using DF = hn::ScalableTag<float>;
using DI = hn::RebindToSigned<DF>;
using VF = hn::Vec<DF>;
using VI = hn::Vec<DI>;
using MF = hn::Mask<DF>;
