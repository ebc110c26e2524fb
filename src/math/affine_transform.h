// Row-major 3x3 matrix followed by a translation: p' = m p + translation.
#pragma once

#include "math/one_lane.h"
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

namespace affine_one_lane {
namespace hn = one_lane;
#include "math/lane_types-inl.h"
#include "math/linear_map_kernels-inl.h"
}  // namespace affine_one_lane

// The matrix alone; the translation is not applied.
inline Vector3 applyLinear(const AffineTransform& t, const Vector3& p) {
    affine_one_lane::VF x, y, z;
    affine_one_lane::linearMapKernel({}, t, {p.x}, {p.y}, {p.z}, x, y, z);
    return {x.raw, y.raw, z.raw};
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
