#include "host/render/transform.h"

#include <cmath>

namespace brumo::host {

namespace {

using Matrix = float[3][3];

void multiply(const Matrix a, const Matrix b, Matrix out) {
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            out[r][c] = a[r][0] * b[0][c] + a[r][1] * b[1][c] + a[r][2] * b[2][c];
}

void copy(const Matrix from, Matrix to) {
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) to[r][c] = from[r][c];
}

// Rotation by `degrees` about one axis (0 x, 1 y, 2 z), right-handed.
void rotation(int axis, float degrees, Matrix out) {
    const double radians = double(degrees) * 3.14159265358979323846 / 180.0;
    const float c = float(std::cos(radians));
    const float s = float(std::sin(radians));
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k) out[r][k] = r == k ? 1.0f : 0.0f;
    const int i = (axis + 1) % 3;
    const int j = (axis + 2) % 3;
    out[i][i] = c;
    out[i][j] = -s;
    out[j][i] = s;
    out[j][j] = c;
}

}  // namespace

AffineMap::AffineMap() : linear{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, offset{0.0f, 0.0f, 0.0f} {}

AffineMap AffineMap::fromTransform(const Transform& transform) {
    Matrix rx, ry, rz, ryx, rotate;
    rotation(0, transform.rotateDegrees.x, rx);
    rotation(1, transform.rotateDegrees.y, ry);
    rotation(2, transform.rotateDegrees.z, rz);
    multiply(ry, rx, ryx);
    multiply(rz, ryx, rotate);
    AffineMap map;
    const float scale[3] = {transform.scale.x, transform.scale.y, transform.scale.z};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) map.linear[r][c] = rotate[r][c] * scale[c];
    map.offset = transform.translate;
    return map;
}

QVVector3 AffineMap::applyLinear(const QVVector3& v) const {
    return {linear[0][0] * v.x + linear[0][1] * v.y + linear[0][2] * v.z,
            linear[1][0] * v.x + linear[1][1] * v.y + linear[1][2] * v.z,
            linear[2][0] * v.x + linear[2][1] * v.y + linear[2][2] * v.z};
}

QVVector3 AffineMap::apply(const QVVector3& p) const {
    const QVVector3 q = applyLinear(p);
    return {q.x + offset.x, q.y + offset.y, q.z + offset.z};
}

float AffineMap::determinant() const {
    const auto& m = linear;
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

bool AffineMap::invertible() const {
    const float d = determinant();
    return std::isfinite(d) && d != 0.0f;
}

AffineMap AffineMap::inverse() const {
    const auto& m = linear;
    const float inverseDeterminant = 1.0f / determinant();
    Matrix inverted = {
        {(m[1][1] * m[2][2] - m[1][2] * m[2][1]) * inverseDeterminant,
         (m[0][2] * m[2][1] - m[0][1] * m[2][2]) * inverseDeterminant,
         (m[0][1] * m[1][2] - m[0][2] * m[1][1]) * inverseDeterminant},
        {(m[1][2] * m[2][0] - m[1][0] * m[2][2]) * inverseDeterminant,
         (m[0][0] * m[2][2] - m[0][2] * m[2][0]) * inverseDeterminant,
         (m[0][2] * m[1][0] - m[0][0] * m[1][2]) * inverseDeterminant},
        {(m[1][0] * m[2][1] - m[1][1] * m[2][0]) * inverseDeterminant,
         (m[0][1] * m[2][0] - m[0][0] * m[2][1]) * inverseDeterminant,
         (m[0][0] * m[1][1] - m[0][1] * m[1][0]) * inverseDeterminant}};
    AffineMap result;
    copy(inverted, result.linear);
    const QVVector3 moved = result.applyLinear(offset);
    result.offset = {-moved.x, -moved.y, -moved.z};
    return result;
}

}  // namespace brumo::host
