// The shape mask and the puff coverage: their kernels in one lane for a single point, and in
// vector lanes (Highway, compiled for each instruction set, the best one the CPU runs taken at
// run time) for a run.
#include "primitive/density_lanes.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "math/vector_lanes.h"
#include "primitive/brumo_base.h"
#include "primitive/density_one_lane.h"

#if BRUMO_HAVE_HIGHWAY

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitive/density_lanes.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace brumo {
namespace HWY_NAMESPACE {
namespace {

namespace hn = hwy::HWY_NAMESPACE;
#include "math/lane_types-inl.h"
#include "math/linear_map_kernels-inl.h"
#include "math/shaping_kernels-inl.h"
#include "primitive/density_kernels-inl.h"

#include "math/lane_loops-inl.h"

// A kernel of a point and one value per sample over a run.
template <class Kernel>
HWY_INLINE void pointRuns(int32_t count, const Vector3* points, const float* extra, float* out,
                          const Kernel& kernel) {
    const DF df;
    byVectors(
        count, out,
        [&](float* into, const Vector3* at, const float* value) {
            VF x, y, z;
            hn::LoadInterleaved3(df, &at->x, x, y, z);
            hn::StoreU(kernel(x, y, z, hn::LoadU(df, value)), df, into);
        },
        points, extra);
}

// For eight lanes or fewer: for each mask of kept lanes, their numbers in order, four bits each.
struct KeptLaneTable {
    uint32_t packed[256];
};

// For four lanes or fewer, the numbers themselves: the sets of four lanes shift each lane by its
// own count slowly.
struct KeptLaneNumbers {
    alignas(16) int32_t numbers[16][4];
};

constexpr KeptLaneNumbers makeKeptLaneNumbers() {
    KeptLaneNumbers table{};
    for (int32_t bits = 0; bits < 16; ++bits) {
        int32_t k = 0;
        for (int32_t lane = 0; lane < 4; ++lane)
            if ((bits >> lane & 1) != 0) table.numbers[bits][k++] = lane;
    }
    return table;
}

constexpr KeptLaneTable makeKeptLaneTable() {
    KeptLaneTable table{};
    for (uint32_t bits = 0; bits < 256; ++bits) {
        uint32_t packed = 0;
        uint32_t k = 0;
        for (uint32_t lane = 0; lane < 8; ++lane)
            if ((bits >> lane & 1) != 0) packed |= lane << (4 * k++);
        table.packed[bits] = packed;
    }
    return table;
}

// Where each lane of a compress by keep comes from (the kept lanes first, in order; the others
// in range), for one permutation of every vector the compress moves. Highway builds its compress
// for these sets from a table it copies onto the stack each time; the sets with sixteen lanes
// compress in one instruction.
HWY_INLINE VI compressedLanes(MF keep) {
    const DI di;
    if constexpr (hn::MaxLanes(DI()) <= 4) {
        static constexpr KeptLaneNumbers kTable = makeKeptLaneNumbers();
        uint8_t bytes[8] = {};
        hn::StoreMaskBits(DF(), keep, bytes);
        return hn::Load(di, kTable.numbers[bytes[0] & 15]);
    } else if constexpr (hn::MaxLanes(DI()) <= 8) {
        static constexpr KeptLaneTable kTable = makeKeptLaneTable();
        alignas(32) static constexpr int32_t kShifts[8] = {0, 4, 8, 12, 16, 20, 24, 28};
        uint8_t bytes[8] = {};
        hn::StoreMaskBits(DF(), keep, bytes);
        const VI packed = hn::Set(di, static_cast<int32_t>(kTable.packed[bytes[0]]));
        return hn::And(hn::Shr(packed, hn::Load(di, kShifts)), hn::Set(di, 7));
    } else {
        // The lane numbers from a table: this Highway builds them lane by lane on the stack.
        alignas(64) static constexpr int32_t kLaneNumbers[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
        static_assert(hn::MaxLanes(DI()) <= 16, "a lane number for every lane");
        const VI last = hn::Set(di, static_cast<int32_t>(hn::Lanes(di)) - 1);
        return hn::And(hn::Compress(hn::Load(di, kLaneNumbers), hn::RebindMask(di, keep)), last);
    }
}

HWY_INLINE VF compressed(VF v, VI from) { return hn::TableLookupLanes(v, hn::IndicesFromVec(DF(), from)); }
HWY_INLINE VI compressed(VI v, VI from) { return hn::TableLookupLanes(v, hn::IndicesFromVec(DI(), from)); }

}  // namespace

void ShapeWeightMany(int32_t count, const Vector3* points, const float* start, uint32_t flags,
                     const FalloffPair (*falloffs)[16], bool soft, float* out) {
    const DF df;
    pointRuns(count, points, start, out, [&](VF x, VF y, VF z, VF m) {
        return shapeWeightKernel(df, x, y, z, m, flags, *falloffs, soft);
    });
}

// The box of the first valid lanes of one vector of points and their lowest jitter.
HWY_INLINE void boxOfVector(DF df, size_t valid, VF x, VF y, VF z, VF jitter, float (&lo)[3], float (&hi)[3],
                            float& jitterFloor) {
    // Lanes past the valid ones are not numbers, which the box leaves out.
    const MF in = hn::FirstN(df, valid);
    const VF none = hn::Set(df, __builtin_nanf(""));
    RunBox<VF> box;
    openRunBox(df, box);
    widenRunBox(hn::IfThenElse(in, x, none), hn::IfThenElse(in, y, none), hn::IfThenElse(in, z, none),
                hn::IfThenElse(in, jitter, none), box);
    for (int axis = 0; axis < 3; ++axis) {
        lo[axis] = hn::GetLane(hn::MinOfLanes(df, box.lo[axis]));
        hi[axis] = hn::GetLane(hn::MaxOfLanes(df, box.hi[axis]));
    }
    jitterFloor = hn::GetLane(hn::MinOfLanes(df, box.jitterFloor));
}

// The puffs of one block (from puff first on, a vector of them) that reach the box of one vector
// of points (the first valid lanes of it real), as bits from the block's first puff.
HWY_INLINE uint64_t puffsReaching(DF df, const PuffField& field, const float* sideBySide, int32_t stride,
                                  int32_t first, size_t valid, VF x, VF y, VF z, VF jitter) {
    float lo[3], hi[3], jitterFloor;
    boxOfVector(df, valid, x, y, z, jitter, lo, hi, jitterFloor);
    const float* at = sideBySide + first;
    const MF beyond = puffsBeyond(df, lo, hi, jitterFloor, hn::LoadU(df, at), hn::LoadU(df, at + stride),
                                  hn::LoadU(df, at + 2 * stride), hn::LoadU(df, at + 3 * stride));
    return maskBits(hn::AndNot(beyond, hn::FirstN(df, static_cast<size_t>(field.count - first))));
}

// Over cover, the puffs of bits (from puff first on) in their order; false once every lane is full.
HWY_INLINE bool coverByPuffs(DF df, const PuffField& field, int32_t first, uint64_t bits, VF x, VF y, VF z,
                             VF jitter, PuffCover& cover) {
    const VF widthSquared = hn::Set(df, field.widthSquared);
    for (; bits != 0; bits &= bits - 1) {
        coverByPuff(df, field.puffs[first + __builtin_ctzll(bits)], widthSquared, x, y, z, jitter, cover);
        if (hn::AllTrue(df, cover.full)) return false;
    }
    return true;
}

// The coverage of one vector of points (the first valid lanes of it real) by the puffs, in their
// order, that reach its box: a puff that reaches no point of a vector changes none of its lanes.
// With one block of puffs, reaching may bring the block's puffs found beforehand.
HWY_INLINE VF coverVector(DF df, const PuffField& field, const float* sideBySide, int32_t stride, size_t valid,
                          const Vector3* at, const float* jitterAt, const uint64_t* reaching = nullptr) {
    VF x, y, z;
    hn::LoadInterleaved3(df, &at->x, x, y, z);
    const VF jitter = hn::LoadU(df, jitterAt);
    PuffCover cover = openPuffCover(df);
    const int32_t lanes = static_cast<int32_t>(hn::Lanes(df));
    for (int32_t j = 0; j < field.count; j += lanes) {
        const uint64_t bits =
            reaching != nullptr ? *reaching : puffsReaching(df, field, sideBySide, stride, j, valid, x, y, z, jitter);
        if (!coverByPuffs(df, field, j, bits, x, y, z, jitter, cover)) break;
    }
    return closePuffCover(df, field, cover);
}

void PuffCoverageMany(const PuffField* field, const float* sideBySide, int32_t stride, int32_t count,
                      const Vector3* points, const float* jitter, float* out) {
    const DF df;
    if (sideBySide == nullptr) {
        pointRuns(count, points, jitter, out,
                  [&](VF x, VF y, VF z, VF j) { return puffCoverageKernel(df, *field, x, y, z, j); });
        return;
    }
    const size_t lanes = hn::Lanes(df);
    const size_t total = static_cast<size_t>(count);
    size_t i = 0;
    // With one block of puffs every vector's puffs are sorted before any is covered, so that
    // the sorts overlap rather than wait on each other's coverage.
    if (field->count <= static_cast<int32_t>(lanes) && total <= static_cast<size_t>(kDensityBatch)) {
        uint64_t reaching[kDensityBatch / 4];
        for (size_t v = 0; v + lanes <= total; v += lanes) {
            VF x, y, z;
            hn::LoadInterleaved3(df, &points[v].x, x, y, z);
            reaching[v / lanes] = puffsReaching(df, *field, sideBySide, stride, 0, lanes, x, y, z,
                                                hn::LoadU(df, jitter + v));
        }
        for (; i + lanes <= total; i += lanes)
            hn::StoreU(coverVector(df, *field, sideBySide, stride, lanes, points + i, jitter + i, &reaching[i / lanes]),
                       df, out + i);
    } else {
        for (; i + lanes <= total; i += lanes)
            hn::StoreU(coverVector(df, *field, sideBySide, stride, lanes, points + i, jitter + i), df, out + i);
    }
    if (i == total) return;
    const size_t left = total - i;
    const PaddedLanes<Vector3> at(points + i, left);
    const PaddedLanes<float> jitterAt(jitter + i, left);
    PaddedLanes<float> into;
    hn::StoreU(coverVector(df, *field, sideBySide, stride, left, at.values, jitterAt.values), df, into.values);
    std::memcpy(out + i, into.values, left * sizeof(float));
}

void LinearMapMany(const AffineTransform* t, int32_t count, const Vector3* points, Vector3* out) {
    const DF df;
    byVectors(
        count, out,
        [&](Vector3* into, const Vector3* at) {
            VF x, y, z, ox, oy, oz;
            hn::LoadInterleaved3(df, &at->x, x, y, z);
            linearMapKernel(df, *t, x, y, z, ox, oy, oz);
            hn::StoreInterleaved3(ox, oy, oz, df, &into->x);
        },
        points);
}

int32_t StartRunInLanes(int32_t count, const Vector3* points, bool ballCut, float* densities, float* shapes,
                        int32_t* candidates, Vector3* candidatePoints, int32_t* kept) {
    const DF df;
    const DI di;
    const size_t lanes = hn::Lanes(df);
    const size_t total = static_cast<size_t>(count);
    const VF zero = hn::Zero(df);
    size_t m = 0;
    size_t i = 0;
    for (; i + lanes <= total; i += lanes) {
        hn::StoreU(zero, df, densities + i);
        hn::StoreU(zero, df, shapes + i);
        MF inside = hn::FirstN(df, lanes);
        VF x, y, z;
        if (ballCut || candidatePoints != nullptr) hn::LoadInterleaved3(df, &points[i].x, x, y, z);
        if (ballCut) inside = hn::Not(beyondUnitBallKernel(df, x, y, z));
        // Compressed in a register and stored whole (a compressing store is slow on some
        // processors): the lanes past the kept ones land on indices not yet written.
        const VI from = compressedLanes(inside);
        hn::StoreU(hn::Add(from, hn::Set(di, static_cast<int32_t>(i))), di, candidates + m);
        if (candidatePoints != nullptr)
            hn::StoreInterleaved3(compressed(x, from), compressed(y, from), compressed(z, from), df,
                                  &candidatePoints[m].x);
        m += hn::CountTrue(df, inside);
    }
    *kept = static_cast<int32_t>(m);
    return static_cast<int32_t>(i);
}

int32_t KeepWeighedInLanes(int32_t count, const float* factors, float floor, float ownFloor, int32_t* going,
                           Vector3* points, float* weights, int32_t* kept) {
    const DF df;
    const DI di;
    const size_t lanes = hn::Lanes(df);
    const size_t total = static_cast<size_t>(count);
    const VF lowest = hn::Set(df, floor);
    const VF ownLowest = hn::Set(df, ownFloor);
    size_t n = 0;
    size_t i = 0;
    // n <= i, so each whole store ends within the vector just read.
    for (; i + lanes <= total; i += lanes) {
        const VF own = hn::LoadU(df, weights + i);
        const VF w = factors != nullptr ? hn::Mul(hn::LoadU(df, factors + i), own) : own;
        const MF keep = hn::Not(hn::Or(hn::Lt(w, lowest), hn::Lt(own, ownLowest)));
        VF x, y, z;
        hn::LoadInterleaved3(df, &points[i].x, x, y, z);
        const VI from = compressedLanes(keep);
        hn::StoreU(compressed(hn::LoadU(di, going + i), from), di, going + n);
        hn::StoreInterleaved3(compressed(x, from), compressed(y, from), compressed(z, from), df, &points[n].x);
        hn::StoreU(compressed(w, from), df, weights + n);
        n += hn::CountTrue(df, keep);
    }
    *kept = static_cast<int32_t>(n);
    return static_cast<int32_t>(i);
}

int32_t ShapeNoiseInLanes(int32_t count, float* values, const float* table) {
    const DF df;
    const size_t lanes = hn::Lanes(df);
    const size_t total = static_cast<size_t>(count);
    size_t i = 0;
    for (; i + lanes <= total; i += lanes)
        hn::StoreU(hn::GatherIndex(df, table, shapingTableIndex(df, hn::LoadU(df, values + i))), df, values + i);
    return static_cast<int32_t>(i);
}

// The box of count (at least Lanes(d)) points and their lowest jitter, in vectors of tag D; the
// last vector overlaps the one before, as a point met twice moves no bound.
template <class D>
HWY_INLINE void boxOfRun(D d, size_t count, const Vector3* points, const float* jitter, float (&lo)[3],
                         float (&hi)[3], float& jitterFloor) {
    using V = hn::Vec<D>;
    const size_t lanes = hn::Lanes(d);
    RunBox<V> box;
    openRunBox(d, box);
    for (size_t i = 0;; i += lanes) {
        const size_t at = i + lanes <= count ? i : count - lanes;
        V x, y, z;
        hn::LoadInterleaved3(d, &points[at].x, x, y, z);
        widenRunBox(x, y, z, hn::LoadU(d, jitter + at), box);
        if (at + lanes >= count) break;
    }
    for (int axis = 0; axis < 3; ++axis) {
        lo[axis] = hn::GetLane(hn::MinOfLanes(d, box.lo[axis]));
        hi[axis] = hn::GetLane(hn::MaxOfLanes(d, box.hi[axis]));
    }
    jitterFloor = hn::GetLane(hn::MinOfLanes(d, box.jitterFloor));
}

// count is at least kFewestForLanes.
int32_t PuffsNearMany(const PuffField* field, const float* sideBySide, int32_t count, const Vector3* points,
                      const float* jitter, Puff* near, float* nearSideBySide) {
    static_assert(hn::MaxLanes(DF()) <= 16, "a block of puffs holds whole vectors");
    static_assert(kFewestForLanes >= 4, "a run fills a vector of four");
    const DF df;
    const size_t lanes = hn::Lanes(df);
    const size_t total = static_cast<size_t>(count);
    float lo[3], hi[3], jitterFloor;
    // A run shorter than a vector in vectors of four.
    if (total >= lanes)
        boxOfRun(df, total, points, jitter, lo, hi, jitterFloor);
    else
        boxOfRun(hn::CappedTag<float, 4>(), total, points, jitter, lo, hi, jitterFloor);

    const int32_t stride = puffStride(field->count);
    const float* cx = sideBySide;
    const float* cy = cx + stride;
    const float* cz = cy + stride;
    const float* reach = cz + stride;
    int32_t n = 0;
    for (int32_t j = 0; j < field->count; j += static_cast<int32_t>(lanes)) {
        const MF beyond = puffsBeyond(df, lo, hi, jitterFloor, hn::LoadU(df, cx + j), hn::LoadU(df, cy + j),
                                      hn::LoadU(df, cz + j), hn::LoadU(df, reach + j));
        const MF kept = hn::AndNot(beyond, hn::FirstN(df, static_cast<size_t>(field->count - j)));
        // The bits of the mask rather than a compressing store, which some processors take slowly.
        uint64_t bits = maskBits(kept);
        // Their blocks compressed in registers and stored whole: n <= j, so a store ends within
        // the block.
        const VI from = compressedLanes(kept);
        for (int block = 0; block < 4; ++block)
            hn::StoreU(compressed(hn::LoadU(df, sideBySide + block * stride + j), from), df,
                       nearSideBySide + block * stride + n);
        for (; bits != 0; bits &= bits - 1) near[n++] = field->puffs[j + __builtin_ctzll(bits)];
    }
    return n;
}

}  // namespace HWY_NAMESPACE
}  // namespace brumo
HWY_AFTER_NAMESPACE();

#endif  // BRUMO_HAVE_HIGHWAY

#if !BRUMO_HAVE_HIGHWAY || HWY_ONCE

namespace brumo {

#if BRUMO_HAVE_HIGHWAY
HWY_EXPORT(ShapeWeightMany);
HWY_EXPORT(PuffCoverageMany);
HWY_EXPORT(LinearMapMany);
HWY_EXPORT(PuffsNearMany);
HWY_EXPORT(StartRunInLanes);
HWY_EXPORT(ShapeNoiseInLanes);
HWY_EXPORT(KeepWeighedInLanes);
#endif

float shapeWeight(const Vector3& s, float start, uint32_t flags, const FalloffPair (&falloffs)[16], bool soft) {
    return density_one_lane::shapeWeightKernel({}, {s.x}, {s.y}, {s.z}, {start}, flags, falloffs, soft).raw;
}

void shapeWeightMany(int32_t count, const Vector3* points, const float* start, uint32_t flags,
                     const FalloffPair (&falloffs)[16], bool soft, float* out) {
#if BRUMO_HAVE_HIGHWAY
    if (worthLanes(count)) return HWY_DYNAMIC_DISPATCH(ShapeWeightMany)(count, points, start, flags, &falloffs, soft, out);
#endif
    for (int32_t i = 0; i < count; ++i) out[i] = shapeWeight(points[i], start[i], flags, falloffs, soft);
}

float puffCoverage(const PuffField& field, const Vector3& p, float jitter) {
    return density_one_lane::puffCoverageKernel({}, field, {p.x}, {p.y}, {p.z}, {jitter}).raw;
}

namespace {

// In one lane the points of a run go in groups of this many, each covered only by the puffs that
// reach the group's box, as a vector of lanes is: most puffs reach none of them.
constexpr int32_t kPointsPerPuffGroup = 8;
// The puffs a group tests against its box at once: a bit each in a 64-bit mask.
constexpr int32_t kPuffsPerBlock = 64;

void coverGroupByPuffsNear(const PuffField& field, const float* sideBySide, int32_t stride, int32_t count,
                           const Vector3* points, const float* jitter, float* out) {
    using namespace density_one_lane;
    const DF df;
    RunBox<VF> box;
    openRunBox(df, box);
    for (int32_t k = 0; k < count; ++k)
        widenRunBox(VF{points[k].x}, VF{points[k].y}, VF{points[k].z}, VF{jitter[k]}, box);
    const float lo[3] = {box.lo[0].raw, box.lo[1].raw, box.lo[2].raw};
    const float hi[3] = {box.hi[0].raw, box.hi[1].raw, box.hi[2].raw};
    const VF widthSquared{field.widthSquared};
    PuffCover covers[kPointsPerPuffGroup];
    for (int32_t k = 0; k < count; ++k) covers[k] = openPuffCover(df);
    // A block of puffs at a time, each point taking the block's puffs that reach the box in their
    // order; a point fully covered takes no more (they would change nothing).
    for (int32_t first = 0; first < field.count; first += kPuffsPerBlock) {
        const int32_t end = std::min(first + kPuffsPerBlock, field.count);
        uint64_t reaching = 0;
        for (int32_t j = first; j < end; ++j) {
            const MF beyond = puffsBeyond(df, lo, hi, box.jitterFloor.raw, VF{sideBySide[j]},
                                          VF{sideBySide[stride + j]}, VF{sideBySide[2 * stride + j]},
                                          VF{sideBySide[3 * stride + j]});
            if (!beyond.raw) reaching |= uint64_t{1} << (j - first);
        }
        for (int32_t k = 0; k < count; ++k) {
            const VF x{points[k].x}, y{points[k].y}, z{points[k].z}, j{jitter[k]};
            for (uint64_t bits = reaching; bits != 0 && !covers[k].full.raw; bits &= bits - 1)
                coverByPuff(df, field.puffs[first + __builtin_ctzll(bits)], widthSquared, x, y, z, j, covers[k]);
        }
    }
    for (int32_t k = 0; k < count; ++k) out[k] = closePuffCover(df, field, covers[k]).raw;
}

}  // namespace

void puffCoverageMany(const PuffField& field, const float* sideBySide, int32_t stride,
                      int32_t count, const Vector3* points, const float* jitter, float* out) {
#if BRUMO_HAVE_HIGHWAY
    if (worthLanes(count))
        return HWY_DYNAMIC_DISPATCH(PuffCoverageMany)(&field, sideBySide, stride, count, points, jitter, out);
#endif
    if (sideBySide == nullptr || count < kPointsPerPuffGroup) {
        for (int32_t i = 0; i < count; ++i) out[i] = puffCoverage(field, points[i], jitter[i]);
        return;
    }
    for (int32_t i = 0; i < count; i += kPointsPerPuffGroup) {
        const int32_t n = std::min(kPointsPerPuffGroup, count - i);
        coverGroupByPuffsNear(field, sideBySide, stride, n, points + i, jitter + i, out + i);
    }
}

void linearMapMany(const AffineTransform& t, int32_t count, const Vector3* points, Vector3* out) {
#if BRUMO_HAVE_HIGHWAY
    if (worthLanes(count)) return HWY_DYNAMIC_DISPATCH(LinearMapMany)(&t, count, points, out);
#endif
    for (int32_t i = 0; i < count; ++i) out[i] = applyLinear(t, points[i]);
}

int32_t startRunInLanes([[maybe_unused]] int32_t count, [[maybe_unused]] const Vector3* points,
                        [[maybe_unused]] bool ballCut, [[maybe_unused]] float* densities,
                        [[maybe_unused]] float* shapes, [[maybe_unused]] int32_t* candidates,
                        [[maybe_unused]] Vector3* candidatePoints, int32_t& kept) {
    kept = 0;
#if BRUMO_HAVE_HIGHWAY
    if (worthLanes(count))
        return HWY_DYNAMIC_DISPATCH(StartRunInLanes)(count, points, ballCut, densities, shapes, candidates,
                                                     candidatePoints, &kept);
#endif
    return 0;
}

int32_t keepWeighed(int32_t count, const float* factors, float floor, int32_t* going, Vector3* points,
                    float* weights, float ownFloor) {
    int32_t n = 0;
    int32_t i = 0;
#if BRUMO_HAVE_HIGHWAY
    if (worthLanes(count))
        i = HWY_DYNAMIC_DISPATCH(KeepWeighedInLanes)(count, factors, floor, ownFloor, going, points, weights, &n);
#endif
    for (; i < count; ++i) {
        const float own = weights[i];
        const float w = factors != nullptr ? factors[i] * own : own;
        going[n] = going[i];
        points[n] = points[i];
        weights[n] = w;
        n += w < floor || own < ownFloor ? 0 : 1;
    }
    return n;
}

int32_t shapeNoiseInLanes([[maybe_unused]] int32_t count, [[maybe_unused]] float* values,
                          [[maybe_unused]] const float* table) {
#if BRUMO_HAVE_HIGHWAY
    if (worthLanes(count)) return HWY_DYNAMIC_DISPATCH(ShapeNoiseInLanes)(count, values, table);
#endif
    return 0;
}

int32_t puffStride(int32_t puffCount) {
    // Whole vectors of the widest set, so that the last one of a block can be loaded.
    constexpr int32_t kWidest = 16;
    return (puffCount + kWidest - 1) / kWidest * kWidest;
}

void layPuffsSideBySide(const PuffField& field, float* out) {
    const int32_t stride = puffStride(field.count);
    for (int32_t k = 0; k < 4 * stride; ++k) out[k] = 0.0f;
    for (int32_t j = 0; j < field.count; ++j) {
        const Puff& puff = field.puffs[j];
        const float outer = puff.radius + puff.width;
        // Not a number where either edge is not: such a puff is never left out.
        const float reach =
            std::isnan(outer) || std::isnan(puff.radius) ? std::nanf("") : std::max(outer, puff.radius);
        out[j] = puff.centre.x;
        out[stride + j] = puff.centre.y;
        out[2 * stride + j] = puff.centre.z;
        out[3 * stride + j] = reach;
    }
}

int32_t puffsNearMany(const PuffField& field, const float* sideBySide, [[maybe_unused]] int32_t count,
                      [[maybe_unused]] const Vector3* points, [[maybe_unused]] const float* jitter, Puff* near,
                      float* nearSideBySide) {
#if BRUMO_HAVE_HIGHWAY
    if (worthLanes(count))
        return HWY_DYNAMIC_DISPATCH(PuffsNearMany)(&field, sideBySide, count, points, jitter, near, nearSideBySide);
#endif
    // Without vector lanes no run is culled here: every puff, which leaves out none that reaches
    // (the coverage then culls them for each group of points).
    for (int32_t j = 0; j < field.count; ++j) near[j] = field.puffs[j];
    std::memcpy(nearSideBySide, sideBySide, 4 * static_cast<size_t>(puffStride(field.count)) * sizeof(float));
    return field.count;
}

}  // namespace brumo

#endif
