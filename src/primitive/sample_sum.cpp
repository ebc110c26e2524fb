#include "primitive/sample_sum.h"

#include "primitive/density_field.h"
#include "primitive/march_lanes.h"

namespace brumo {

namespace {

constexpr float kOpaque = 0.99f;

}  // namespace

float gradientPosition(const PreparedVolume& v, float density, float shape) {
    float k = v.colourWeightDensity * density + v.colourWeightShape * shape + v.colourWeightMixed * density * shape;
    if (!(k > 0.0f))
        k = 0.0f;
    else if (k >= 1.0f)
        k = 1.0f;
    return k;
}

bool SampleSum::add(int32_t count, const Vector3* points, const float* lengths, const bool* stops,
                    const float* densities, const float* shapes, const ColourRGBA* colours) {
    // One pass in order over the samples that count (optical depth above 2^-14): the opacity
    // after each, where the march stops, and, packed together, what their colours and shadows
    // need. Those then go through the lanes together, and last the samples are added up in order.
    float depths[kDensityBatch];
    uint64_t counted = opticalDepthsMany(volume_.densityScale, count, lengths, densities, depths);
    // The opacity grows only with a sample that counts: short of opaque, a run without one adds
    // nothing and cannot stop the march. Most runs of a sparse effect are such runs.
    if (counted == 0 && !(opacity_ >= kOpaque)) return false;
    const bool gradient = colours == nullptr && parameters_.colourFromGradient != 0;
    const bool shadowed = volume_.shadowGridActive != 0;
    float weights[kDensityBatch];
    float positions[kDensityBatch];
    float countedDensities[kDensityBatch];
    Vector3 at[kDensityBatch];
    ColourRGBA own[kDensityBatch];
    int32_t m = 0;
    // The march stops after the first full step at which it is opaque. Between the samples that
    // count the opacity stands still, so only there are the full steps looked at, and only once
    // it is opaque.
    auto stopsWithin = [&](int32_t from, int32_t to) {
        if (!(opacity_ >= kOpaque)) return false;
        for (int32_t k = from; k < to; ++k)
            if (stops[k]) return true;
        return false;
    };
    int32_t next = 0;
    bool stopped = false;
    for (; counted != 0; counted &= counted - 1) {
        const int32_t k = __builtin_ctzll(counted);
        if (stopsWithin(next, k)) {
            stopped = true;
            break;
        }
        const float x = depths[k];
        depth_ = depth_ + x;
        opacity_ = opacityOf(volume_.extinction, depth_);
        // Optical depth times the transmittance after the sample.
        weights[m] = x * (1.0f - opacity_);
        if (colours != nullptr)
            own[m] = colours[k];
        else if (gradient)
            positions[m] = gradientPosition(volume_, densities[k], shapes[k]);
        else
            // Without a shader the colour has no side effects: none is asked for.
            own[m] = {0.0f, 0.0f, 0.0f, 0.0f};
        if (shadowed) {
            at[m] = points[k];
            countedDensities[m] = densities[k];
        }
        m += 1;
        next = k + 1;
        if (stops[k] && opacity_ >= kOpaque) {
            stopped = true;
            break;
        }
    }
    if (!stopped) stopped = stopsWithin(next, count);
    if (m == 0) return stopped;

    const ShadowGrid* grid = volume_.shadowGrid.get();
    const SampleShading shading{gradient ? &parameters_.colourGradient : nullptr,
                                shadowed,
                                grid != nullptr ? grid->values() : nullptr,
                                grid != nullptr ? grid->resolution() : 0,
                                &parameters_.shadowGradient,
                                parameters_.shadowDensityInfluence,
                                parameters_.shadowStrength};
    ColourRGBA added[kDensityBatch];
    shadeMany(shading, m, positions, own, at, countedDensities, weights, added);
    // In order: the sum of floats depends on it.
    for (int32_t j = 0; j < m; ++j) {
        sum_.alpha += added[j].alpha;
        sum_.red += added[j].red;
        sum_.green += added[j].green;
        sum_.blue += added[j].blue;
    }
    return stopped;
}

}  // namespace brumo
