// The taper, twist and wave deformers for one point and for a run of points: one kernel each
// (deformer_kernels-inl.h), in one lane for a point, in vector lanes for the whole vectors of a
// run where they are on. A point gives the same bits either way. The modifier's cache must be up
// to date.
#pragma once

#include <cstdint>

#include "math/vector3.h"

namespace brumo {

class TaperModifier;
class TwistModifier;
class WaveModifier;

void taperPoint(const TaperModifier& modifier, const Vector3& in, Vector3& out);
void taperPoints(const TaperModifier& modifier, int32_t count, const Vector3* in, Vector3* out);
void twistPoint(const TwistModifier& modifier, const Vector3& in, Vector3& out);
void twistPoints(const TwistModifier& modifier, int32_t count, const Vector3* in, Vector3* out);
void wavePoint(const WaveModifier& modifier, const Vector3& in, Vector3& out);
void wavePoints(const WaveModifier& modifier, int32_t count, const Vector3* in, Vector3* out);

}  // namespace brumo
