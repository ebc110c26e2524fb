// Placeholder batch functions: one point at a time.
#include "math/noise_lattice.h"
#include "math/vector_lanes.h"

namespace brumo {

void NoiseLattice::gradientNoiseLinearMany(int32_t count, const Vector3* points, float* out) {
    for (int32_t i = 0; i < count; ++i) out[i] = gradientNoiseLinear(points[i]);
}
void NoiseLattice::gradientNoiseCubicMany(int32_t count, const Vector3* points, float* out) {
    for (int32_t i = 0; i < count; ++i) out[i] = gradientNoiseCubic(points[i]);
}
void NoiseLattice::gradientNoiseQuinticMany(int32_t count, const Vector3* points, float* out) {
    for (int32_t i = 0; i < count; ++i) out[i] = gradientNoiseQuintic(points[i]);
}
void NoiseLattice::fractalSumScaledMany(int32_t count, const Vector3* points, float gain, float width,
                                        float* out) {
    for (int32_t i = 0; i < count; ++i) out[i] = fractalSumScaled(points[i], gain, width);
}
void NoiseLattice::turbulenceScaledMany(int32_t count, const Vector3* points, float gain, float width,
                                        float* out) {
    for (int32_t i = 0; i < count; ++i) out[i] = turbulenceScaled(points[i], gain, width);
}
void NoiseLattice::fractalSumSpectralMany(int32_t count, const Vector3* points, float h, float width,
                                          float* out) {
    for (int32_t i = 0; i < count; ++i) out[i] = fractalSumSpectral(points[i], h, width);
}
void NoiseLattice::ridgedSumMany(int32_t count, const Vector3* points, float width, float* out) {
    for (int32_t i = 0; i < count; ++i) out[i] = ridgedSum(points[i], width);
}

namespace {
bool forcedScalar = false;
}

bool vectorLanesEnabled() { return !forcedScalar; }
const char* vectorTargetName() { return forcedScalar ? "scalar" : "placeholder"; }
std::vector<std::string> vectorTargetNames() { return {"placeholder", "scalar"}; }
bool selectVectorTarget(const std::string& name) {
    if (name == "scalar") forcedScalar = true;
    else if (name == "auto" || name == "placeholder") forcedScalar = false;
    else return false;
    return true;
}

}  // namespace brumo
