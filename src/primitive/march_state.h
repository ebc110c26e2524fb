// What one march works out for itself from the prepared volume and the parameter block: its
// step length, the jittered first step of a march along a ray, and the crossings of the mesh ray
// along which a mesh-shaped effect counts. A render or sampler call makes one after preparing; the
// component keeps none of it.
#pragma once

#include "brumo/parameter_blocks.h"
#include "math/vector3.h"
#include "primitive/density_field.h"
#include "primitive/prepared_volume.h"

namespace brumo {

class MarchState {
public:
    // While it lives, field counts mesh crossings along the ray this march cast last.
    MarchState(PreparedVolume& volume, const EffectParameters& parameters, DensityField& field);
    ~MarchState();
    MarchState(const MarchState&) = delete;
    MarchState& operator=(const MarchState&) = delete;

    // Step length from quality: 2 / (100 quality), 2 below quality 0.01, within [2^-14, 2].
    float stepLength() const { return step_; }
    // Length of the jittered first step of a march from start, or -1 without jitter.
    float firstStep(const Vector3& start, float length) const;
    // The mesh ray of a march along direction through start (normalised space), cast from where
    // the line enters the box [-1.5, 1.5]³, or from start when it misses that box.
    void castMeshRay(const Vector3& start, const Vector3& direction);

private:
    PreparedVolume& volume_;
    const EffectParameters& parameters_;
    float step_;
    DensityField& field_;
    const MeshCrossings* fieldCrossings_;  // what the field counted before, given back after
    MeshCrossings crossings_;
};

// The point a host shader last read, handed to the host colour shader for a sample that read
// none (the host's default (0, 0, 0) until one is read). It carries from sample to sample and
// from call to call, so the component owns it rather than a march.
class ShadingCarry {
public:
    // The sample with the point it read, or else the one read last.
    DensitySample carry(DensitySample sample) {
        if (sample.shading.read)
            last_ = sample.shading.point;
        else
            sample.shading.point = last_;
        return sample;
    }

private:
    Vector3 last_ = kZeroVector;
};

}  // namespace brumo
