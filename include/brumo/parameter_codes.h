// The values the parameter blocks' choice fields take: codes, numbers and bits. The module, the
// field table and the host all name them from here.
#pragma once

#include <cstdint>

#include "qv/fourcc.h"

namespace brumo {

// noiseType: where an effect's density comes from; any other number gives no density.
constexpr int32_t kNoiseFromShader = 0;  // the host shader named by densityShaderName
constexpr int32_t kSpectralSum = 1;
constexpr int32_t kTurbulenceSum = 2;
constexpr int32_t kRidgedSum = 3;
constexpr int32_t kFractalSum = 4;

// lightingMode; any other code lights nothing and builds no grid.
constexpr uint32_t kNoShadows = qv::fourcc("Opt0");
constexpr uint32_t kFixedLight = qv::fourcc("Opt1");
constexpr uint32_t kSceneLights = qv::fourcc("Opt2");

// Bits of shapeFlags and colourShapeFlags: the shape options.
enum ShapeOption : uint32_t {
    kUpperBall = 0x1,
    kLowerBall = 0x2,
    kUpperHollowBall = 0x4,
    kLowerHollowBall = 0x8,
    kCylinderX = 0x10,
    kCylinderY = 0x20,
    kCylinderZ = 0x40,
    kHollowCoreX = 0x80,
    kHollowCoreY = 0x100,
    kHollowCoreZ = 0x200,
    kFadePositiveX = 0x400,
    kFadePositiveY = 0x800,
    kFadePositiveZ = 0x1000,
    kFadeNegativeX = 0x2000,
    kFadeNegativeY = 0x4000,
    kFadeNegativeZ = 0x8000,
};

// Clouds' combineMode: how the puffs' coverage and the noise make the density; any other code
// gives none.
constexpr uint32_t kCombineMasked = qv::fourcc("Opt1");
constexpr uint32_t kCombineBlend = qv::fourcc("Opt2");
constexpr uint32_t kCombineMultiply = qv::fourcc("Opt3");

// The modifiers' main axis (axis); any other code keeps the axis of the last known one.
constexpr uint32_t kAxisX = qv::fourcc("XAXI");
constexpr uint32_t kAxisY = qv::fourcc("YAXI");
constexpr uint32_t kAxisZ = qv::fourcc("ZAXI");

// WaveModifier's waveMode: the coordinate the wave runs along; any other code leaves points as
// they are.
constexpr uint32_t kWaveAlongAxis = qv::fourcc("Opt4");
constexpr uint32_t kWaveAcrossSecond = qv::fourcc("Opt1");
constexpr uint32_t kWaveAcrossFirst = qv::fourcc("Opt2");
constexpr uint32_t kWaveRadial = qv::fourcc("Opt3");

}  // namespace brumo
