// The field as the component reads it: one point at a time, carrying the point a host shader
// read last from sample to sample.
#include "math/vector_lanes.h"
#include "primitive/brumo_base.h"

namespace brumo {

DensitySample BrumoBase::densityAt(const Vector3& point) {
    return shadingCarry_.carry(field_.densityAt(point));
}

float BrumoBase::sampleDensity(const Vector3& point) { return densityAt(point).density; }

bool BrumoBase::batchedSampling() const {
    return !onePointSampling() && !prepared_.densityShader && !prepared_.colourShader;
}

}  // namespace brumo
