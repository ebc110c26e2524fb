// Where an effect stands in the world: scaled along its own axes, rotated about x, then y, then
// z (degrees), then moved. The renderer needs the map both ways: world rays go into the
// effect's local space, where its box and its march live.
#pragma once

#include "qv/scene_records.h"

namespace brumo::host {

struct Transform {
    QVVector3 translate{0.0f, 0.0f, 0.0f};
    QVVector3 rotateDegrees{0.0f, 0.0f, 0.0f};
    QVVector3 scale{1.0f, 1.0f, 1.0f};
};

// p' = linear × p + offset.
class AffineMap {
public:
    AffineMap();  // identity
    // local to world for the transform.
    static AffineMap fromTransform(const Transform& transform);

    QVVector3 apply(const QVVector3& p) const;
    QVVector3 applyLinear(const QVVector3& v) const;
    // The inverse map; only defined when every scale is non-zero (check invertible()).
    AffineMap inverse() const;
    float determinant() const;
    bool invertible() const;

    float linear[3][3];
    QVVector3 offset;
};

}  // namespace brumo::host
