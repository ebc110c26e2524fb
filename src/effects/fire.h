// Fire: ridged noise that thins out linearly with height and stretches upwards, coloured through
// one of six fire ramps chosen in its own popup.
#pragma once

#include "frame/component.h"
#include "primitive/brumo_base.h"

namespace brumo {

class Fire final : public TQVComponent<Fire, BrumoBase> {
public:
    // The common primitive with the ridged sum, quality 0.4, absorption distance 1.5, the first
    // fire ramp and text 5 as shader name.
    Fire();

    // The whole run at once: the stretch and the ramp in vector lanes, one lane for a single
    // point.
    void runStages(const DensityField& field, int32_t count, const Vector3* points, float* densities,
                   float* shapes, ShadingPoint* shading) override;

    // The "FirP" popup loads a fire ramp into colourGradient and reads "NoPt" again; every event
    // then goes on to the common handling.
    QVResult QV_CALL handleEvent(int32_t kind, IQVUnknown* source, void* data) override;

    // The common block followed by flameStretch.
    int32_t QV_CALL parameterBlockSize() override;
    void addEffectInputs(GridInputs& inputs) const override;

    // Exchanged with the host right behind the common block (FireParameters): first member.
    float flameStretch;
};

}  // namespace brumo
