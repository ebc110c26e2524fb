// An effect's density as stages, each taken for a whole run of samples: the modifiers, the
// effect's way to the shape point, the shape mask, the effect's weights, the noise field, the
// finish. One point is a run of one. Within a sample the stages run in the one-point order, and
// the mask, puffs and noise give the same bits in vector lanes as one at a time, so a run's
// densities do not depend on how many points it holds.
#include "effects/density_lanes.h"
#include "math/vector_lanes.h"
#include "primitive/brumo_base.h"

namespace brumo {

float BrumoBase::sampleDensity(const Vector3& point) {
    float density = 0.0f;
    float shape = 0.0f;
    sampleDensities(1, &point, &density, &shape);
    shapeValue = shape;
    return density;
}

bool BrumoBase::batchedSampling() const {
    return vectorLanesEnabled() && !densityShader && !colourShader;
}

void BrumoBase::shapeMaskMany(int32_t count, const Vector3* points, float* out) {
    float start[kDensityBatch];
    for (int32_t i = 0; i < count; ++i) start[i] = parameters.meshOff != 0 ? 1.0f : meshShape.insideWeight(points[i]);
    shapeWeightMany(count, points, start, parameters.shapeFlags, parameters.shapeFalloffs, true, out);
}

void BrumoBase::sampleDensities(int32_t count, const Vector3* points, float* densities, float* shapes) {
    Vector3 moved[kDensityBatch];
    DensityLane lanes[kDensityBatch];
    // The samples still going, as indices into the run, and their points for the next stage.
    int32_t going[kDensityBatch];
    Vector3 stagePoints[kDensityBatch];
    float values[kDensityBatch];

    applyModifiersMany(count, points, moved);

    int32_t n = 0;
    for (int32_t i = 0; i < count; ++i) {
        shapes[i] = 0.0f;
        lanes[i].density = 0.0f;
        lanes[i].needsNoise = true;
        if (!beforeShape(points[i], moved[i], lanes[i])) {
            densities[i] = lanes[i].density;
            continue;
        }
        going[n] = i;
        stagePoints[n] = lanes[i].shapePoint;
        n += 1;
    }

    shapeMaskMany(n, stagePoints, values);
    int32_t kept = 0;
    for (int32_t k = 0; k < n; ++k) {
        const int32_t i = going[k];
        shapes[i] = values[k];
        if (!afterShape(points[i], moved[i], values[k], lanes[i])) {
            densities[i] = lanes[i].density;
            continue;
        }
        going[kept++] = i;
    }
    n = kept;

    DensityLane* weighed[kDensityBatch];
    for (int32_t k = 0; k < n; ++k) {
        weighed[k] = &lanes[going[k]];
        stagePoints[k] = moved[going[k]];
    }
    weighRun(n, stagePoints, weighed);
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

    // One point, or a host shader, takes the field one point at a time (a shader reads the point
    // from the shading record).
    if (n == 1 || densityShader || colourShader) {
        for (int32_t k = 0; k < n; ++k) values[k] = noiseField(stagePoints[k]);
    } else {
        noiseFieldMany(n, stagePoints, values);
    }
    for (int32_t k = 0; k < n; ++k) densities[going[k]] = afterNoise(lanes[going[k]], values[k]);
}

}  // namespace brumo
