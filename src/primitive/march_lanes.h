// The march's lookups for a run of samples: colour-gradient colours and trilinear shadow-grid
// values, in vector lanes when they are on. The lanes do the one-point arithmetic in the same
// order (no fused multiply-add), so a run gives the same bits as its samples one at a time.
#pragma once

#include <cstdint>

#include "brumo/colour.h"
#include "math/vector3.h"

namespace brumo {

// evaluate(gradient, x[i]) for count values.
void evaluateMany(const ColourGradient& gradient, int32_t count, const float* x, ColourRGBA* out);

// trilinearLookup(values, r, points[i]) for count points.
void trilinearMany(const float* values, int32_t r, int32_t count, const Vector3* points, float* out);

// The optical depth of each of count samples (at most 64), scale × length × density, into
// depths; answers the bits of those that count (above 2^-14), bit k for sample k.
uint64_t opticalDepthsMany(float scale, int32_t count, const float* lengths, const float* densities,
                           float* depths);

// How the march colours the samples it counts.
struct SampleShading {
    // Read at each sample's gradient position; null: each sample's colour is given.
    const ColourGradient* colourGradient;
    // Shadowed: the light reaching a sample is looked up in the grid's r³ values (none: full
    // light) and weakened; what is missing comes from the shadow gradient.
    bool shadowed;
    const float* gridValues;
    int32_t gridResolution;
    const ColourGradient* shadowGradient;
    float densityInfluence;
    float shadowStrength;
};

// What each of count samples adds to the march's sum: alpha its weight, red, green and blue its
// colour (lit and shadowed) times the weight. positions are read with a colour gradient, colours
// without one; points and densities when shadowed.
void shadeMany(const SampleShading& shading, int32_t count, const float* positions, const ColourRGBA* colours,
               const Vector3* points, const float* densities, const float* weights, ColourRGBA* added);

}  // namespace brumo
