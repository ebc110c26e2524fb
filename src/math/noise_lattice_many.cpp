// Placeholder batch functions: one point at a time.
#include "math/noise_lattice.h"
#include "math/vector_lanes.h"

#include <string_view>

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
const char* const kNames[] = {"placeholder", "scalar"};
}  // namespace

bool vectorLanesEnabled() { return !forcedScalar; }
const char* vectorTargetName() { return forcedScalar ? "scalar" : "placeholder"; }
int32_t vectorTargetCount() { return 2; }
const char* vectorTargetAt(int32_t index) { return index >= 0 && index < 2 ? kNames[index] : nullptr; }
bool selectVectorTarget(const char* name) {
    const std::string_view n = name != nullptr ? name : "";
    if (n == "scalar")
        forcedScalar = true;
    else if (n == "auto" || n == "placeholder")
        forcedScalar = false;
    else
        return false;
    return true;
}

}  // namespace brumo
