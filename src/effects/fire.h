// Fire: ridged noise that thins out linearly with height and stretches upwards, coloured through
// one of six fire ramps chosen in its own popup.
#pragma once

#include <cmath>

#include "frame/component.h"
#include "primitive/brumo_base.h"

namespace brumo {

class Fire final : public TQVComponent<Fire, BrumoBase> {
public:
    // The common primitive with the ridged sum, quality 0.4, absorption distance 1.5, the first
    // fire ramp and text 5 as shader name.
    Fire();

    // The per-sample stages are defined here so that the run inlines them.
    bool startsInNoiseSpace(const DensityField&) const override { return true; }
    bool beforeShape(const DensityField& field, const Vector3& point, const Vector3&, DensityLane& lane) override {
        Vector3 q = lane.noisePoint;
        field.applyVortices(q, DensityField::sampleHeight(point));
        lane.noisePoint = q;
        lane.shapePoint = field.fromNoiseSpace(q);
        return true;
    }
    bool afterShape(const DensityField& field, const Vector3& point, const Vector3&, float m,
                    DensityLane& lane) override {
        if (m < kNegligible) return false;

        // Height above the bottom face of the point as received: 0 there, 2 at the top.
        const float h = point.z + 1.0f;
        // Noise space is squeezed vertically with height, so flames stretch towards the top.
        const float s = std::exp(-0.1f * flameStretch * h);
        Vector3 q = lane.noisePoint;
        q.z = q.z * (s * s);

        lane.noisePoint = q - field.parameters().noiseOffset;
        lane.mask = m;
        lane.extra = h;
        return true;
    }
    float afterNoise(const DensityLane& lane, float noise) override {
        const float m = lane.mask;
        const float h = lane.extra;
        // The ramp thins the flames until only the strongest ridges reach the top.
        float v = noise - 0.5f * h;
        if (!(v > 0.0f))
            v = 0.0f;
        else if (v > 1.0f)
            v = 1.0f;
        return v * m;
    }
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
