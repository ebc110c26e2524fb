#include "effects/smog.h"

#include "brumo/resource_texts.h"
#include "effects/colour_preset_popup.h"
#include "frame/panel_controls.h"
#include "primitive/density_field.h"
#include "primitive/density_lanes.h"
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

template <int32_t capacity>
void Smog::runUpTo(const DensityField& field, int32_t runCount, const Vector3* points, float* densities, float* shapes,
                   ShadingPoint* shading) {
    const int32_t count = capacity == 1 ? 1 : runCount;
    const PreparedVolume& volume = field.volume();
    const EffectParameters& parameters = field.parameters();
    Vector3 movedPoints[capacity];
    const Vector3* moved = field.movedByModifiers(count, points, movedPoints);
    // The samples the ball leaves, in order; every sample starts with density and shape 0.
    const bool ballCut = emptyBeyondUnitBall(field, *this);
    int32_t going[capacity];
    const int32_t m = startRun<capacity>(count, points, ballCut, densities, shapes, going, nullptr);
    if (m == 0) return;
    Vector3 stage[capacity];
    const Vector3* shapePoints = moved;
    if (m != count) {
        for (int32_t k = 0; k < m; ++k) stage[k] = moved[going[k]];
        shapePoints = stage;
    }
    float masks[capacity];
    field.shapeMaskMany(m, shapePoints, parameters.shapeFlags, parameters.shapeFalloffs, true, masks);
    // A mask that is not a number goes on, as it would through the noise. Into lists of their
    // own: compacting in place makes each step wait on the store before it.
    int32_t keptAt[capacity];
    float keptMasks[capacity];
    Vector3 keptPoints[capacity];
    int32_t kept = 0;
    for (int32_t k = 0; k < m; ++k) {
        const int32_t at = going[k];
        const float mask = masks[k];
        shapes[at] = mask;
        keptAt[kept] = at;
        keptMasks[kept] = mask;
        keptPoints[kept] = moved[at];
        kept += mask < kNegligible ? 0 : 1;
    }
    if (kept == 0) return;
    Vector3 noise[capacity];
    field.toNoiseSpaceMany(kept, keptPoints, noise);
    if (!volume.vortices.empty()) {
        Vector3 received[capacity];
        for (int32_t k = 0; k < kept; ++k) received[k] = points[keptAt[k]];
        field.applyVorticesMany(kept, noise, received);
    }
    const Vector3 offset = parameters.noiseOffset;
    for (int32_t k = 0; k < kept; ++k) noise[k] = noise[k] - offset;
    float values[capacity];
    field.noiseFieldMany(kept, noise, values, shading);
    for (int32_t k = 0; k < kept; ++k) densities[keptAt[k]] = keptMasks[k] * values[k];
}

void Smog::runStages(const DensityField& field, int32_t count, const Vector3* points, float* densities,
                     float* shapes, ShadingPoint* shading) {
    if (count == 1)
        runUpTo<1>(field, 1, points, densities, shapes, shading);
    else
        runUpTo<kDensityBatch>(field, count, points, densities, shapes, shading);
}

QVResult Smog::handleEvent(int32_t kind, IQVUnknown* source, void* data) {
    applyColourPresetPopup(kind, source, kSmogColourPopup, kPopupPresets, parameters.colourGradient);
    return BrumoBase::handleEvent(kind, source, data);
}

int32_t Smog::parameterBlockSize() { return static_cast<int32_t>(sizeof(SmogParameters)); }

}  // namespace brumo
