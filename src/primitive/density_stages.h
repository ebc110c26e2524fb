// An effect's density as stages, each taken for a whole run of samples: the modifiers, the
// effect's way to the shape point, the shape mask, the effect's weights, the noise field, the
// finish. One point is a run of one. Within a sample the stages run in the same order whatever
// the run, and the mask, puffs and noise give the same bits in vector lanes as in one, so a
// run's densities do not depend on how many points it holds.
//
// An effect class (final) runs it as its runStages, so that its stages are called directly
// rather than through the virtual table:
//
//   void Smog::runStages(const DensityField& f, int32_t n, const Vector3* p, float* d, float* s,
//                        ShadingPoint* shading) {
//       runDensityStages(f, *this, n, p, d, s, shading);
//   }
#pragma once

#include <type_traits>

#include "primitive/density_field.h"
#include "primitive/density_lanes.h"
#include "primitive/density_one_lane.h"

namespace brumo {

// True when the density is 0 at every point from unit radius on, before any stage: both balls of
// the mask are on, no modifier moves the point, and the effect hands the mask the point as it comes.
template <class Effect>
bool emptyBeyondUnitBall(const DensityField& field, const Effect& effect) {
    const uint32_t balls = kUpperBall | kLowerBall;
    return (field.parameters().shapeFlags & balls) == balls && field.volume().modifiers.empty() &&
           effect.shapeReadsMovedPoint(field);
}

// The ball cut of one point, the one-lane instance of the run's.
inline bool beyondUnitBall(const Vector3& p) {
    return density_one_lane::beyondUnitBallKernel({}, {p.x}, {p.y}, {p.z}).raw;
}

// The start of a run of at most capacity points: every sample's density and shape set to 0, and
// the indices, in order, of the samples a stage must see (within the unit ball where ballCut, else
// all) written to candidates, their points to candidatePoints unless null. Whole vectors in
// lanes, the rest one by one. Answers how many candidates it wrote.
template <int32_t capacity>
int32_t startRun(int32_t count, const Vector3* points, bool ballCut, float* densities, float* shapes,
                 int32_t* candidates, Vector3* candidatePoints) {
    int32_t kept = 0;
    int32_t i = 0;
    if constexpr (capacity > 1)
        i = startRunInLanes(count, points, ballCut, densities, shapes, candidates, candidatePoints, kept);
    for (; i < count; ++i) {
        shapes[i] = 0.0f;
        densities[i] = 0.0f;
        candidates[kept] = i;
        if (candidatePoints != nullptr) candidatePoints[kept] = points[i];
        kept += ballCut ? !beyondUnitBall(points[i]) : 1;
    }
    return kept;
}

namespace density_stages {

// The stages for runs of at most capacity points: instantiated for kDensityBatch, and for 1, so
// that a single point, the path of a march with host shaders or BRUMO_SIMD=point, keeps no
// bookkeeping of a run.
template <int32_t capacity, class Effect>
void run(const DensityField& field, Effect& effect, int32_t runCount, const Vector3* points, float* densities,
         float* shapes, ShadingPoint* shading) {
    const int32_t count = capacity == 1 ? 1 : runCount;
    Vector3 movedPoints[capacity];
    DensityLane lanes[capacity];
    // The samples still going, as indices into the run, and their points for the next stage.
    int32_t going[capacity];
    Vector3 stagePoints[capacity];
    float values[capacity];

    const Vector3* moved = field.movedByModifiers(count, points, movedPoints);

    // An effect that starts in noise space finds each moved point there in its lane, the whole
    // run mapped at once in vector lanes.
    Vector3 noiseSpace[capacity];
    const bool inNoiseSpace = effect.startsInNoiseSpace(field);
    if (inNoiseSpace) field.toNoiseSpaceMany(count, moved, noiseSpace);

    // Samples the ball shape empties need no stage at all. The cut keeps its candidates without a
    // branch: about half of the points of a cube lie outside the ball, in no order a predictor
    // could learn. Every sample starts with density and shape 0; the stages overwrite them.
    const bool ballCut = emptyBeyondUnitBall(field, effect);
    int32_t* candidates = going;
    const int32_t m = startRun<capacity>(count, points, ballCut, densities, shapes, candidates, nullptr);
    // An effect whose run-wide stage is the empty one of the base skips it and its bookkeeping.
    constexpr bool weighs = std::is_same_v<Effect, DensityStages> ||
                            !std::is_same_v<decltype(&Effect::weighRun), decltype(&DensityStages::weighRun)>;
    // A candidate's lane as the first stage finds it.
    auto openLane = [&](int32_t i) -> DensityLane& {
        DensityLane& lane = lanes[i];
        lane.density = 0.0f;
        if constexpr (weighs) lane.needsNoise = true;
        if (inNoiseSpace) lane.noisePoint = noiseSpace[i];
        return lane;
    };
    // going[n] <= candidates[j] at every step, so the list is compacted in place.
    int32_t n = 0;
    // Where the mask reads the moved point and no sample stops before it, the candidates go on as
    // they are, and with all of them the mask reads the moved points where they lie.
    const Vector3* shapePoints = stagePoints;
    if (effect.shapeReadsMovedPoint(field)) {
        for (int32_t j = 0; j < m; ++j) openLane(candidates[j]);
        n = m;
        if (m == count)
            shapePoints = moved;
        else
            for (int32_t j = 0; j < m; ++j) stagePoints[j] = moved[candidates[j]];
    } else {
        for (int32_t j = 0; j < m; ++j) {
            const int32_t i = candidates[j];
            DensityLane& lane = openLane(i);
            if (!effect.beforeShape(field, points[i], moved[i], lane)) {
                densities[i] = lane.density;
                continue;
            }
            going[n] = i;
            stagePoints[n] = lane.shapePoint;
            n += 1;
        }
    }

    const EffectParameters& parameters = field.parameters();
    // GCC 12 does not see that the loop above wrote every entry the call reads.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
    field.shapeMaskMany(n, shapePoints, parameters.shapeFlags, parameters.shapeFalloffs, true, values);
#pragma GCC diagnostic pop
    int32_t kept = 0;
    for (int32_t k = 0; k < n; ++k) {
        const int32_t i = going[k];
        shapes[i] = values[k];
        if (!effect.afterShape(field, points[i], moved[i], values[k], lanes[i])) {
            densities[i] = lanes[i].density;
            continue;
        }
        // The run-wide stage reads the moved point, the noise the noise point.
        stagePoints[kept] = weighs ? moved[i] : lanes[i].noisePoint;
        going[kept++] = i;
    }
    n = kept;
    if (n == 0) return;

    if constexpr (weighs) {
        effect.weighRun(field, n, stagePoints, going, lanes);
        kept = 0;
        for (int32_t k = 0; k < n; ++k) {
            const int32_t i = going[k];
            if (!lanes[i].needsNoise) {
                densities[i] = lanes[i].density;
                continue;
            }
            going[kept] = i;
            stagePoints[kept] = lanes[i].noisePoint;
            kept += 1;
        }
        n = kept;
    }

    field.noiseFieldMany(n, stagePoints, values, shading);
    for (int32_t k = 0; k < n; ++k) densities[going[k]] = effect.afterNoise(lanes[going[k]], values[k]);
}

}  // namespace density_stages

template <class Effect>
inline void runDensityStages(const DensityField& field, Effect& effect, int32_t count, const Vector3* points,
                             float* densities, float* shapes, ShadingPoint* shading) {
    if (count == 1)
        density_stages::run<1>(field, effect, 1, points, densities, shapes, shading);
    else
        density_stages::run<kDensityBatch>(field, effect, count, points, densities, shapes, shading);
}

}  // namespace brumo
