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

    // The per-sample stages are defined here so that the run inlines them.
    // The mask comes before the move into noise space, so vortices never bend the outline; an
    // empty mask costs no noise.
    bool beforeShape(const DensityField&, const Vector3&, const Vector3& p, DensityLane& lane) override {
        lane.shapePoint = p;
        return true;
    }
    bool shapeReadsMovedPoint(const DensityField&) const override { return true; }
    bool startsInNoiseSpace(const DensityField&) const override { return true; }
    bool afterShape(const DensityField& field, const Vector3& point, const Vector3&, float m,
                    DensityLane& lane) override {
        if (m < kNegligible) return false;
        Vector3 q = lane.noisePoint;
        field.applyVortices(q, DensityField::sampleHeight(point));
        lane.noisePoint = q - field.parameters().noiseOffset;
        lane.mask = m;
        return true;
    }
    float afterNoise(const DensityLane& lane, float v) override { return lane.mask * v; }
    void runStages(const DensityField& field, int32_t count, const Vector3* points, float* densities,
                   float* shapes, ShadingPoint* shading) override;

    // The "SmoP" popup loads a colour preset into colourGradient and reads "NoPt" again; every
    // event then goes on to the common handling.
    QVResult QV_CALL handleEvent(int32_t kind, IQVUnknown* source, void* data) override;

    // Smog appends nothing to the common block.
    int32_t QV_CALL parameterBlockSize() override;
};

}  // namespace brumo
