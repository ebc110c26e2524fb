// Scalar shaping curves: soft and linear falloff windows, smooth step, Perlin's bias and gain.
#pragma once

namespace brumo {

// Wyvill's soft-object falloff over u = x / range: 1 at u = 0, 0 at u = 1.
inline float softObject(float x, float range) {
    return 1.0f + x * (x * (17.0f / range - 4.0f * x / (range * range)) - 22.0f) / (9.0f * range);
}

// 1 below full, 0 from zero on, a ramp between. Testing full first means full >= zero never
// divides by zero.
inline float linearStep(float full, float zero, float x) {
    if (x < full) return 1.0f;
    if (x >= zero) return 0.0f;
    return (x - zero) / (full - zero);
}

inline float softStep(float full, float zero, float x) {
    if (x < full) return 1.0f;
    if (x >= zero) return 0.0f;
    return softObject(x - full, zero - full);
}

inline float smoothStep(float edge0, float edge1, float x) {
    if (x < edge0) return 0.0f;
    if (x >= edge1) return 1.0f;
    const float t = (x - edge0) / (edge1 - edge0);
    return t * t * (3.0f - 2.0f * t);
}

// t to the power ln b / ln 0.5: bias(b, 0.5) = b.
float bias(float b, float t);

// Bias mirrored about the middle: steepens (g > 0.5) or flattens the curve around t = 0.5.
float gain(float g, float t);

}  // namespace brumo
