#include "effects/fire.h"

#include <cmath>

#include "brumo/resource_texts.h"
#include "effects/colour_preset_popup.h"
#include "effects/effect_fields.h"
#include "frame/panel_controls.h"
#include "primitive/colour_gradient.h"
#include "primitive/density_stages.h"

namespace brumo {

namespace {

constexpr int32_t kFirstFireRamp = 2;

// The preset gradient each choice of the colour popup loads.
constexpr int32_t kPopupPresets[kColourPopupChoices] = {2, 3, 4, 5, 6, 7};

}  // namespace

BRUMO_ASSERT_FOLLOWS_COMMON_BLOCK(Fire, FireParameters, flameStretch)

Fire::Fire() : flameStretch(1.0f) {
    parameters.noiseType = kRidgedSum;
    parameters.quality = 0.4f;
    parameters.absorptionDistance = 1.5f;
    copyPreset(kFirstFireRamp, parameters.colourGradient);
    loadResourceText(parameters.densityShaderName.get(), kTextRidgedNoise);
}

bool Fire::beforeShape(const DensityField& field, const Vector3& point, const Vector3& p, DensityLane& lane) {
    Vector3 q = field.toNoiseSpace(p);
    field.applyVortices(q, DensityField::sampleHeight(point));
    lane.noisePoint = q;
    lane.shapePoint = field.fromNoiseSpace(q);
    return true;
}

bool Fire::afterShape(const DensityField& field, const Vector3& point, const Vector3&, float m, DensityLane& lane) {
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

float Fire::afterNoise(const DensityLane& lane, float noise) {
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

void Fire::runStages(const DensityField& field, int32_t count, const Vector3* points, float* densities,
                     float* shapes, ShadingPoint* shading) {
    runDensityStages(field, *this, count, points, densities, shapes, shading);
}

QVResult Fire::handleEvent(int32_t kind, IQVUnknown* source, void* data) {
    applyColourPresetPopup(kind, source, kFireColourPopup, kPopupPresets, parameters.colourGradient);
    return BrumoBase::handleEvent(kind, source, data);
}

int32_t Fire::parameterBlockSize() { return static_cast<int32_t>(sizeof(FireParameters)); }

void Fire::addEffectInputs(GridInputs& inputs) const {
    inputs.add(flameStretch);
}

}  // namespace brumo
