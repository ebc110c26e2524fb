// A swirl applied to noise-space points: a twist about an axis through `centre`, strongest on the
// axis and gone at `radius`, with a lift along the axis proportional to the angle.
#pragma once

#include <cstdint>

#include "math/vector3.h"

namespace brumo {

struct Vortex {
    int32_t kind = 0;
    float radius = 0.5f;
    Vector3 centre{0.0f, 0.0f, 0.0f};
    float lift = 0.1f;
    float twist = 60.0f;  // degrees at the axis, before the height factor
    float radiusSquared = 0.25f;
    float inverseRadiusSquared = 4.0f;
    int32_t axisI = 1;  // the two rotated coordinates ...
    int32_t axisJ = 2;
    int32_t axisK = 0;  // ... and the lifted one
    uint8_t reverse = 0;

    // Kinds 0-2 turn about x, y, z; kinds 3-5 swap the rotated pair and reverse the angle, so
    // they turn the same way about the same axis but lift the other way.
    void setKind(int32_t newKind);
    void setRadius(float newRadius);
};

// The vortex list (applied from the last to the first) over count points in place, each turned
// by the height (0 at the bottom face of the cube, 1 at the top) of heightsOf[i], the sample's
// point as the effect reads it; in vector lanes for whole vectors where they are on, the rest in one lane.
void swirlPoints(const Vortex* vortices, int32_t vortexCount, int32_t count, Vector3* points,
                 const Vector3* heightsOf);
// The same for one point.
void swirlPoint(const Vortex* vortices, int32_t vortexCount, Vector3& point, const Vector3& heightOf);

}  // namespace brumo
