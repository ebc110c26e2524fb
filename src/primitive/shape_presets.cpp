#include "primitive/shape_presets.h"

#include "brumo/parameter_codes.h"

namespace brumo {

namespace {

struct ShapePreset {
    uint32_t densityCode;
    uint32_t colourCode;
    uint32_t flags;
    int first;  // the falloff pairs written
    int last;
    FalloffPair density;
    FalloffPair colour;
};

constexpr uint32_t kAllFades =
    kFadePositiveX | kFadePositiveY | kFadePositiveZ | kFadeNegativeX | kFadeNegativeY | kFadeNegativeZ;

constexpr ShapePreset kShapePresets[] = {
    {kBallPreset, qv::fourcc("Pre1"), kUpperBall | kLowerBall, 0, 1, {0.0f, 0.3f}, {0.0f, 1.0f}},
    {kCylinderPreset, qv::fourcc("Pre2"), kCylinderZ, 6, 6, {0.0f, 0.3f}, {0.0f, 1.0f}},
    {kBoxPreset, qv::fourcc("Pre3"), kAllFades, 10, 15, {0.0f, 0.1f}, {0.0f, 0.5f}},
    {kHollowCorePreset, qv::fourcc("Pre4"), kHollowCoreX, 7, 7, {0.3f, 0.5f}, {0.0f, 1.0f}},
    {kTopFadePreset, qv::fourcc("Pre5"), kFadePositiveZ, 12, 12, {0.0f, 0.3f}, {0.0f, 1.0f}},
};

}  // namespace

void applyShapePreset(uint32_t code, bool colourBank, uint32_t& flags, FalloffPair (&falloffs)[16]) {
    for (const ShapePreset& preset : kShapePresets) {
        if ((colourBank ? preset.colourCode : preset.densityCode) != code) continue;
        flags = preset.flags;
        setFalloffPairs(falloffs, preset.first, preset.last, colourBank ? preset.colour : preset.density);
        return;
    }
    flags = 0;
}

uint32_t shapePresetFlags(uint32_t code) {
    for (const ShapePreset& preset : kShapePresets)
        if (preset.densityCode == code || preset.colourCode == code) return preset.flags;
    return 0;
}

void setFalloffPairs(FalloffPair (&falloffs)[16], int first, int last, FalloffPair value) {
    for (int k = first; k <= last; ++k) falloffs[k] = value;
}

}  // namespace brumo
