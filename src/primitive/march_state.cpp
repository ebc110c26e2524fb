#include "primitive/march_state.h"

namespace brumo {

namespace {

// The mesh ray starts where the line enters this box of the normalised space.
constexpr Vector3 kMeshRayBoxMin{-1.5f, -1.5f, -1.5f};
constexpr Vector3 kMeshRayBoxMax{1.5f, 1.5f, 1.5f};

float stepLengthOf(float quality) {
    float v = quality >= 0.01f ? 2.0f / (quality * 100.0f) : 2.0f;
    if (v <= kNegligible)
        v = kNegligible;
    else if (v >= 2.0f)
        v = 2.0f;
    return v;
}

}  // namespace

MarchState::MarchState(PreparedVolume& volume, const EffectParameters& parameters, DensityField& field)
    : volume_(volume),
      parameters_(parameters),
      step_(stepLengthOf(parameters.quality)),
      field_(field),
      fieldCrossings_(field.countCrossings(&crossings_)) {}

MarchState::~MarchState() { field_.countCrossings(fieldCrossings_); }

float MarchState::firstStep(const Vector3& start, float length) const {
    if (!(parameters_.stepJitter > 0.0f)) return -1.0f;
    // A first step of varying length, so that neighbouring segments do not sample in lockstep.
    const float n = volume_.lattice.gradientNoiseLinear({start.x * 1000.0f, start.y * 1000.0f, start.z * 1000.0f});
    float j = (n * parameters_.stepJitter + 1.0f) * step_;
    if (!(j >= 0.0f)) j = 0.0f;
    if (j > length) j = length;
    return j;
}

void MarchState::castMeshRay(const Vector3& start, const Vector3& direction) {
    Vector3 hit1, hit2;
    float t1 = 0.0f, t2 = 0.0f;
    Vector3 rayStart = start;
    if (MeshShape::rayBoxEntry(kMeshRayBoxMin, kMeshRayBoxMax, start, direction, hit1, t1, hit2, t2))
        rayStart = t1 < t2 ? hit1 : hit2;
    volume_.meshShape.castRay(rayStart, direction, crossings_);
}

}  // namespace brumo
