#include "math/affine_transform.h"

namespace brumo {

AffineTransform multiply(const AffineTransform& a, const AffineTransform& b) {
    AffineTransform product;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            product.m[r][c] = a.m[r][0] * b.m[0][c] + a.m[r][1] * b.m[1][c] + a.m[r][2] * b.m[2][c];
    product.translation = applyLinear(a, b.translation) + a.translation;
    return product;
}

void setColumn(AffineTransform& t, int i, const Vector3& v) {
    t.m[0][i] = v.x;
    t.m[1][i] = v.y;
    t.m[2][i] = v.z;
}

void scaleRows(AffineTransform& t, float s) {
    for (auto& row : t.m)
        for (float& element : row) element *= s;
}

bool invert(AffineTransform& t) {
    const float(&m)[3][3] = t.m;
    const float det = m[0][0] * (m[1][1] * m[2][2] - m[2][1] * m[1][2]) -
                      m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                      m[0][2] * (m[2][1] * m[1][0] - m[1][1] * m[2][0]);
    if (det == 0.0f) {
        const Vector3 translation = t.translation;
        t = AffineTransform::identity();
        t.translation = translation;
        return false;
    }
    // Transposed cofactors over the determinant.
    float inverse[3][3];
    inverse[0][0] = (m[1][1] * m[2][2] - m[2][1] * m[1][2]) / det;
    inverse[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / det;
    inverse[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / det;
    inverse[1][0] = (m[1][2] * m[2][0] - m[1][0] * m[2][2]) / det;
    inverse[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / det;
    inverse[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / det;
    inverse[2][0] = (m[1][0] * m[2][1] - m[1][1] * m[2][0]) / det;
    inverse[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / det;
    inverse[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / det;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) t.m[r][c] = inverse[r][c];
    return true;
}

bool invertAffine(AffineTransform& t) {
    const bool regular = invert(t);
    t.translation = -applyLinear(t, t.translation);
    return regular;
}

}  // namespace brumo
