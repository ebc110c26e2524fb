// RisingSmoke: a column of smoke that widens as it rises. A funnel profile narrows the column
// towards the base, noise space is remapped along the column (stretched low down, finer near the
// base), and a ladder of vortices tied to the noise offset curls the noise as it rises.
#pragma once

#include "frame/component.h"
#include "primitive/brumo_base.h"

namespace brumo {

// The most vortices one set of the ladder holds. Extreme ratios of the noise scales would ask
// for ever more rungs (and a cost per sample to match); the ladder stops at this many.
constexpr int32_t kMaxLadderVortices = 256;

// The column's numbers as the density kernels read them.
struct SmokeColumn {
    float halfHeight;  // b: half the cube's height in noise space
    float baseSpread;  // k: the squared funnel radius at the base
    float edgeSoftness;
};

class RisingSmoke final : public TQVComponent<RisingSmoke, BrumoBase> {
public:
    // The common primitive with turbulence, the top-fade shape and text 4 as shader name.
    RisingSmoke();

    // Rebuilds the vortex ladder from the noise scales and offset. A set whose scales are below
    // 2^-14 or not finite has no rungs; otherwise at most kMaxLadderVortices.
    void QV_CALL prepareEffect() override;
    // The whole run at once: the column remap, the vortices and the funnel for every sample,
    // the mask and the noise only for those with smoke. Zero where the column height d is not
    // positive or the spread (1 - k) d + k is not.
    void runStages(const DensityField& field, int32_t count, const Vector3* points, float* densities,
                   float* shapes, ShadingPoint* shading) override;

    // The common block followed by baseSpread and edgeSoftness.
    int32_t QV_CALL parameterBlockSize() override;
    void addEffectInputs(GridInputs& inputs) const override;

    // Exchanged with the host right behind the common block (RisingSmokeParameters): first
    // members, in this order.
    float baseSpread;
    float edgeSoftness;
    // Half height of the cube in noise space; derived by prepareEffect, not exchanged.
    float columnHalfHeight;

private:
    template <int32_t capacity>
    void runUpTo(const DensityField& field, int32_t count, const Vector3* points, float* densities, float* shapes,
                 ShadingPoint* shading);
};

}  // namespace brumo
