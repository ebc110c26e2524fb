// The field table: name, byte offset and type of every field of every parameter block, taken
// from the records themselves, with what each field means, the values that take effect and the
// names of its codes and bits. It is the one place the host, the CLI and the docs learn the
// layout from; defaults are read from a freshly created component's block.
#pragma once

#include <cstddef>
#include <cstdint>

#include "brumo/parameter_blocks.h"
#include "brumo/parameter_codes.h"

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

// A value a person can name: a four-character code ("Opt2"), a bit of a bit set (its mask) or
// a number of a numbered choice.
struct FieldChoice {
    const char* name;
    uint32_t value;
    const char* meaning;
};

struct FieldInfo {
    const char* name;
    uint32_t offset;
    FieldType type;
    const char* meaning = "";  // one line
    const char* unit = "";     // empty when the value has none
    // The values that take effect as written; `outside` says what the module does with others.
    bool ranged = false;
    double low = 0.0;
    double high = 0.0;
    bool openLow = false;  // low itself is outside
    const char* outside = "";
    const FieldChoice* choices = nullptr;  // codes, bits or numbers with names
    int32_t choiceCount = 0;
    bool randomDefault = false;  // each new component draws its own default

    constexpr FieldInfo drawnAtRandom() const {
        FieldInfo f = *this;
        f.randomDefault = true;
        return f;
    }
    constexpr FieldInfo described(const char* text) const {
        FieldInfo f = *this;
        f.meaning = text;
        return f;
    }
    constexpr FieldInfo in(const char* unitName) const {
        FieldInfo f = *this;
        f.unit = unitName;
        return f;
    }
    constexpr FieldInfo range(double from, double to, const char* otherwise, bool lowOutside = false) const {
        FieldInfo f = *this;
        f.ranged = true;
        f.low = from;
        f.high = to;
        f.openLow = lowOutside;
        f.outside = otherwise;
        return f;
    }
    template <size_t N>
    constexpr FieldInfo named(const FieldChoice (&list)[N], const char* otherwise) const {
        FieldInfo f = *this;
        f.choices = list;
        f.choiceCount = static_cast<int32_t>(N);
        f.outside = otherwise;
        return f;
    }
    // Whether the value lies where it takes effect as written.
    constexpr bool inRange(double v) const {
        return !ranged || (v <= high && (openLow ? v > low : v >= low));
    }
};

struct ParameterTable {
    const char* className;
    const FieldInfo* fields;
    int32_t fieldCount;
    uint32_t blockSize;
};

// The smallest value the module tells apart from zero (steps, depths, divisors).
inline constexpr double kFieldNegligible = 0.00006103515625;  // 2^-14

inline constexpr FieldChoice kNoiseTypeChoices[] = {
    {"shader", kNoiseFromShader, "the host shader named by densityShaderName"},
    {"spectral", kSpectralSum, "spectral sum of noise octaves"},
    {"turbulence", kTurbulenceSum, "turbulence (sum of absolute octaves)"},
    {"ridged", kRidgedSum, "ridged sum: sharp crests, as in flames"},
    {"fractal", kFractalSum, "fractal sum: soft, even haze"}};
inline constexpr FieldChoice kLightingChoices[] = {
    {"off", kNoShadows, "no lighting and no shadows"},
    {"fixed", kFixedLight, "one white light from lightDirection, with shadows"},
    {"scene", kSceneLights, "the scene's distant lights, with shadows"}};
// The same bits serve the density shape (shapeFlags) and the colour shape (colourShapeFlags).
inline constexpr FieldChoice kShapeChoices[] = {
    {"upperBall", kUpperBall, "upper half of the unit ball"},
    {"lowerBall", kLowerBall, "lower half of the unit ball"},
    {"upperHollowBall", kUpperHollowBall, "upper half with the density removed near the centre"},
    {"lowerHollowBall", kLowerHollowBall, "lower half with the density removed near the centre"},
    {"cylinderX", kCylinderX, "cylinder along x"},
    {"cylinderY", kCylinderY, "cylinder along y"},
    {"cylinderZ", kCylinderZ, "upright cylinder along z, in each half without a ball option (flames)"},
    {"hollowCoreX", kHollowCoreX, "hollow core along x"},
    {"hollowCoreY", kHollowCoreY, "hollow core along y"},
    {"hollowCoreZ", kHollowCoreZ, "hollow core along z"},
    {"fadePlusX", kFadePositiveX, "fades out towards +x"},
    {"fadePlusY", kFadePositiveY, "fades out towards +y"},
    {"fadePlusZ", kFadePositiveZ, "fades out towards +z (the top)"},
    {"fadeMinusX", kFadeNegativeX, "fades out towards -x"},
    {"fadeMinusY", kFadeNegativeY, "fades out towards -y"},
    {"fadeMinusZ", kFadeNegativeZ, "fades out towards -z (the bottom)"}};
inline constexpr FieldChoice kCombineChoices[] = {
    {"masked", kCombineMasked, "noise weighted by the puffs' coverage, plus the coverage"},
    {"blend", kCombineBlend, "(1 - puffBlend) x noise + puffBlend x coverage, unclamped"},
    {"multiply", kCombineMultiply, "noise at puffBlend 0, noise x coverage at 0.5, coverage at 1"}};
inline constexpr FieldChoice kAxisChoices[] = {{"x", kAxisX, "along x"},
                                               {"y", kAxisY, "along y"},
                                               {"z", kAxisZ, "along z"}};
inline constexpr FieldChoice kWaveChoices[] = {
    {"alongAxis", kWaveAlongAxis, "the cross-section swells and narrows along the axis"},
    {"acrossSecond", kWaveAcrossSecond, "the axis is squeezed by the second cross coordinate"},
    {"acrossFirst", kWaveAcrossFirst, "the axis is squeezed by the first cross coordinate"},
    {"radial", kWaveRadial, "the axis is squeezed by the distance from it"}};

#define BRUMO_FIELD(Block, member, type) \
    FieldInfo { #member, static_cast<uint32_t>(offsetof(Block, member)), FieldType::type }
#define BRUMO_COMMON_FIELD(Block, member, type)                                             \
    FieldInfo {                                                                             \
        #member, static_cast<uint32_t>(offsetof(Block, common) + offsetof(EffectParameters, member)), \
            FieldType::type                                                                 \
    }

#define BRUMO_EFFECT_FIELDS(Block)                                                                  \
    BRUMO_COMMON_FIELD(Block, size, float32)                                                        \
        .described("half edge of the effect's cube")                                                \
        .in("scene units")                                                                          \
        .range(0.0, 1e30, "the effect is empty", true),                                             \
    BRUMO_COMMON_FIELD(Block, noiseScale, float32)                                                  \
        .described("overall size of the noise pattern: larger values give larger features")         \
        .range(kFieldNegligible, 1e30, "the noise pattern collapses to one value", true),           \
    BRUMO_COMMON_FIELD(Block, noiseScaleXYZ, vector3)                                               \
        .described("per-axis size of the noise pattern")                                            \
        .in("percent"),                                                                             \
    BRUMO_COMMON_FIELD(Block, noiseOffset, vector3)                                                 \
        .described("offset of the noise pattern; animate it to move the vapour through the shape"), \
    BRUMO_COMMON_FIELD(Block, noiseRotation, vector3)                                               \
        .described("rotation of the noise pattern")                                                 \
        .in("degrees"),                                                                             \
    BRUMO_COMMON_FIELD(Block, stepJitter, float32)                                                  \
        .described("variation of each ray's first step, which hides banding")                       \
        .range(0.0, 1e30, "no jitter, as 0"),                                                       \
    BRUMO_COMMON_FIELD(Block, quality, float32)                                                     \
        .described("samples per ray: the cube's edge takes 100 x quality steps")                    \
        .range(0.01, 327.68, "the step length is clamped to its shortest or longest"),   \
    BRUMO_COMMON_FIELD(Block, densityAmount, float32)                                               \
        .described("density multiplier")                                                            \
        .range(0.0, 1e30, "the effect is empty", true),                                             \
    BRUMO_COMMON_FIELD(Block, absorptionDistance, float32)                                          \
        .described("distance over which light is absorbed: smaller is more opaque")                 \
        .in("cube units")                                                                           \
        .range(kFieldNegligible, 1e30, "nothing is absorbed: the vapour never becomes opaque", true), \
    BRUMO_COMMON_FIELD(Block, seedValue, float32).described("seed of the noise pattern"),         \
    BRUMO_COMMON_FIELD(Block, detail, float32)                                                      \
        .described("finest noise octave: the highest frequency is 2 x 2^detail"),                   \
    BRUMO_COMMON_FIELD(Block, gainAmount, float32)                                                  \
        .described("contrast of the noise (gain curve; 0.5 leaves it)")                             \
        .range(0.0, 1.0, "the curve leaves [0, 1] and its values are clamped"),                     \
    BRUMO_COMMON_FIELD(Block, biasAmount, float32)                                                  \
        .described("brightness of the noise (bias curve; 0.5 leaves it, higher is denser)")         \
        .range(kFieldNegligible, 0.99993896484375, "clamped to 0.000061 .. 0.99994"),               \
    BRUMO_COMMON_FIELD(Block, densityShaderName, string)                                            \
        .described("host shader giving the density; used only when noiseType is \"shader\""),      \
    BRUMO_COMMON_FIELD(Block, noiseType, int32)                                                     \
        .described("source of the density")                                                         \
        .named(kNoiseTypeChoices, "the density is 0 everywhere: the effect is empty"),              \
    BRUMO_COMMON_FIELD(Block, meshName, string)                                                     \
        .described("mesh whose inside holds the vapour (set it with the effect's \"mesh\" key)"),   \
    BRUMO_COMMON_FIELD(Block, meshOff, int32).described("nonzero: no mesh shaping"),              \
    BRUMO_COMMON_FIELD(Block, meshFalloff, float32)                                                 \
        .described("soft border of the mesh shaping (0: a hard border)")                            \
        .range(0.0, 1e30, "a hard border, as 0"),                                                   \
    BRUMO_COMMON_FIELD(Block, lightingMode, fourCharCode)                                           \
        .described("how the vapour is lit and shadowed")                                            \
        .named(kLightingChoices, "no lighting, as \"off\""),                                        \
    BRUMO_COMMON_FIELD(Block, shadowStrength, float32)                                              \
        .described("how far shadowed vapour moves towards the shadow colour (0 none, 1 fully)")     \
        .range(0.0, 1.0, "shadows are weakened or overdone beyond the shadow colour"),              \
    BRUMO_COMMON_FIELD(Block, shadowDensityInfluence, float32)                                      \
        .described("0: every sample is shadowed alike; 1: thin vapour is shadowed less")            \
        .range(0.0, 1.0, "clamped to 0 .. 1 per sample"),                                           \
    BRUMO_COMMON_FIELD(Block, shadowGradient, colourGradient)                                       \
        .described("colour of shadowed vapour, by depth of shadow"),                                \
    BRUMO_COMMON_FIELD(Block, lightDirection, vector3)                                              \
        .described("direction the fixed light travels in (lightingMode \"fixed\")"),                \
    BRUMO_COMMON_FIELD(Block, colourGradient, colourGradient)                                       \
        .described("colour of the vapour by its colour index (see colourSourceMix)"),               \
    BRUMO_COMMON_FIELD(Block, colourShapeFlags, bitSet32)                                           \
        .described("shape options of the colour group; kept with the effect, not used to render")   \
        .named(kShapeChoices, "bits above 15 mean nothing"),                                        \
    BRUMO_COMMON_FIELD(Block, colourSourceMix, float32)                                             \
        .described("colour index: 0 the density, 0.5 density x shape, 1 the shape value")           \
        .range(0.0, 1.0, "the sources are extrapolated and the index clamped to 0 .. 1"),           \
    BRUMO_COMMON_FIELD(Block, colourShapeFalloffs, falloffPairs16)                                  \
        .described("falloff pairs of colourShapeFlags; kept with the effect, not used to render"),  \
    BRUMO_COMMON_FIELD(Block, colourShaderName, string)                                             \
        .described("host shader giving the colour; used only when colourFromGradient is 0"),        \
    BRUMO_COMMON_FIELD(Block, colourFromGradient, int32)                                            \
        .described("nonzero: colour from colourGradient; 0: from the colourShaderName shader"),     \
    BRUMO_COMMON_FIELD(Block, shapeFlags, bitSet32)                                                 \
        .described("shape options that mask the density (names or a number)")                      \
        .named(kShapeChoices, "bits above 15 mean nothing"),                                        \
    BRUMO_COMMON_FIELD(Block, shapeFalloffs, falloffPairs16)                                        \
        .described("pair k of shape bit k: full density inside 1 - b, none from 1 - a outwards"),   \
    BRUMO_COMMON_FIELD(Block, dataComponents, componentList)                                        \
        .described("the attached modifiers (the effect's \"modifiers\" key)")

#define BRUMO_AXIS_FIELD(Block)                                   \
    BRUMO_FIELD(Block, axis, fourCharCode)                        \
        .described("the modifier's main axis")                    \
        .named(kAxisChoices, "the modifier keeps its previous axis, z at first")
#define BRUMO_SPAN_FIELDS(Block)                                                           \
    BRUMO_FIELD(Block, start, float32)                                                     \
        .described("where the change begins, as a fraction along the axis (0 bottom, 1 top)"), \
    BRUMO_FIELD(Block, end, float32).described("where the change is complete, as a fraction along the axis")
#define BRUMO_AFFECT_FIELDS(Block)                                                            \
    BRUMO_FIELD(Block, affectFirst, flag8).described("the first cross axis is scaled"),       \
    BRUMO_FIELD(Block, affectSecond, flag8).described("the second cross axis is scaled")

inline constexpr FieldInfo kSmogFields[] = {BRUMO_EFFECT_FIELDS(SmogParameters)};
inline constexpr FieldInfo kFireFields[] = {
    BRUMO_EFFECT_FIELDS(FireParameters),
    BRUMO_FIELD(FireParameters, flameStretch, float32)
        .described("how fast the noise is squeezed with height: larger gives taller, streakier tips")
        .range(0.0, 1e30, "the noise widens with height instead")};
inline constexpr FieldInfo kRisingSmokeFields[] = {
    BRUMO_EFFECT_FIELDS(RisingSmokeParameters),
    BRUMO_FIELD(RisingSmokeParameters, baseSpread, float32)
        .described("squared radius of the column at its base (the top is 1)")
        .range(0.0, 1.0, "the column narrows as it rises, or vanishes at the base"),
    BRUMO_FIELD(RisingSmokeParameters, edgeSoftness, float32)
        .described("share of the column's radius over which its edge fades (0 a hard wall)")
        .range(0.0, 1.0, "the edge fade is out of shape")};
inline constexpr FieldInfo kCloudsFields[] = {
    BRUMO_EFFECT_FIELDS(CloudsParameters),
    BRUMO_FIELD(CloudsParameters, puffCount, int32)
        .described("number of soft puffs that give the cloud its lumps and outline")
        .range(1.0, 1e9, "no puffs: the masked and multiply modes draw nothing"),
    BRUMO_FIELD(CloudsParameters, puffSeed, int32).described("seed of the puffs' placement"),
    BRUMO_FIELD(CloudsParameters, combineMode, fourCharCode)
        .described("how the puffs and the noise combine")
        .named(kCombineChoices, "the density is 0 everywhere: the cloud is empty"),
    BRUMO_FIELD(CloudsParameters, puffSize, float32)
        .described("share of each puff given to its soft border; the solid core takes the rest")
        .range(0.0, 1.0, "the puffs are out of shape"),
    BRUMO_FIELD(CloudsParameters, puffBlend, float32)
        .described("weight between the noise (0) and the puffs (1)")
        .range(0.0, 1.0, "the blend extrapolates past pure noise or pure puffs"),
    BRUMO_FIELD(CloudsParameters, puffDensity, float32)
        .described("multiplier of the puffs' partial coverage (their borders)")
        .range(0.0, 1e30, "the puffs' borders are empty", true)};

inline constexpr FieldInfo kTaperFields[] = {
    BRUMO_FIELD(TaperParameters, amount, float32)
        .described("how much the cross-section narrows before start (0 none, 1 to nothing)"),
    BRUMO_SPAN_FIELDS(TaperParameters),
    BRUMO_AXIS_FIELD(TaperParameters),
    BRUMO_FIELD(TaperParameters, invert, flag8).described("narrow towards the top instead"),
    BRUMO_AFFECT_FIELDS(TaperParameters)};
inline constexpr FieldInfo kWaveFields[] = {
    BRUMO_FIELD(WaveParameters, amplitude, float32)
        .described("depth of the wave: the size runs between 1 - amplitude and 1"),
    BRUMO_FIELD(WaveParameters, cycles, float32).described("sine periods between start and end"),
    BRUMO_FIELD(WaveParameters, phase, float32).described("shift of the wave").in("half periods"),
    BRUMO_SPAN_FIELDS(WaveParameters),
    BRUMO_AXIS_FIELD(WaveParameters),
    BRUMO_FIELD(WaveParameters, waveMode, fourCharCode)
        .described("what the wave squeezes, driven by which coordinate")
        .named(kWaveChoices, "the modifier changes nothing")};
inline constexpr FieldInfo kBulgeFields[] = {
    BRUMO_FIELD(BulgeParameters, amount, float32)
        .described("the ends shrink to 1 - amount around a full middle (negative: the middle shrinks)"),
    BRUMO_SPAN_FIELDS(BulgeParameters),
    BRUMO_AXIS_FIELD(BulgeParameters),
    BRUMO_AFFECT_FIELDS(BulgeParameters)};
inline constexpr FieldInfo kPunchFields[] = {
    BRUMO_FIELD(PunchParameters, amount, float32)
        .described("depth of the dent in the positive half of the axis"),
    BRUMO_FIELD(PunchParameters, radius, float32)
        .described("width of the dent around the axis")
        .range(0.0, 1e30, "the dent is out of shape", true),
    BRUMO_AXIS_FIELD(PunchParameters),
    BRUMO_FIELD(PunchParameters, invert, flag8).described("dent the negative half instead")};
inline constexpr FieldInfo kTwistFields[] = {
    BRUMO_FIELD(TwistParameters, angle, float32)
        .described("turn of the cross-section from start to end (any twist also draws it at 1/sqrt 2)")
        .in("radians"),
    BRUMO_SPAN_FIELDS(TwistParameters),
    BRUMO_AXIS_FIELD(TwistParameters)};
inline constexpr FieldInfo kBendFields[] = {
    BRUMO_FIELD(BendParameters, angle, float32)
        .described("bend angle; kept with the modifier, which does not yet change the shape")
        .in("radians"),
    BRUMO_FIELD(BendParameters, bendSecond, float32)
        .described("second bend value; kept with the modifier, not used"),
    BRUMO_SPAN_FIELDS(BendParameters),
    BRUMO_AXIS_FIELD(BendParameters)};
inline constexpr FieldInfo kShiftFields[] = {
    BRUMO_FIELD(ShiftParameters, shiftFirst, float32)
        .described("slide along the first cross axis from start to end (the shape shrinks to fit)"),
    BRUMO_FIELD(ShiftParameters, shiftSecond, float32)
        .described("slide along the second cross axis from start to end"),
    BRUMO_SPAN_FIELDS(ShiftParameters),
    BRUMO_AXIS_FIELD(ShiftParameters)};
inline constexpr FieldInfo kStretchFields[] = {
    BRUMO_FIELD(StretchParameters, amount, float32)
        .described("how strongly the material is moved along the axis (0 none)"),
    BRUMO_FIELD(StretchParameters, curve, float32)
        .described("where along the span the material gathers (bias of the move)"),
    BRUMO_SPAN_FIELDS(StretchParameters),
    BRUMO_AXIS_FIELD(StretchParameters)};
inline constexpr FieldInfo kScaleFields[] = {
    BRUMO_FIELD(ScaleParameters, scaleX, float32).described("size along x (2 doubles it)"),
    BRUMO_FIELD(ScaleParameters, scaleY, float32).described("size along y"),
    BRUMO_FIELD(ScaleParameters, scaleZ, float32).described("size along z")};
inline constexpr FieldInfo kNoiseModifierFields[] = {
    BRUMO_FIELD(NoiseModifierParameters, directionX, float32)
        .described("x of the displacement: points move by the noise times this vector"),
    BRUMO_FIELD(NoiseModifierParameters, directionY, float32).described("y of the displacement"),
    BRUMO_FIELD(NoiseModifierParameters, directionZ, float32).described("z of the displacement"),
    BRUMO_FIELD(NoiseModifierParameters, noiseSize, float32)
        .described("overall size of the displacing noise"),
    BRUMO_FIELD(NoiseModifierParameters, noiseScaleX, float32).described("size of the noise along x").in("percent"),
    BRUMO_FIELD(NoiseModifierParameters, noiseScaleY, float32).described("size of the noise along y").in("percent"),
    BRUMO_FIELD(NoiseModifierParameters, noiseScaleZ, float32).described("size of the noise along z").in("percent"),
    BRUMO_FIELD(NoiseModifierParameters, noiseOffsetX, float32).described("offset of the noise along x"),
    BRUMO_FIELD(NoiseModifierParameters, noiseOffsetY, float32).described("offset of the noise along y"),
    BRUMO_FIELD(NoiseModifierParameters, noiseOffsetZ, float32).described("offset of the noise along z"),
    BRUMO_FIELD(NoiseModifierParameters, rotationA, float32).described("first rotation of the noise").in("degrees"),
    BRUMO_FIELD(NoiseModifierParameters, rotationB, float32).described("second rotation of the noise").in("degrees"),
    BRUMO_FIELD(NoiseModifierParameters, rotationC, float32).described("third rotation of the noise").in("degrees"),
    BRUMO_FIELD(NoiseModifierParameters, seed, int32).described("seed of the noise").drawnAtRandom(),
    BRUMO_FIELD(NoiseModifierParameters, shaderName, string)
        .described("host shader that displaces instead of the noise; used only when builtInNoise is 0"),
    BRUMO_FIELD(NoiseModifierParameters, builtInNoise, int32)
        .described("nonzero: displace with the built-in noise; 0: with the shaderName shader")};

#undef BRUMO_AFFECT_FIELDS
#undef BRUMO_SPAN_FIELDS
#undef BRUMO_AXIS_FIELD
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
