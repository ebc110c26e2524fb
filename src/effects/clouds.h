// Clouds: billowing cloud bodies. A few soft spherical puffs placed pseudo-randomly inside the
// primitive give the lumps and the outline, the noise field gives them texture, and one of three
// combine modes decides how the two meet.
#pragma once

#include "frame/component.h"
#include "math/noise_lattice.h"
#include "primitive/brumo_base.h"
#include "primitive/density_lanes.h"

namespace brumo {

// The most puffs a cloud is built with; a larger puffCount builds this many. Coverage visits
// every puff per sample, so the limit also bounds the cost of a sample.
constexpr int32_t kMaxPuffs = 4096;

class Clouds final : public TQVComponent<Clouds, BrumoBase> {
public:
    // The common primitive with the spectral sum, the sphere shape, the cloud colour ramp,
    // absorption distance 1.5 and scene lights.
    Clouds();

    // Builds the puffs and the blend coefficients. The puff lattice is rebuilt when the editor
    // asked for a new seed or when puffSeed no longer names the seed it was built from (typed in,
    // or restored with a scene).
    void QV_CALL prepareEffect() override;
    bool beforeShape(const DensityField& field, const Vector3& point, const Vector3& moved, DensityLane& lane) override;
    bool shapeReadsMovedPoint(const DensityField& field) const override;
    bool afterShape(const DensityField& field, const Vector3& point, const Vector3& moved, float m,
                    DensityLane& lane) override;
    float afterNoise(const DensityLane& lane, float v) override;
    void runStages(const DensityField& field, int32_t count, const Vector3* points, float* densities,
                   float* shapes, ShadingPoint* shading) override;
    // As runStages; where maskAfterPuffs holds, the mask only of the samples the puffs cover.
    void runStagesWhereDense(const DensityField& field, int32_t count, const Vector3* points, float* densities,
                             float* shapes) override;
    // The density from the weight c (coverage times mask) and the noise value v, by combineMode.
    float combine(float c, float v) const;
    // runStages for a volume without vortices, for runs of at most capacity points.
    template <int32_t capacity>
    void runUnswirled(const DensityField& field, int32_t count, const Vector3* points, float* densities,
                      float* shapes, ShadingPoint* shading, bool whereDense);
    // Either of the two above.
    void runAnyStages(const DensityField& field, int32_t count, const Vector3* points, float* densities,
                      float* shapes, ShadingPoint* shading, bool whereDense);
    // The puffs' coverage of every sample of the run, in vector lanes, times its mask.
    void weighRun(const DensityField& field, int32_t count, const Vector3* moved, const int32_t* indices,
                  DensityLane* lanes) override;

    // "SpSe" draws a new puffSeed and answers 0 without passing the event on; every other event
    // goes to the common handling.
    QVResult QV_CALL handleEvent(int32_t kind, IQVUnknown* source, void* data) override;

    // The common block followed by the six puff parameters.
    int32_t QV_CALL parameterBlockSize() override;
    void addEffectInputs(GridInputs& inputs) const override;

    // Share of p covered by the puffs, scaled by puffDensity where partial; 1 when a mesh gives
    // the outline instead.
    float puffCoverage(const Vector3& p);
    // puffCoverage at count points (at most kDensityBatch), the jitter noise and puffs in lanes.
    void puffCoverageMany(int32_t count, const Vector3* points, float* coverage);
    PuffField puffField() const;
    // The puffs, in their order, that may cover any of count points with their jitter: a puff
    // left out adds nothing to any of them. sideBySide is set to them side by side (null when
    // that could not be had).
    PuffField puffsNear(int32_t count, const Vector3* points, const float* jitter, const float*& sideBySide);

    // Exchanged with the host right behind the common block (CloudsParameters): first members,
    // in this order.
    int32_t puffCount;
    int32_t puffSeed;
    uint32_t combineMode;
    float puffSize;
    float puffBlend;
    float puffDensity;

    // Internal state, not exchanged.
    NoiseLattice puffLattice;
    QVClassArray<Puff> puffs;
    // Room for the puffs that reach a run of samples (as many as puffs, or none when that could
    // not be had).
    QVClassArray<Puff> nearPuffs;
    // The puffs side by side for puffsNear (empty when that could not be had).
    QVClassArray<float> puffsSideBySide;
    // Room for the near puffs side by side, as many floats as puffsSideBySide.
    QVClassArray<float> nearSideBySide;
    uint8_t puffReseedPending;
    float widthSquared;
    float k1, k2, k3, k4, k5, k6;
    // True when the mask may come after the puffs for a reader of shape values only where dense:
    // the masked and multiplied modes without a mesh, whose mask, a product of windows that
    // finite falloffs keep within [0, 1], can only lower a coverage too thin to count.
    bool maskAfterPuffs;
};

}  // namespace brumo
