// Row-major 3x3 matrix followed by a translation: p' = m p + translation.
#pragma once

#include "math/vector3.h"

namespace brumo {

struct AffineTransform {
    float m[3][3];
    Vector3 translation;

    static constexpr AffineTransform identity() {
        return {{{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}}, {0.0f, 0.0f, 0.0f}};
    }
};

inline constexpr AffineTransform kIdentityTransform = AffineTransform::identity();

// The matrix alone; the translation is not applied.
inline Vector3 applyLinear(const AffineTransform& t, const Vector3& p) {
    return {t.m[0][0] * p.x + t.m[0][1] * p.y + t.m[0][2] * p.z,
            t.m[1][0] * p.x + t.m[1][1] * p.y + t.m[1][2] * p.z,
            t.m[2][0] * p.x + t.m[2][1] * p.y + t.m[2][2] * p.z};
}

inline Vector3 applyAffine(const AffineTransform& t, const Vector3& p) {
    return applyLinear(t, p) + t.translation;
}

// Matrix product a x b, so applyLinear(a x b, p) = applyLinear(a, applyLinear(b, p)); the
// translation composes the same way (b's applied first).
AffineTransform multiply(const AffineTransform& a, const AffineTransform& b);

// Column i of the matrix becomes v.
void setColumn(AffineTransform& t, int i, const Vector3& v);

// Every matrix element times s; the translation is untouched.
void scaleRows(AffineTransform& t, float s);

// Matrix inverse by adjugate and determinant. A singular matrix (determinant 0) gives the
// identity matrix and false. The translation is untouched.
bool invert(AffineTransform& t);

// Inverse of the whole transform: inverse matrix, translation -(inverse matrix x translation).
bool invertAffine(AffineTransform& t);

}  // namespace brumo
