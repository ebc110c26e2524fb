#include "effects/clouds.h"

#include <algorithm>
#include <cmath>

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
constexpr int32_t kFewestToSortPuffsFor = 8;
// Puffs few enough that sorting them per vector of points alone costs less than per run first.
constexpr int32_t kMostPuffsSortedPerVectorOnly = 16;

inline float fraction(float x) { return x - std::floor(x); }

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
      k1(0.0f), k2(0.0f), k3(0.0f), k4(0.0f), k5(0.0f), k6(0.0f),
      maskAfterPuffs(false) {
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

    // Falloffs this far from 0 leave every window's ramp finite.
    constexpr float kFarthestFalloff = 0x1p20f;
    bool finiteWindows = true;
    for (const FalloffPair& pair : parameters.shapeFalloffs)
        finiteWindows = finiteWindows && std::fabs(pair.a) <= kFarthestFalloff && std::fabs(pair.b) <= kFarthestFalloff;
    maskAfterPuffs = finiteWindows && parameters.meshOff != 0 &&
                     (combineMode == kCombineMasked || combineMode == kCombineMultiply);

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

    if (!puffsSideBySide.setCount(4 * puffStride(N)) || !nearSideBySide.setCount(4 * puffStride(N))) {
        puffsSideBySide.setCount(0);
        nearSideBySide.setCount(0);
    }
    if (puffsSideBySide.count() > 0) layPuffsSideBySide(puffField(), puffsSideBySide.data());
}

PuffField Clouds::puffField() const { return {puffs.data(), puffs.count(), widthSquared, puffDensity}; }

PuffField Clouds::puffsNear(int32_t count, const Vector3* points, const float* jitter, const float*& sideBySide) {
    sideBySide = puffsSideBySide.count() > 0 ? puffsSideBySide.data() : nullptr;
    // A few points cost as much to sort the puffs for as to cover.
    if (count < kFewestToSortPuffsFor || puffs.count() <= kMostPuffsSortedPerVectorOnly ||
        nearPuffs.count() != puffs.count() || sideBySide == nullptr)
        return puffField();
    const int32_t n = puffsNearMany(puffField(), puffsSideBySide.data(), count, points, jitter, nearPuffs.data(),
                                    nearSideBySide.data());
    sideBySide = nearSideBySide.data();
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
    // The samples of a run lie close together, and most puffs are far from all of them.
    const float* sideBySide = nullptr;
    const PuffField near = puffsNear(count, points, jitter, sideBySide);
    if (near.count > 0) {
        brumo::puffCoverageMany(near, sideBySide, puffStride(puffs.count()), count, points, jitter, coverage);
        return;
    }
    // What the coverage gives where no puff reaches: no share covered, times the density (not a
    // number for a density that is not one).
    const float uncovered = 0.0f * puffDensity;
    for (int32_t k = 0; k < count; ++k) coverage[k] = uncovered;
}

// The vortices swirl the point in noise space; out of line, so that the common case of none
// stays small enough for the stages to take inline.
[[gnu::noinline]] static void swirlShapePoint(const DensityField& field, const Vector3& point, const Vector3& p,
                                              DensityLane& lane) {
    Vector3 q = field.toNoiseSpace(p);
    field.applyVortices(q, point);
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

void Clouds::weighRun(const DensityField& field, int32_t count, const Vector3* moved, const int32_t* indices,
                      DensityLane* lanes) {
    if (count <= 0) return;
    float coverage[kDensityBatch];
    puffCoverageMany(count, moved, coverage);
    // The blend, deliberately unclamped, reads the noise even where nothing covers it.
    const bool blend = combineMode == kCombineBlend;
    const bool swirled = !field.volume().vortices.empty();
    for (int32_t k = 0; k < count; ++k) {
        DensityLane& lane = lanes[indices[k]];
        const float c = coverage[k] * lane.mask;
        lane.mask = c;
        if (!blend && c <= kNegligible)
            lane.needsNoise = false;
        else if (!swirled)
            lane.noisePoint = field.toNoiseSpace(moved[k]) - field.parameters().noiseOffset;
    }
}

float Clouds::afterNoise(const DensityLane& lane, float v) { return combine(lane.mask, v); }

float Clouds::combine(float c, float v) const {
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

// The stages of a run without vortices, each over the samples still going, kept side by side:
// the ball cut, the mask, the puffs, the noise and the combine (for a reader of shape values only
// where dense, the puffs before the mask where maskAfterPuffs holds). Every sample sees the
// arithmetic of the stages one by one, so the densities match a run through the generic driver.
template <int32_t capacity>
void Clouds::runUnswirled(const DensityField& field, int32_t runCount, const Vector3* points, float* densities,
                          float* shapes, ShadingPoint* shading, bool whereDense) {
    const int32_t count = capacity == 1 ? 1 : runCount;
    const EffectParameters& parameters = field.parameters();
    Vector3 movedPoints[capacity];
    const Vector3* moved = field.movedByModifiers(count, points, movedPoints);

    // Only the ball cut leaves samples out here, and with it no modifier moved a point: the
    // candidates' points are then taken as the cut keeps them.
    const bool ballCut = emptyBeyondUnitBall(field, *this);
    int32_t going[capacity];
    Vector3 stagePoints[capacity];
    const int32_t m =
        startRun<capacity>(count, points, ballCut, densities, shapes, going, ballCut ? stagePoints : nullptr);
    if (m == 0) return;
    // Without the cut every sample is a candidate, in order.
    if (!ballCut)
        for (int32_t j = 0; j < m; ++j) stagePoints[j] = moved[j];

    // The blend, deliberately unclamped, reads the noise even where nothing covers it; the others
    // only where the weight, coverage times mask, is above negligible.
    const float floor = combineMode == kCombineBlend ? -__builtin_inff() : std::nextafter(kNegligible, 1.0f);
    float weights[capacity];
    float coverage[capacity];
    int32_t kept = 0;
    if (whereDense && maskAfterPuffs) {
        // Most samples lie beyond every puff: only those the puffs cover read the mask. A mask of
        // at most 1 only lowers a coverage below the floor, so the samples kept are the same.
        puffCoverageMany(m, stagePoints, coverage);
        const int32_t n = keepWeighed(m, nullptr, floor, going, stagePoints, coverage);
        if (n == 0) return;
        field.shapeMaskMany(n, stagePoints, parameters.shapeFlags, parameters.shapeFalloffs, true, weights);
        for (int32_t j = 0; j < n; ++j) shapes[going[j]] = weights[j];
        // The mask's cut and the weight's, as the other order takes them one after the other.
        kept = keepWeighed(n, coverage, floor, going, stagePoints, weights, kNegligible);
    } else {
        field.shapeMaskMany(m, stagePoints, parameters.shapeFlags, parameters.shapeFalloffs, true, weights);
        for (int32_t j = 0; j < m; ++j) shapes[going[j]] = weights[j];
        // Any other mode leaves the cloud empty.
        if (combineMode != kCombineMasked && combineMode != kCombineBlend && combineMode != kCombineMultiply)
            return;
        const int32_t n = keepWeighed(m, nullptr, kNegligible, going, stagePoints, weights);
        if (n == 0) return;
        puffCoverageMany(n, stagePoints, coverage);
        kept = keepWeighed(n, coverage, floor, going, stagePoints, weights);
    }
    if (kept == 0) return;

    Vector3 noisePoints[capacity];
    field.toNoiseSpaceMany(kept, stagePoints, noisePoints);
    for (int32_t k = 0; k < kept; ++k) noisePoints[k] = noisePoints[k] - parameters.noiseOffset;
    float values[capacity];
    field.noiseFieldMany(kept, noisePoints, values, shading);
    for (int32_t k = 0; k < kept; ++k) densities[going[k]] = combine(weights[k], values[k]);
}

void Clouds::runAnyStages(const DensityField& field, int32_t count, const Vector3* points, float* densities,
                          float* shapes, ShadingPoint* shading, bool whereDense) {
    // Vortices move the mask's point, which the generic stages handle.
    if (!field.volume().vortices.empty())
        runDensityStages(field, *this, count, points, densities, shapes, shading);
    else if (count == 1)
        runUnswirled<1>(field, 1, points, densities, shapes, shading, whereDense);
    else
        runUnswirled<kDensityBatch>(field, count, points, densities, shapes, shading, whereDense);
}

void Clouds::runStages(const DensityField& field, int32_t count, const Vector3* points, float* densities,
                       float* shapes, ShadingPoint* shading) {
    runAnyStages(field, count, points, densities, shapes, shading, false);
}

void Clouds::runStagesWhereDense(const DensityField& field, int32_t count, const Vector3* points, float* densities,
                                 float* shapes) {
    runAnyStages(field, count, points, densities, shapes, nullptr, true);
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
