// The shape mask and the clouds' puff coverage, each one kernel over lanes: one lane for a
// single point, vector lanes for a run. A point gives the same bits either way; without Highway,
// or with BRUMO_SIMD=scalar, the Many functions take their points in one lane.
#pragma once

#include <cstdint>

#include "brumo/parameter_blocks.h"
#include "math/affine_transform.h"
#include "math/vector3.h"

namespace brumo {

// A soft sphere: full coverage inside radius, fading out over width beyond it.
struct Puff {
    Vector3 centre;
    float radius;  // solid core
    float width;   // soft border, shared by all puffs
};

// The puffs of a cloud as the coverage reads them.
struct PuffField {
    const Puff* puffs;
    int32_t count;
    float widthSquared;
    float density;  // puffDensity: the scale of partial coverage
};

// The shape options of flags with their falloff pairs, applied to the weight start (the mesh's,
// or 1) at s, a point of the normalised cube: 0 outside the cube or where an option empties it.
float shapeWeight(const Vector3& s, float start, uint32_t flags, const FalloffPair (&falloffs)[16], bool soft);
void shapeWeightMany(int32_t count, const Vector3* points, const float* start, uint32_t flags,
                     const FalloffPair (&falloffs)[16], bool soft, float* out);

// Share of p covered by the puffs, their distances lengthened by jitter, scaled by the field's
// density where partial.
float puffCoverage(const PuffField& field, const Vector3& p, float jitter);
// Each vector of points (in one lane, each group of eight) takes only the puffs that reach its box,
// read from the field's puffs side by side (blocks stride floats apart, as puffsNearMany lays
// them), unless null.
void puffCoverageMany(const PuffField& field, const float* sideBySide, int32_t stride, int32_t count,
                      const Vector3* points, const float* jitter, float* out);

// The matrix of t (not its translation) applied to count points, into out (apart from points).
void linearMapMany(const AffineTransform& t, int32_t count, const Vector3* points, Vector3* out);

// The start of a run of count points through an effect's stages, for as many of its first points
// as fill whole vectors: 0 into their densities and shape values, and into candidates the indices,
// in order, of those a stage must see (within the unit ball where ballCut, else all), their points
// into candidatePoints unless null. Answers how many points it took (none without vector lanes)
// and sets kept to how many indices it wrote.
int32_t startRunInLanes(int32_t count, const Vector3* points, bool ballCut, float* densities, float* shapes,
                        int32_t* candidates, Vector3* candidatePoints, int32_t& kept);

// The samples of a run that stay, compacted in place in order: sample i's weight becomes
// factors[i] * weights[i] (weights[i] alone where factors is null) and it stays unless that is
// below floor, or weights[i] itself below ownFloor (a weight that is not a number stays).
// Answers how many stay.
int32_t keepWeighed(int32_t count, const float* factors, float floor, int32_t* going, Vector3* points,
                    float* weights, float ownFloor = -__builtin_inff());

// The noise shaping of a run, in place, for as many of its first values as fill whole vectors:
// each value v becomes table[shapingTableIndex(v)]. Answers how many it took (none without vector lanes).
int32_t shapeNoiseInLanes(int32_t count, float* values, const float* table);

// A cloud's puffs side by side, as puffsNearMany reads them: the x, y and z of the centres and
// the reaches (past which a puff covers nothing), each a block of puffStride(count) floats.
int32_t puffStride(int32_t puffCount);
void layPuffsSideBySide(const PuffField& field, float* out);
// The puffs, in their order, that may cover any of count points with their jitter, copied into
// near (room for every puff) and side by side into nearSideBySide (room for as many floats as
// sideBySide, in blocks as far apart); answers how many. A puff left out adds nothing to any of them.
int32_t puffsNearMany(const PuffField& field, const float* sideBySide, int32_t count, const Vector3* points,
                      const float* jitter, Puff* near, float* nearSideBySide);

}  // namespace brumo
