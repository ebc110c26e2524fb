// The density of one point as a run of one, and the stages through the virtual table for an
// effect that does not run them itself.
#include "math/vector_lanes.h"
#include "primitive/density_stages.h"

namespace brumo {

DensitySample BrumoBase::densityAt(const Vector3& point) {
    DensitySample sample{0.0f, 0.0f};
    sampleDensities(1, &point, &sample.density, &sample.shape);
    return sample;
}

float BrumoBase::sampleDensity(const Vector3& point) { return densityAt(point).density; }

bool BrumoBase::batchedSampling() const {
    return vectorLanesEnabled() && !densityShader && !colourShader;
}

void BrumoBase::sampleDensities(int32_t count, const Vector3* points, float* densities, float* shapes) {
    runDensityStages(*this, count, points, densities, shapes);
}

}  // namespace brumo
