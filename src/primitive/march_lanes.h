// The march's lookups for a run of samples: colour-gradient colours and trilinear shadow-grid
// values, in vector lanes when they are on. The lanes do the one-point arithmetic in the same
// order (no fused multiply-add), so a run gives the same bits as its samples one at a time.
#pragma once

#include <cstdint>

#include "brumo/colour.h"
#include "math/vector3.h"

namespace brumo {

// evaluate(gradient, x[i]) for count values.
void evaluateMany(const ColourGradient& gradient, int32_t count, const float* x, ColourRGBA* out);

// trilinearLookup(values, r, points[i]) for count points.
void trilinearMany(const float* values, int32_t r, int32_t count, const Vector3* points, float* out);

}  // namespace brumo
