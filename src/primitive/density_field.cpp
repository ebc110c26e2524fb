#include "primitive/density_field.h"

#include <cmath>

#include "brumo/parameter_codes.h"
#include "brumo/volume_modifier.h"
#include "math/shaping.h"
#include "modifiers/basic_volume_modifier.h"
#include "primitive/density_lanes.h"
#include "primitive/density_stages.h"
#include "qv/exception.h"
#include "qv/scene_records.h"

namespace brumo {

namespace {

// Outside a march no mesh ray was cast: no crossings lie in front of a point, so it is outside.
inline float insideMesh(const MeshShape& mesh, const MeshCrossings* crossings, const Vector3& p) {
    return crossings != nullptr ? mesh.insideWeight(p, *crossings) : 0.0f;
}

// Octave sums are band-limited to this footprint; the detail parameter, through the lattice's
// maxFrequency, decides how many octaves actually run.
constexpr float kNoiseWidth = 0.002f;

}  // namespace

DensityField::DensityField(const PreparedVolume& volume, NoiseLattice& lattice, const EffectParameters& parameters,
                           DensityStages& stages)
    : volume_(volume), lattice_(lattice), parameters_(parameters), stages_(stages) {}

const MeshCrossings* DensityField::countCrossings(const MeshCrossings* crossings) {
    const MeshCrossings* before = crossings_;
    crossings_ = crossings;
    return before;
}

DensitySample DensityField::densityAt(const Vector3& point) const {
    DensitySample sample{0.0f, 0.0f, {kZeroVector, false}};
    stages_.runStages(*this, 1, &point, &sample.density, &sample.shape, &sample.shading);
    return sample;
}

void DensityStages::runStages(const DensityField& field, int32_t count, const Vector3* points, float* densities,
                              float* shapes, ShadingPoint* shading) {
    runDensityStages(field, *this, count, points, densities, shapes, shading);
}

void DensityStages::runStagesWhereDense(const DensityField& field, int32_t count, const Vector3* points,
                                        float* densities, float* shapes) {
    runStages(field, count, points, densities, shapes, nullptr);
}

bool DensityStages::beforeShape(const DensityField&, const Vector3&, const Vector3&, DensityLane&) {
    qv::raise(qv::kMissingOperation);
}

bool DensityStages::afterShape(const DensityField&, const Vector3&, const Vector3&, float, DensityLane&) {
    qv::raise(qv::kMissingOperation);
}

bool DensityStages::shapeReadsMovedPoint(const DensityField&) const { return false; }

bool DensityStages::startsInNoiseSpace(const DensityField&) const { return false; }

void DensityStages::weighRun(const DensityField&, int32_t, const Vector3*, const int32_t*, DensityLane*) {}

float DensityStages::afterNoise(const DensityLane&, float) { qv::raise(qv::kMissingOperation); }

Vector3 DensityField::applyModifiers(const Vector3& p) const {
    Vector3 moved = p;
    applyModifiersMany(1, &p, &moved);
    return moved;
}

void DensityField::applyModifiersMany(int32_t count, const Vector3* points, Vector3* moved) const {
    for (int32_t i = 0; i < count; ++i) moved[i] = points[i];
    Vector3 before[kDensityBatch];
    for (int32_t m = 0; m < volume_.modifiers.count(); ++m) {
        for (int32_t i = 0; i < count; ++i) before[i] = moved[i];
        BasicVolumeModifier* own = m < volume_.ownModifiers.count() ? volume_.ownModifiers[m] : nullptr;
        if (own != nullptr) {
            own->deformPoints(count, before, moved);
            continue;
        }
        for (int32_t i = 0; i < count; ++i) volume_.modifiers[m]->deformPoint(before[i], moved[i]);
    }
}

void DensityField::toNoiseSpaceMany(int32_t count, const Vector3* points, Vector3* out) const {
    linearMapMany(volume_.noiseTransform, count, points, out);
}

void DensityField::fromNoiseSpaceMany(int32_t count, const Vector3* points, Vector3* out) const {
    linearMapMany(volume_.noiseTransformInverse, count, points, out);
}

float DensityField::shapeMask(const Vector3& s, uint32_t flags, const FalloffPair (&falloffs)[16],
                             bool soft) const {
    float mask = 0.0f;
    shapeMaskMany(1, &s, flags, falloffs, soft, &mask);
    return mask;
}

void DensityField::shapeMaskMany(int32_t count, const Vector3* points, uint32_t flags,
                                 const FalloffPair (&falloffs)[16], bool soft, float* out) const {
    float start[kDensityBatch];
    for (int32_t i = 0; i < count; ++i)
        start[i] = parameters_.meshOff != 0 ? 1.0f : insideMesh(volume_.meshShape, crossings_, points[i]);
    shapeWeightMany(count, points, start, flags, falloffs, soft, out);
}

float DensityField::noiseField(const Vector3& n) const {
    float v = 0.0f;
    noiseFieldMany(1, &n, &v);
    return v;
}

float DensityField::shapedNoise(float v) const {
    // The index already holds v within [0, 1]; the table always holds 10000 entries (a
    // primitive without it is never built).
    return volume_.shapingTable[shapingTableIndex(v)];
}

void DensityField::noiseFieldMany(int32_t count, const Vector3* points, float* values, ShadingPoint* shading) const {
    // A host shader reads the sample point from a shading record of the host's defaults: one
    // point at a time, the last one handed on for the colour shader.
    if (volume_.densityShader || volume_.colourShader) {
        for (int32_t i = 0; i < count; ++i) {
            const Vector3& n = points[i];
            float v = 0.0f;
            if (parameters_.noiseType == kNoiseFromShader && volume_.densityShader) {
                QVShadingRecord record;
                qv::resetShadingRecord(record);
                record.point = {n.x, n.y, n.z};
                record.position = {n.x, n.y, n.z};
                uint8_t flag = 0;
                volume_.densityShader->evaluateValue(&v, &flag, &record);
            } else if (parameters_.noiseType != kNoiseFromShader) {
                builtInField(1, &n, &v);
            }
            values[i] = shapedNoise(v);
            if (shading != nullptr) *shading = {n, true};
        }
        return;
    }
    builtInField(count, points, values);
    for (int32_t i = shapeNoiseInLanes(count, values, &volume_.shapingTable[0]); i < count; ++i)
        values[i] = shapedNoise(values[i]);
}

void DensityField::builtInField(int32_t count, const Vector3* points, float* values) const {
    switch (parameters_.noiseType) {
    case kSpectralSum:
        lattice_.fractalSumSpectralMany(count, points, 0.5f, kNoiseWidth, values);
        for (int32_t i = 0; i < count; ++i) values[i] = values[i] * 1.5f;
        break;
    case kTurbulenceSum:
        lattice_.turbulenceScaledMany(count, points, 0.5f, kNoiseWidth, values);
        for (int32_t i = 0; i < count; ++i) values[i] = values[i] * 1.5f;
        break;
    case kRidgedSum:
        lattice_.ridgedSumMany(count, points, kNoiseWidth, values);
        break;
    case kFractalSum:
        lattice_.fractalSumScaledMany(count, points, 0.5f, kNoiseWidth, values);
        for (int32_t i = 0; i < count; ++i) values[i] = values[i] * 0.6f + 0.5f;
        break;
    default:
        // Type 0 without a host shader, or an unknown type: no field.
        for (int32_t i = 0; i < count; ++i) values[i] = 0.0f;
        break;
    }
}

}  // namespace brumo
