#include "effects/smog.h"

#include "brumo/resource_texts.h"
#include "effects/colour_preset_popup.h"
#include "frame/panel_controls.h"
#include "primitive/density_stages.h"

namespace brumo {

namespace {

// The preset gradient each choice of the colour popup loads; the last is the clouds' ramp.
constexpr int32_t kPopupPresets[kColourPopupChoices] = {8, 9, 10, 11, 12, 1};

}  // namespace

static_assert(sizeof(SmogParameters) == sizeof(EffectParameters), "Smog appends no fields");

Smog::Smog() {
    parameters.noiseType = kFractalSum;
    loadResourceText(parameters.densityShaderName.get(), kTextFractalNoise);
}

void Smog::runStages(const DensityField& field, int32_t count, const Vector3* points, float* densities,
                     float* shapes, ShadingPoint* shading) {
    runDensityStages(field, *this, count, points, densities, shapes, shading);
}

QVResult Smog::handleEvent(int32_t kind, IQVUnknown* source, void* data) {
    applyColourPresetPopup(kind, source, kSmogColourPopup, kPopupPresets, parameters.colourGradient);
    return BrumoBase::handleEvent(kind, source, data);
}

int32_t Smog::parameterBlockSize() { return static_cast<int32_t>(sizeof(SmogParameters)); }

}  // namespace brumo
