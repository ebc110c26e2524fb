// The density of one point as a run of one, the shape mask over a run, and the stages through
// the virtual table for an effect that does not run them itself.
#include "math/vector_lanes.h"
#include "primitive/density_lanes.h"
#include "primitive/density_stages.h"

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
    runDensityStages(*this, count, points, densities, shapes);
}

}  // namespace brumo
