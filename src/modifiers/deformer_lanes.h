// The geometric deformers (taper, twist, wave, bulge, punch, shift, scale, stretch) for one point
// and for a run of points: one kernel each (deformer_kernels-inl.h), in one lane for a point, in
// vector lanes for the whole vectors of a run where they are on, the rest one point at a time. A
// point gives the same bits either way. The modifier's cache must be up to date.
#pragma once

#include <cstdint>

#include "math/vector3.h"

namespace brumo {

class StretchModifier;

template <class Modifier>
void deformOnePoint(const Modifier& modifier, const Vector3& in, Vector3& out);
template <class Modifier>
void deformRun(const Modifier& modifier, int32_t count, const Vector3* in, Vector3* out);

// The stretch's H(t), as its kernel computes it.
float stretchCurve(const StretchModifier& modifier, float t);

}  // namespace brumo
