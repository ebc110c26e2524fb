#include "primitive/vortex.h"

namespace brumo {

namespace {

struct KindAxes {
    int32_t axisI;
    int32_t axisJ;
    int32_t axisK;
    uint8_t reverse;
};

// Indices 0 = x, 1 = y, 2 = z.
constexpr KindAxes kKindAxes[6] = {
    {1, 2, 0, 0},  // about x
    {2, 0, 1, 0},  // about y
    {0, 1, 2, 0},  // about z
    {2, 1, 0, 1},  // about x, lifting the other way
    {0, 2, 1, 1},  // about y, lifting the other way
    {1, 0, 2, 1},  // about z, lifting the other way
};

}  // namespace

void Vortex::setKind(int32_t newKind) {
    kind = newKind;
    // An unknown kind keeps the axes it had, so they always index a coordinate.
    if (newKind < 0 || newKind > 5) return;
    const KindAxes& axes = kKindAxes[newKind];
    axisI = axes.axisI;
    axisJ = axes.axisJ;
    axisK = axes.axisK;
    reverse = axes.reverse;
}

void Vortex::setRadius(float newRadius) {
    radius = newRadius;
    radiusSquared = newRadius * newRadius;
    inverseRadiusSquared = 1.0f / radiusSquared;
}

}  // namespace brumo
