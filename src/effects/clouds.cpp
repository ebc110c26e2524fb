#include "effects/clouds.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "effects/effect_fields.h"
#include "frame/module_state.h"
#include "frame/panel_controls.h"
#include "math/shaping.h"
#include "primitive/colour_gradient.h"
#include "primitive/density_stages.h"
#include "primitive/shape_presets.h"
#include "qv/counted_ptr.h"
#include "qv/host_editor.h"

namespace brumo {

namespace {

constexpr int32_t kCloudRamp = 1;
constexpr float kPi = 3.14159265358979323846f;
constexpr float kE = 2.718281828459045f;
constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr int32_t kFewestToSortPuffsFor = 8;
// Samples that share one sorting of the puffs.
constexpr int32_t kPuffsSortedPer = 32;

inline float fraction(float x) { return x - std::floor(x); }

// A run's box finds its candidate puffs in slabs of the cube along each axis; the outer slabs
// reach on to infinity. The slab tables hold one bit per puff.
constexpr int32_t kSlabs = 8;
constexpr int32_t kMostPuffsInSlabs = 64;
// The jitter shortens distances by at most its run's lowest value: tables for reaches lengthened
// by multiples of kJitterStep, the level a run takes the first one not below its jitter.
constexpr int32_t kJitterLevels = 16;
constexpr float kJitterStep = 1.0f / 16.0f;
// Room for rounding in the slab a coordinate falls in and in the distances.
constexpr float kSlabMargin = 1.0f / 1024.0f;

inline int32_t slabOf(float c) {
    const float t = (c + 1.0f) * (0.5f * kSlabs);
    if (!(t >= 0.0f)) return 0;
    if (t >= static_cast<float>(kSlabs - 1)) return kSlabs - 1;
    return static_cast<int32_t>(t);
}

inline int32_t slabEntry(int32_t level, int axis, int32_t first, int32_t last) {
    return ((level * 3 + axis) * kSlabs + first) * kSlabs + last;
}

// The box around count points, and the lowest of their jitters (values that are not numbers left
// out). The coordinates in runs of 16 points side by side, which the compiler takes in vectors.
float runBox(int32_t count, const Vector3* points, const float* jitter, Vector3& lo, Vector3& hi) {
    constexpr int32_t kSide = 16;
    float low[3 * kSide], high[3 * kSide];
    for (int32_t i = 0; i < 3 * kSide; ++i) {
        low[i] = kInfinity;
        high[i] = -kInfinity;
    }
    static_assert(sizeof(Vector3) == 3 * sizeof(float), "points are packed coordinates");
    const float* coordinates = &points[0].x;
    int32_t k = 0;
    for (; k + kSide <= count; k += kSide) {
        const float* run = coordinates + 3 * k;
        for (int32_t i = 0; i < 3 * kSide; ++i) {
            low[i] = run[i] < low[i] ? run[i] : low[i];
            high[i] = run[i] > high[i] ? run[i] : high[i];
        }
    }
    for (; k < count; ++k) {
        const float* point = coordinates + 3 * k;
        for (int axis = 0; axis < 3; ++axis) {
            low[axis] = point[axis] < low[axis] ? point[axis] : low[axis];
            high[axis] = point[axis] > high[axis] ? point[axis] : high[axis];
        }
    }
    // Halving keeps each axis on its own entries (every width a multiple of 3) and the chains short.
    for (int32_t width = 3 * kSide / 2; width >= 3; width /= 2) {
        for (int32_t i = 0; i < width; ++i) {
            low[i] = low[i + width] < low[i] ? low[i + width] : low[i];
            high[i] = high[i + width] > high[i] ? high[i + width] : high[i];
        }
    }
    lo = {low[0], low[1], low[2]};
    hi = {high[0], high[1], high[2]};
    float floors[kSide];
    for (int32_t i = 0; i < kSide; ++i) floors[i] = kInfinity;
    for (k = 0; k + kSide <= count; k += kSide)
        for (int32_t i = 0; i < kSide; ++i) floors[i] = jitter[k + i] < floors[i] ? jitter[k + i] : floors[i];
    for (; k < count; ++k) floors[0] = jitter[k] < floors[0] ? jitter[k] : floors[0];
    for (int32_t width = kSide / 2; width >= 1; width /= 2)
        for (int32_t i = 0; i < width; ++i) floors[i] = floors[i + width] < floors[i] ? floors[i + width] : floors[i];
    return floors[0];
}

// The bits of the puffs whose reach, lengthened by jitter, overlaps slabs first..last of an axis.
// A reach or coordinate that is not a finite number overlaps every range.
uint64_t puffsOverlapping(const QVClassArray<Puff>& puffs, int axis, int32_t first, int32_t last, float jitter) {
    const float slab = 2.0f / kSlabs;
    const float from = first == 0 ? -kInfinity : -1.0f + static_cast<float>(first) * slab;
    const float to = last == kSlabs - 1 ? kInfinity : -1.0f + static_cast<float>(last + 1) * slab;
    uint64_t bits = 0;
    for (int32_t j = 0; j < puffs.count(); ++j) {
        const Puff& puff = puffs[j];
        const float outer = puff.radius + puff.width;
        const float reach = std::max(puff.radius, outer) + jitter + kSlabMargin;
        const float c = puff.centre[axis];
        const bool finite = std::isfinite(puff.radius) && std::isfinite(outer) && std::isfinite(reach);
        const bool apart = finite && (c - reach >= to || c + reach <= from);
        if (!apart) bits |= uint64_t{1} << j;
    }
    return bits;
}

}  // namespace

BRUMO_ASSERT_FOLLOWS_COMMON_BLOCK(Clouds, CloudsParameters, puffCount)
BRUMO_ASSERT_FOLLOWS_COMMON_BLOCK(Clouds, CloudsParameters, puffDensity)

Clouds::Clouds()
    : puffCount(1),
      puffSeed(131313),
      combineMode(kCombineMasked),
      puffSize(0.7f),
      puffBlend(0.5f),
      puffDensity(1.0f),
      puffReseedPending(1),
      widthSquared(0.0f),
      k1(0.0f), k2(0.0f), k3(0.0f), k4(0.0f), k5(0.0f), k6(0.0f) {
    // The puff lattice is created like any other, with a draw of its own from the host's
    // sequence; puffSeed then replaces that first seed before the lattice is ever built.
    puffLattice.create();
    puffLattice.seed = puffSeed;

    EffectParameters& p = parameters;
    p.noiseType = kSpectralSum;
    applyShapePreset(kBallPreset, false, p.shapeFlags, p.shapeFalloffs);
    copyPreset(kCloudRamp, p.colourGradient);
    p.absorptionDistance = 1.5f;
    p.lightingMode = kSceneLights;
}

void Clouds::prepareEffect() {
    if (puffReseedPending != 0 || puffLattice.seed != puffSeed) {
        puffLattice.seed = puffSeed;
        puffLattice.ready = false;
        puffLattice.buildLattice();
        puffReseedPending = 0;
    }

    const float b = puffBlend;
    k1 = 1.0f - b;
    k2 = b * (2.0f * b - 3.0f) + 1.0f;
    k3 = b * (2.0f * b - 1.0f);
    k4 = b * (4.0f - 4.0f * b);
    k5 = (b - (1.0f - b)) * 0.5f + 1.0f;
    k6 = 1.0f - (b - (1.0f - b)) * 0.5f;

    // A negative count builds no puffs, a count beyond the limit the limit; when the list cannot
    // hold them the cloud has none rather than a partial list.
    int32_t N = puffCount < 0 ? 0 : (puffCount > kMaxPuffs ? kMaxPuffs : puffCount);
    if (!puffs.setCount(N)) {
        puffs.setCount(0);
        N = 0;
    }
    if (!nearPuffs.setCount(N)) nearPuffs.setCount(0);

    // More puffs are smaller and spread further out.
    float S = 1.0f;
    for (int32_t i = 2; i <= N; ++i) {
        const float fi = static_cast<float>(i);
        S -= 1.0f / (fi * fi);
    }
    const float w = S * puffSize;
    widthSquared = w * w;

    auto nL = [this](float t) { return puffLattice.gradientNoiseLinear({t, t, t}); };
    for (int32_t j = 0; j < N; ++j) {
        const float g = static_cast<float>(j) + 0.5f;
        Vector3 direction{nL(g * kPi), nL(g * (2.0f * kPi)), nL(g * (kPi / 2.0f))};
        normalizeIfLonger(direction, 0.0f);
        const float m1 = (nL(g * kE) * 0.5f + 0.5f) * kPi;
        const float distance = fraction(m1) * (1.0f - S);
        const float m2 = (nL((static_cast<float>(j) - 0.5f) * kPi) * 0.5f + 0.5f) * kE;

        Puff& puff = puffs[j];
        puff.centre = distance * direction;
        puff.radius = fraction(m2) * (1.0f - puffSize) * S;
        puff.width = w;
    }

    const int32_t entries = kJitterLevels * 3 * kSlabs * kSlabs;
    if (N == 0 || N > kMostPuffsInSlabs || !slabPuffs.setCount(entries)) {
        slabPuffs.setCount(0);
        return;
    }
    for (int32_t level = 0; level < kJitterLevels; ++level)
        for (int axis = 0; axis < 3; ++axis)
            for (int32_t first = 0; first < kSlabs; ++first)
                for (int32_t last = first; last < kSlabs; ++last)
                    slabPuffs[slabEntry(level, axis, first, last)] =
                        puffsOverlapping(puffs, axis, first, last, static_cast<float>(level) * kJitterStep);
}

PuffField Clouds::puffField() const { return {puffs.data(), puffs.count(), widthSquared, puffDensity}; }

PuffField Clouds::puffsNear(int32_t count, const Vector3* points, const float* jitter) {
    // A few points cost as much to sort the puffs for as to cover.
    if (count < kFewestToSortPuffsFor || nearPuffs.count() != puffs.count()) return puffField();
    // The box around the points (coordinates that are not numbers left out: such a point's
    // distance to any puff is not a number, and it takes nothing from a puff).
    Vector3 lo = kZeroVector, hi = kZeroVector;
    const float jitterFloor = runBox(count, points, jitter, lo, hi);
    // The candidates: every puff, or those the slabs of the box leave.
    uint64_t candidates = 0;
    const float level = jitterFloor >= 0.0f ? 0.0f : std::ceil(-jitterFloor / kJitterStep);
    const bool slabbed = slabPuffs.count() > 0 && level < kJitterLevels && lo.x <= hi.x && lo.y <= hi.y &&
                         lo.z <= hi.z;
    if (slabbed) {
        candidates = ~uint64_t{0};
        for (int axis = 0; axis < 3; ++axis)
            candidates &= slabPuffs[slabEntry(static_cast<int32_t>(level), axis, slabOf(lo[axis]), slabOf(hi[axis]))];
    }
    int32_t n = 0;
    Puff* const near = nearPuffs.data();
    auto consider = [&](const Puff& puff) {
        // The distance to the box, worked out as the coverage works out the distance to a point:
        // rounding keeps the order, so no point's distance plus jitter is shorter than this.
        Vector3 gap;
        for (int axis = 0; axis < 3; ++axis) {
            const float c = puff.centre[axis];
            gap[axis] = std::max(std::max(lo[axis] - c, c - hi[axis]), 0.0f);
        }
        const float nearest = length(gap) + jitterFloor;
        // Written whether it stays or not (the next one may take its place): no branch to
        // mispredict. There is room, as no more puffs are kept than looked at.
        near[n] = puff;
        const bool beyond = (nearest >= puff.radius) & (nearest >= puff.radius + puff.width);
        n += beyond ? 0 : 1;
    };
    if (slabbed) {
        for (; candidates != 0; candidates &= candidates - 1) consider(puffs[__builtin_ctzll(candidates)]);
    } else {
        for (const Puff& puff : puffs) consider(puff);
    }
    return {nearPuffs.data(), n, widthSquared, puffDensity};
}

float Clouds::puffCoverage(const Vector3& p) {
    float coverage = 0.0f;
    puffCoverageMany(1, &p, &coverage);
    return coverage;
}

void Clouds::puffCoverageMany(int32_t count, const Vector3* points, float* coverage) {
    if (count <= 0) return;
    if (parameters.meshOff == 0) {
        for (int32_t k = 0; k < count; ++k) coverage[k] = 1.0f;
        return;
    }
    // The jitter roughens the puffs' outlines.
    Vector3 shifted[kDensityBatch];
    float jitter[kDensityBatch];
    for (int32_t k = 0; k < count; ++k) shifted[k] = points[k] + parameters.noiseOffset;
    // GCC 12 does not see that the loop above wrote every entry the call reads.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
    puffLattice.gradientNoiseCubicMany(count, shifted, jitter);
#pragma GCC diagnostic pop
    for (int32_t k = 0; k < count; ++k) jitter[k] = 0.5f * jitter[k];
    // A few samples in a row lie close together, and most puffs are far from all of them.
    for (int32_t start = 0; start < count; start += kPuffsSortedPer) {
        const int32_t n = count - start < kPuffsSortedPer ? count - start : kPuffsSortedPer;
        const PuffField near = puffsNear(n, points + start, jitter + start);
        if (near.count > 0) {
            brumo::puffCoverageMany(near, n, points + start, jitter + start, coverage + start);
            continue;
        }
        // What the coverage gives where no puff reaches: no share covered, times the density (not
        // a number for a density that is not one).
        const float uncovered = 0.0f * puffDensity;
        for (int32_t k = 0; k < n; ++k) coverage[start + k] = uncovered;
    }
}

// The vortices swirl the point in noise space; out of line, so that the common case of none
// stays small enough for the stages to take inline.
[[gnu::noinline]] static void swirlShapePoint(const DensityField& field, const Vector3& point, const Vector3& p,
                                              DensityLane& lane) {
    Vector3 q = field.toNoiseSpace(p);
    field.applyVortices(q, DensityField::sampleHeight(point));
    lane.noisePoint = q;
    lane.shapePoint = field.fromNoiseSpace(q);
}

bool Clouds::beforeShape(const DensityField& field, const Vector3& point, const Vector3& p, DensityLane& lane) {
    if (field.volume().vortices.empty())
        lane.shapePoint = p;
    else
        swirlShapePoint(field, point, p, lane);
    return true;
}

bool Clouds::shapeReadsMovedPoint(const DensityField& field) const { return field.volume().vortices.empty(); }

bool Clouds::afterShape(const DensityField& field, const Vector3&, const Vector3&, float m, DensityLane& lane) {
    if (m < kNegligible) return false;
    // Without vortices the noise point waits for the puffs, which leave most samples uncovered.
    if (!field.volume().vortices.empty()) lane.noisePoint = lane.noisePoint - field.parameters().noiseOffset;
    lane.mask = m;
    return combineMode == kCombineMasked || combineMode == kCombineBlend || combineMode == kCombineMultiply;
}

void Clouds::weighRun(const DensityField& field, int32_t count, const Vector3* moved, DensityLane* const* lanes) {
    if (count <= 0) return;
    float coverage[kDensityBatch];
    puffCoverageMany(count, moved, coverage);
    // The blend, deliberately unclamped, reads the noise even where nothing covers it.
    const bool blend = combineMode == kCombineBlend;
    const bool swirled = !field.volume().vortices.empty();
    for (int32_t k = 0; k < count; ++k) {
        DensityLane& lane = *lanes[k];
        const float c = coverage[k] * lane.mask;
        lane.mask = c;
        if (!blend && c <= kNegligible)
            lane.needsNoise = false;
        else if (!swirled)
            lane.noisePoint = field.toNoiseSpace(moved[k]) - field.parameters().noiseOffset;
    }
}

float Clouds::afterNoise(const DensityLane& lane, float v) {
    const float c = lane.mask;
    float d;
    if (combineMode == kCombineBlend) return k1 * v + puffBlend * c;
    if (combineMode == kCombineMasked) {
        d = c * (k6 * v + k5 * c);
    } else {
        if (v <= kNegligible) return 0.0f;
        d = k2 * v + k3 * c + k4 * v * c;
    }
    if (!(d > 0.0f)) return 0.0f;
    return d > 1.0f ? 1.0f : d;
}

void Clouds::runStages(const DensityField& field, int32_t count, const Vector3* points, float* densities,
                       float* shapes, ShadingPoint* shading) {
    runDensityStages(field, *this, count, points, densities, shapes, shading);
}

QVResult Clouds::handleEvent(int32_t kind, IQVUnknown* source, void* data) {
    if (source != nullptr) {
        QVCountedPtr<IMFPart> part;
        if (part.queryFrom(source, qv::IID_IMFPart) == qv::kOk && part &&
            part->partId() == kPuffSeedButton) {
            if (IQVUtilityService* utility = utilityService()) puffSeed = utility->nextRandom();
            puffReseedPending = 1;
            return qv::kOk;
        }
    }
    return BrumoBase::handleEvent(kind, source, data);
}

int32_t Clouds::parameterBlockSize() { return static_cast<int32_t>(sizeof(CloudsParameters)); }

void Clouds::addEffectInputs(GridInputs& inputs) const {
    inputs.add(puffCount);
    inputs.add(puffSeed);
    inputs.add(combineMode);
    inputs.add(puffSize);
    inputs.add(puffBlend);
    inputs.add(puffDensity);
    inputs.add(puffLattice.seed);
}

}  // namespace brumo
