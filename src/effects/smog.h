// Smog: a diffuse haze filling its shape, the shape mask times the fractal noise field, with a
// colour preset popup of its own.
#pragma once

#include "frame/component.h"
#include "primitive/brumo_base.h"

namespace brumo {

class Smog final : public TQVComponent<Smog, BrumoBase> {
public:
    // The common primitive with the fractal sum as density source and text 6 as shader name.
    Smog();

    // The mask reads the point as the modifiers leave it.
    bool shapeReadsMovedPoint(const DensityField&) const override { return true; }

    // The whole run at once: the ball cut, the mask on the moved points, then the noise of the
    // samples the mask leaves; the mask comes before the move into noise space, so vortices never
    // bend the outline, and an empty mask costs no noise.
    void runStages(const DensityField& field, int32_t count, const Vector3* points, float* densities,
                   float* shapes, ShadingPoint* shading) override;

    // The "SmoP" popup loads a colour preset into colourGradient and reads "NoPt" again; every
    // event then goes on to the common handling.
    QVResult QV_CALL handleEvent(int32_t kind, IQVUnknown* source, void* data) override;

    // Smog appends nothing to the common block.
    int32_t QV_CALL parameterBlockSize() override;

private:
    // runStages for runs of at most capacity points: a single point keeps no bookkeeping of a run.
    template <int32_t capacity>
    void runUpTo(const DensityField& field, int32_t count, const Vector3* points, float* densities, float* shapes,
                 ShadingPoint* shading);
};

}  // namespace brumo
