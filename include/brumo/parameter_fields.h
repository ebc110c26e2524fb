// The field table: name, byte offset and type of every field of every parameter block, taken
// from the records themselves. It is the one place the host, the CLI and the docs learn the
// layout from; defaults are read from a freshly created component's block.
#pragma once

#include <cstddef>
#include <cstdint>

#include "brumo/parameter_blocks.h"

namespace brumo {

enum class FieldType {
    float32,
    int32,
    fourCharCode,
    bitSet32,
    flag8,
    vector3,
    string,           // an SDK string object held in the block
    colourGradient,   // a list of colour keys
    falloffPairs16,   // sixteen (a, b) pairs, one per shape option bit
    componentList,    // the host's list of attached components
};

struct FieldInfo {
    const char* name;
    uint32_t offset;
    FieldType type;
};

struct ParameterTable {
    const char* className;
    const FieldInfo* fields;
    int32_t fieldCount;
    uint32_t blockSize;
};

#define BRUMO_FIELD(Block, member, type) \
    FieldInfo { #member, static_cast<uint32_t>(offsetof(Block, member)), FieldType::type }
#define BRUMO_COMMON_FIELD(Block, member, type)                                             \
    FieldInfo {                                                                             \
        #member, static_cast<uint32_t>(offsetof(Block, common) + offsetof(EffectParameters, member)), \
            FieldType::type                                                                 \
    }

#define BRUMO_EFFECT_FIELDS(Block)                                      \
    BRUMO_COMMON_FIELD(Block, size, float32),                           \
    BRUMO_COMMON_FIELD(Block, noiseScale, float32),                     \
    BRUMO_COMMON_FIELD(Block, noiseScaleXYZ, vector3),                  \
    BRUMO_COMMON_FIELD(Block, noiseOffset, vector3),                    \
    BRUMO_COMMON_FIELD(Block, noiseRotation, vector3),                  \
    BRUMO_COMMON_FIELD(Block, stepJitter, float32),                     \
    BRUMO_COMMON_FIELD(Block, quality, float32),                        \
    BRUMO_COMMON_FIELD(Block, densityAmount, float32),                  \
    BRUMO_COMMON_FIELD(Block, absorptionDistance, float32),             \
    BRUMO_COMMON_FIELD(Block, seedValue, float32),                      \
    BRUMO_COMMON_FIELD(Block, detail, float32),                         \
    BRUMO_COMMON_FIELD(Block, gainAmount, float32),                     \
    BRUMO_COMMON_FIELD(Block, biasAmount, float32),                     \
    BRUMO_COMMON_FIELD(Block, densityShaderName, string),               \
    BRUMO_COMMON_FIELD(Block, noiseType, int32),                        \
    BRUMO_COMMON_FIELD(Block, meshName, string),                        \
    BRUMO_COMMON_FIELD(Block, meshOff, int32),                          \
    BRUMO_COMMON_FIELD(Block, meshFalloff, float32),                    \
    BRUMO_COMMON_FIELD(Block, lightingMode, fourCharCode),              \
    BRUMO_COMMON_FIELD(Block, shadowStrength, float32),                 \
    BRUMO_COMMON_FIELD(Block, shadowDensityInfluence, float32),         \
    BRUMO_COMMON_FIELD(Block, shadowGradient, colourGradient),          \
    BRUMO_COMMON_FIELD(Block, lightDirection, vector3),                 \
    BRUMO_COMMON_FIELD(Block, colourGradient, colourGradient),          \
    BRUMO_COMMON_FIELD(Block, colourShapeFlags, bitSet32),              \
    BRUMO_COMMON_FIELD(Block, colourSourceMix, float32),                \
    BRUMO_COMMON_FIELD(Block, colourShapeFalloffs, falloffPairs16),     \
    BRUMO_COMMON_FIELD(Block, colourShaderName, string),                \
    BRUMO_COMMON_FIELD(Block, colourFromGradient, int32),               \
    BRUMO_COMMON_FIELD(Block, shapeFlags, bitSet32),                    \
    BRUMO_COMMON_FIELD(Block, shapeFalloffs, falloffPairs16),           \
    BRUMO_COMMON_FIELD(Block, dataComponents, componentList)

inline constexpr FieldInfo kSmogFields[] = {BRUMO_EFFECT_FIELDS(SmogParameters)};
inline constexpr FieldInfo kFireFields[] = {BRUMO_EFFECT_FIELDS(FireParameters),
                                            BRUMO_FIELD(FireParameters, flameStretch, float32)};
inline constexpr FieldInfo kRisingSmokeFields[] = {
    BRUMO_EFFECT_FIELDS(RisingSmokeParameters),
    BRUMO_FIELD(RisingSmokeParameters, baseSpread, float32),
    BRUMO_FIELD(RisingSmokeParameters, edgeSoftness, float32)};
inline constexpr FieldInfo kCloudsFields[] = {
    BRUMO_EFFECT_FIELDS(CloudsParameters),
    BRUMO_FIELD(CloudsParameters, puffCount, int32),
    BRUMO_FIELD(CloudsParameters, puffSeed, int32),
    BRUMO_FIELD(CloudsParameters, combineMode, fourCharCode),
    BRUMO_FIELD(CloudsParameters, puffSize, float32),
    BRUMO_FIELD(CloudsParameters, puffBlend, float32),
    BRUMO_FIELD(CloudsParameters, puffDensity, float32)};

inline constexpr FieldInfo kTaperFields[] = {
    BRUMO_FIELD(TaperParameters, amount, float32), BRUMO_FIELD(TaperParameters, start, float32),
    BRUMO_FIELD(TaperParameters, end, float32), BRUMO_FIELD(TaperParameters, axis, fourCharCode),
    BRUMO_FIELD(TaperParameters, invert, flag8), BRUMO_FIELD(TaperParameters, affectFirst, flag8),
    BRUMO_FIELD(TaperParameters, affectSecond, flag8)};
inline constexpr FieldInfo kWaveFields[] = {
    BRUMO_FIELD(WaveParameters, amplitude, float32), BRUMO_FIELD(WaveParameters, cycles, float32),
    BRUMO_FIELD(WaveParameters, phase, float32), BRUMO_FIELD(WaveParameters, start, float32),
    BRUMO_FIELD(WaveParameters, end, float32), BRUMO_FIELD(WaveParameters, axis, fourCharCode),
    BRUMO_FIELD(WaveParameters, waveMode, fourCharCode)};
inline constexpr FieldInfo kBulgeFields[] = {
    BRUMO_FIELD(BulgeParameters, amount, float32), BRUMO_FIELD(BulgeParameters, start, float32),
    BRUMO_FIELD(BulgeParameters, end, float32), BRUMO_FIELD(BulgeParameters, axis, fourCharCode),
    BRUMO_FIELD(BulgeParameters, affectFirst, flag8),
    BRUMO_FIELD(BulgeParameters, affectSecond, flag8)};
inline constexpr FieldInfo kPunchFields[] = {
    BRUMO_FIELD(PunchParameters, amount, float32), BRUMO_FIELD(PunchParameters, radius, float32),
    BRUMO_FIELD(PunchParameters, axis, fourCharCode), BRUMO_FIELD(PunchParameters, invert, flag8)};
inline constexpr FieldInfo kTwistFields[] = {
    BRUMO_FIELD(TwistParameters, angle, float32), BRUMO_FIELD(TwistParameters, start, float32),
    BRUMO_FIELD(TwistParameters, end, float32), BRUMO_FIELD(TwistParameters, axis, fourCharCode)};
inline constexpr FieldInfo kBendFields[] = {
    BRUMO_FIELD(BendParameters, angle, float32), BRUMO_FIELD(BendParameters, bendSecond, float32),
    BRUMO_FIELD(BendParameters, start, float32), BRUMO_FIELD(BendParameters, end, float32),
    BRUMO_FIELD(BendParameters, axis, fourCharCode)};
inline constexpr FieldInfo kShiftFields[] = {
    BRUMO_FIELD(ShiftParameters, shiftFirst, float32),
    BRUMO_FIELD(ShiftParameters, shiftSecond, float32),
    BRUMO_FIELD(ShiftParameters, start, float32), BRUMO_FIELD(ShiftParameters, end, float32),
    BRUMO_FIELD(ShiftParameters, axis, fourCharCode)};
inline constexpr FieldInfo kStretchFields[] = {
    BRUMO_FIELD(StretchParameters, amount, float32), BRUMO_FIELD(StretchParameters, curve, float32),
    BRUMO_FIELD(StretchParameters, start, float32), BRUMO_FIELD(StretchParameters, end, float32),
    BRUMO_FIELD(StretchParameters, axis, fourCharCode)};
inline constexpr FieldInfo kScaleFields[] = {BRUMO_FIELD(ScaleParameters, scaleX, float32),
                                             BRUMO_FIELD(ScaleParameters, scaleY, float32),
                                             BRUMO_FIELD(ScaleParameters, scaleZ, float32)};
inline constexpr FieldInfo kNoiseModifierFields[] = {
    BRUMO_FIELD(NoiseModifierParameters, directionX, float32),
    BRUMO_FIELD(NoiseModifierParameters, directionY, float32),
    BRUMO_FIELD(NoiseModifierParameters, directionZ, float32),
    BRUMO_FIELD(NoiseModifierParameters, noiseSize, float32),
    BRUMO_FIELD(NoiseModifierParameters, noiseScaleX, float32),
    BRUMO_FIELD(NoiseModifierParameters, noiseScaleY, float32),
    BRUMO_FIELD(NoiseModifierParameters, noiseScaleZ, float32),
    BRUMO_FIELD(NoiseModifierParameters, noiseOffsetX, float32),
    BRUMO_FIELD(NoiseModifierParameters, noiseOffsetY, float32),
    BRUMO_FIELD(NoiseModifierParameters, noiseOffsetZ, float32),
    BRUMO_FIELD(NoiseModifierParameters, rotationA, float32),
    BRUMO_FIELD(NoiseModifierParameters, rotationB, float32),
    BRUMO_FIELD(NoiseModifierParameters, rotationC, float32),
    BRUMO_FIELD(NoiseModifierParameters, seed, int32),
    BRUMO_FIELD(NoiseModifierParameters, shaderName, string),
    BRUMO_FIELD(NoiseModifierParameters, builtInNoise, int32)};

#undef BRUMO_EFFECT_FIELDS
#undef BRUMO_COMMON_FIELD
#undef BRUMO_FIELD

template <class Block, size_t N>
constexpr ParameterTable makeParameterTable(const char* className, const FieldInfo (&fields)[N]) {
    return ParameterTable{className, fields, static_cast<int32_t>(N), static_cast<uint32_t>(sizeof(Block))};
}

// Every class with a parameter block, in the factory's order.
inline constexpr ParameterTable kParameterTables[] = {
    makeParameterTable<FireParameters>("Fire", kFireFields),
    makeParameterTable<SmogParameters>("Smog", kSmogFields),
    makeParameterTable<RisingSmokeParameters>("RisingSmoke", kRisingSmokeFields),
    makeParameterTable<CloudsParameters>("Clouds", kCloudsFields),
    makeParameterTable<TaperParameters>("TaperModifier", kTaperFields),
    makeParameterTable<WaveParameters>("WaveModifier", kWaveFields),
    makeParameterTable<BulgeParameters>("BulgeModifier", kBulgeFields),
    makeParameterTable<PunchParameters>("PunchModifier", kPunchFields),
    makeParameterTable<TwistParameters>("TwistModifier", kTwistFields),
    makeParameterTable<BendParameters>("BendModifier", kBendFields),
    makeParameterTable<ShiftParameters>("ShiftModifier", kShiftFields),
    makeParameterTable<NoiseModifierParameters>("NoiseModifier", kNoiseModifierFields),
    makeParameterTable<StretchParameters>("StretchModifier", kStretchFields),
    makeParameterTable<ScaleParameters>("ScaleModifier", kScaleFields),
};

// The table of a class by name, or null.
inline const ParameterTable* findParameterTable(const char* className) {
    for (const ParameterTable& table : kParameterTables) {
        const char* a = table.className;
        const char* b = className;
        while (*a != '\0' && *a == *b) {
            ++a;
            ++b;
        }
        if (*a == *b) return &table;
    }
    return nullptr;
}

}  // namespace brumo
