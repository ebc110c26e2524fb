#include "effects/fire.h"

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
