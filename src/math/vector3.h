// Operations on the single-precision three-component vector.
#pragma once

#include <cmath>

#include "brumo/vector3.h"

namespace brumo {

inline constexpr Vector3 kZeroVector{0.0f, 0.0f, 0.0f};
inline constexpr Vector3 kUnitDiagonal{1.0f, 1.0f, 1.0f};
// π / 180 as a float: angles the user gives in degrees, in radians.
inline constexpr float kDegreesToRadians = 0.017453292f;

inline Vector3 operator+(const Vector3& a, const Vector3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vector3 operator-(const Vector3& a, const Vector3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vector3 operator-(const Vector3& v) { return {-v.x, -v.y, -v.z}; }
inline Vector3 operator*(float s, const Vector3& v) { return {s * v.x, s * v.y, s * v.z}; }
inline Vector3 operator*(const Vector3& v, float s) { return {v.x * s, v.y * s, v.z * s}; }
inline Vector3& operator+=(Vector3& a, const Vector3& b) { return a = a + b; }
inline Vector3& operator-=(Vector3& a, const Vector3& b) { return a = a - b; }
inline Vector3& operator*=(Vector3& v, float s) { return v = v * s; }
inline bool operator==(const Vector3& a, const Vector3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
inline bool operator!=(const Vector3& a, const Vector3& b) { return !(a == b); }

inline Vector3 add(const Vector3& a, const Vector3& b) { return a + b; }
inline Vector3 subtract(const Vector3& a, const Vector3& b) { return a - b; }
// A double factor is narrowed to single precision before it scales.
inline Vector3 scale(float s, const Vector3& v) { return s * v; }

inline float dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline float length(const Vector3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

// out = v / |v| (v itself when it has zero length); answers |v|.
inline float normalizeCopy(const Vector3& v, Vector3& out) {
    out = v;
    const float len = length(v);
    if (len != 0.0f) out = v * (1.0f / len);
    return len;
}

// Normalises v only when it is longer than limit; with limit 0 any non-zero vector.
inline bool normalizeIfLonger(Vector3& v, float limit) {
    const float len = length(v);
    if (limit < len) {
        v = v * (1.0f / len);
        return true;
    }
    return false;
}

}  // namespace brumo
