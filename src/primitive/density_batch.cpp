// An effect's density in two halves around the noise field, one point at a time or many at once.
// Both ways run the same halves in the same order for each point; only the noise is taken in
// vector lanes, and the lanes give what the one-point noise gives, so the densities agree bit
// for bit.
#include "math/vector_lanes.h"
#include "primitive/brumo_base.h"

namespace brumo {

float BrumoBase::sampleDensity(const Vector3& point) {
    DensityLane lane;
    if (!densityBeforeNoise(point, applyModifiers(point), lane)) return lane.density;
    return densityAfterNoise(lane, noiseField(lane.noisePoint));
}

bool BrumoBase::batchedSampling() const {
    return vectorLanesEnabled() && !densityShader && !colourShader;
}

void BrumoBase::sampleDensities(int32_t count, const Vector3* points, float* densities, float* shapes) {
    Vector3 moved[kDensityBatch];
    DensityLane lanes[kDensityBatch];
    Vector3 noisePoints[kDensityBatch];
    int32_t noisy[kDensityBatch];
    float values[kDensityBatch];

    applyModifiersMany(count, points, moved);
    // Samples whose mask leaves nothing read no noise, as one at a time.
    int32_t n = 0;
    for (int32_t i = 0; i < count; ++i) {
        const bool needsNoise = densityBeforeNoise(points[i], moved[i], lanes[i]);
        shapes[i] = shapeValue;
        if (!needsNoise) {
            densities[i] = lanes[i].density;
            continue;
        }
        noisy[n] = i;
        noisePoints[n] = lanes[i].noisePoint;
        n += 1;
    }
    noiseFieldMany(n, noisePoints, values);
    for (int32_t k = 0; k < n; ++k) densities[noisy[k]] = densityAfterNoise(lanes[noisy[k]], values[k]);
}

}  // namespace brumo
