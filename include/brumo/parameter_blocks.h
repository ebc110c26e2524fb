// The parameter blocks of the module's components: the records the host reads and writes in
// place and addresses by byte offset. Field order is fixed; on 32-bit targets the offsets and
// sizes are exactly those the host's editor layouts use (checked below), on 64-bit targets the
// same records follow natural alignment.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "brumo/colour.h"
#include "brumo/embedded_object.h"
#include "brumo/vector3.h"
#include "qv/class_array.h"
#include "qv/strings.h"
#include "qv/unknown.h"

namespace brumo {

using EmbeddedString = EmbeddedObject<TQVHeapString>;

// One (a, b) pair per shape option bit.
struct FalloffPair {
    float a;
    float b;
};

// The block shared by the four effects.
struct EffectParameters {
    float size;
    float noiseScale;
    Vector3 noiseScaleXYZ;
    Vector3 noiseOffset;
    Vector3 noiseRotation;  // degrees
    float stepJitter;
    float quality;
    float densityAmount;
    float absorptionDistance;
    float seedValue;
    float detail;
    float gainAmount;
    float biasAmount;
    EmbeddedString densityShaderName;
    int32_t noiseType;
    EmbeddedString meshName;
    int32_t meshOff;
    float meshFalloff;
    uint32_t lightingMode;
    float shadowStrength;
    float shadowDensityInfluence;
    ColourGradient shadowGradient;
    Vector3 lightDirection;
    ColourGradient colourGradient;
    uint32_t colourShapeFlags;
    float colourSourceMix;
    FalloffPair colourShapeFalloffs[16];
    EmbeddedString colourShaderName;
    int32_t colourFromGradient;
    uint32_t shapeFlags;
    FalloffPair shapeFalloffs[16];
    QVClassArray<IQVUnknown*> dataComponents;
};

struct SmogParameters {
    EffectParameters common;
};

struct FireParameters {
    EffectParameters common;
    float flameStretch;
};

struct RisingSmokeParameters {
    EffectParameters common;
    float baseSpread;
    float edgeSoftness;
};

struct CloudsParameters {
    EffectParameters common;
    int32_t puffCount;
    int32_t puffSeed;
    uint32_t combineMode;
    float puffSize;
    float puffBlend;
    float puffDensity;
};

struct TaperParameters {
    float amount;
    float start;
    float end;
    uint32_t axis;
    uint8_t invert;
    uint8_t affectFirst;
    uint8_t affectSecond;
};

struct WaveParameters {
    float amplitude;
    float cycles;
    float phase;
    float start;
    float end;
    uint32_t axis;
    uint32_t waveMode;
};

struct BulgeParameters {
    float amount;
    float start;
    float end;
    uint32_t axis;
    uint8_t affectFirst;
    uint8_t affectSecond;
};

struct PunchParameters {
    float amount;
    float radius;
    uint32_t axis;
    uint8_t invert;
};

struct TwistParameters {
    float angle;  // radians
    float start;
    float end;
    uint32_t axis;
};

struct BendParameters {
    float angle;  // radians
    float bendSecond;
    float start;
    float end;
    uint32_t axis;
};

struct ShiftParameters {
    float shiftFirst;
    float shiftSecond;
    float start;
    float end;
    uint32_t axis;
};

struct StretchParameters {
    float amount;
    float curve;
    float start;
    float end;
    uint32_t axis;
};

struct ScaleParameters {
    float scaleX;
    float scaleY;
    float scaleZ;
};

struct NoiseModifierParameters {
    float directionX;
    float directionY;
    float directionZ;
    float noiseSize;
    float noiseScaleX;
    float noiseScaleY;
    float noiseScaleZ;
    float noiseOffsetX;
    float noiseOffsetY;
    float noiseOffsetZ;
    float rotationA;  // degrees
    float rotationB;
    float rotationC;
    int32_t seed;
    EmbeddedString shaderName;
    int32_t builtInNoise;
};

static_assert(std::is_standard_layout<EffectParameters>::value, "blocks are addressed by offset");
static_assert(std::is_standard_layout<CloudsParameters>::value, "blocks are addressed by offset");
static_assert(std::is_standard_layout<NoiseModifierParameters>::value, "blocks are addressed by offset");

#if defined(__i386__) || defined(_M_IX86)
// The host's editor layouts address these offsets.
static_assert(offsetof(EffectParameters, noiseScaleXYZ) == 8, "");
static_assert(offsetof(EffectParameters, noiseOffset) == 20, "");
static_assert(offsetof(EffectParameters, noiseRotation) == 32, "");
static_assert(offsetof(EffectParameters, stepJitter) == 44, "");
static_assert(offsetof(EffectParameters, quality) == 48, "");
static_assert(offsetof(EffectParameters, seedValue) == 60, "");
static_assert(offsetof(EffectParameters, biasAmount) == 72, "");
static_assert(offsetof(EffectParameters, densityShaderName) == 76, "");
static_assert(offsetof(EffectParameters, noiseType) == 96, "");
static_assert(offsetof(EffectParameters, meshName) == 100, "");
static_assert(offsetof(EffectParameters, meshOff) == 120, "");
static_assert(offsetof(EffectParameters, meshFalloff) == 124, "");
static_assert(offsetof(EffectParameters, lightingMode) == 128, "");
static_assert(offsetof(EffectParameters, shadowStrength) == 132, "");
static_assert(offsetof(EffectParameters, shadowDensityInfluence) == 136, "");
static_assert(offsetof(EffectParameters, shadowGradient) == 140, "");
static_assert(offsetof(EffectParameters, lightDirection) == 156, "");
static_assert(offsetof(EffectParameters, colourGradient) == 168, "");
static_assert(offsetof(EffectParameters, colourShapeFlags) == 184, "");
static_assert(offsetof(EffectParameters, colourSourceMix) == 188, "");
static_assert(offsetof(EffectParameters, colourShapeFalloffs) == 192, "");
static_assert(offsetof(EffectParameters, colourShaderName) == 320, "");
static_assert(offsetof(EffectParameters, colourFromGradient) == 340, "");
static_assert(offsetof(EffectParameters, shapeFlags) == 344, "");
static_assert(offsetof(EffectParameters, shapeFalloffs) == 348, "");
static_assert(offsetof(EffectParameters, dataComponents) == 476, "");
static_assert(sizeof(EffectParameters) == 492, "");
static_assert(sizeof(SmogParameters) == 492, "");
static_assert(offsetof(FireParameters, flameStretch) == 492 && sizeof(FireParameters) == 496, "");
static_assert(offsetof(RisingSmokeParameters, baseSpread) == 492, "");
static_assert(offsetof(RisingSmokeParameters, edgeSoftness) == 496, "");
static_assert(sizeof(RisingSmokeParameters) == 500, "");
static_assert(offsetof(CloudsParameters, puffCount) == 492, "");
static_assert(offsetof(CloudsParameters, puffSeed) == 496, "");
static_assert(offsetof(CloudsParameters, combineMode) == 500, "");
static_assert(offsetof(CloudsParameters, puffSize) == 504, "");
static_assert(offsetof(CloudsParameters, puffBlend) == 508, "");
static_assert(offsetof(CloudsParameters, puffDensity) == 512, "");
static_assert(sizeof(CloudsParameters) == 516, "");
static_assert(sizeof(TaperParameters) == 20, "");
static_assert(sizeof(WaveParameters) == 28, "");
static_assert(sizeof(BulgeParameters) == 20, "");
static_assert(sizeof(PunchParameters) == 16, "");
static_assert(sizeof(TwistParameters) == 16, "");
static_assert(sizeof(BendParameters) == 20, "");
static_assert(sizeof(ShiftParameters) == 20, "");
static_assert(sizeof(StretchParameters) == 20, "");
static_assert(sizeof(ScaleParameters) == 12, "");
static_assert(offsetof(NoiseModifierParameters, seed) == 52, "");
static_assert(offsetof(NoiseModifierParameters, shaderName) == 56, "");
static_assert(sizeof(NoiseModifierParameters) == 80, "");
#endif

}  // namespace brumo
