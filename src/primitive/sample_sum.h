// The march's sum along one segment, front to back: each sample's optical depth
// (densityScale × length × density), the opacity after it (1 - e^(-extinction × depth)), its
// colour and its shadow. It reads the prepared volume and the parameter block and nothing else
// of the primitive.
#pragma once

#include <cmath>
#include <cstdint>

#include "brumo/colour.h"
#include "brumo/parameter_blocks.h"
#include "math/vector3.h"
#include "primitive/prepared_volume.h"

namespace brumo {

// The opacity of an optical depth: 1 - e^(-extinction × depth). The one place it is computed, so
// that the march, the light marches and the grid agree to the bit.
inline float opacityOf(float extinction, float depth) { return 1.0f - std::exp(-extinction * depth); }

// Where the colour gradient is read for a density and shape value: the colour-source weights'
// mix, within [0, 1].
float gradientPosition(const PreparedVolume& volume, float density, float shape);

class SampleSum {
public:
    SampleSum(const PreparedVolume& volume, const EffectParameters& parameters)
        : volume_(volume), parameters_(parameters) {}

    // A run of count samples (at most kDensityBatch) added in order: nothing for an optical depth
    // not above 2^-14, shadowed through the grid. Their colours come from colours (one per
    // sample) or, when that is null, from the gradient at the densities and shape values. True
    // when the march stops: opacity at least 0.99 after a full step (stops[k]); later samples are
    // left out.
    bool add(int32_t count, const Vector3* points, const float* lengths, const bool* stops,
             const float* densities, const float* shapes, const ColourRGBA* colours);

    // What has been gathered so far.
    const ColourRGBA& gathered() const { return sum_; }
    // The gathered colour composited over what lies behind (opaque once the opacity reached 1).
    ColourRGBA over(const ColourRGBA& behind) const {
        ColourRGBA c = sum_;
        if (opacity_ < 1.0f) {
            const float t = 1.0f - opacity_;
            c.red += t * behind.red;
            c.green += t * behind.green;
            c.blue += t * behind.blue;
            c.alpha += t * behind.alpha;
        } else {
            c.alpha = 1.0f;
        }
        return c;
    }

private:
    const PreparedVolume& volume_;
    const EffectParameters& parameters_;
    float opacity_ = 0.0f;
    float depth_ = 0.0f;
    ColourRGBA sum_{0.0f, 0.0f, 0.0f, 0.0f};
};

}  // namespace brumo
