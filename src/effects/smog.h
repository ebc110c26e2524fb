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

    bool beforeShape(const DensityField& field, const Vector3& point, const Vector3& moved, DensityLane& lane) override;
    bool shapeReadsMovedPoint(const DensityField& field) const override;
    bool afterShape(const DensityField& field, const Vector3& point, const Vector3& moved, float m,
                    DensityLane& lane) override;
    float afterNoise(const DensityLane& lane, float v) override;
    void runStages(const DensityField& field, int32_t count, const Vector3* points, float* densities,
                   float* shapes, ShadingPoint* shading) override;

    // The "SmoP" popup loads a colour preset into colourGradient and reads "NoPt" again; every
    // event then goes on to the common handling.
    QVResult QV_CALL handleEvent(int32_t kind, IQVUnknown* source, void* data) override;

    // Smog appends nothing to the common block.
    int32_t QV_CALL parameterBlockSize() override;
};

}  // namespace brumo
