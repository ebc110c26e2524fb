#include "primitive/sample_sum.h"

#include "primitive/density_field.h"
#include "primitive/march_lanes.h"

namespace brumo {

namespace {

constexpr float kOpaque = 0.99f;

// The optical depth of each sample (densityScale × length × density), and how many of them count
// (above 2^-14). A plain loop the compiler puts in vector lanes.
int32_t opticalDepths(float scale, int32_t count, const float* lengths, const float* densities, float* x) {
    int32_t counted = 0;
    for (int32_t k = 0; k < count; ++k) {
        const float d = scale * lengths[k] * densities[k];
        x[k] = d;
        counted += d > kNegligible ? 1 : 0;
    }
    return counted;
}

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
    // The opacity grows only with a sample that counts: short of opaque, a run without one adds
    // nothing and cannot stop the march. Most runs of a sparse effect are such runs.
    if (opticalDepths(volume_.densityScale, count, lengths, densities, depths) == 0 && !(opacity_ >= kOpaque))
        return false;
    const bool gradient = colours == nullptr && parameters_.colourFromGradient != 0;
    const bool shadowed = volume_.shadowGridActive != 0;
    float weights[kDensityBatch];
    float positions[kDensityBatch];
    float countedDensities[kDensityBatch];
    Vector3 at[kDensityBatch];
    ColourRGBA own[kDensityBatch];
    int32_t m = 0;
    bool stopped = false;
    for (int32_t k = 0; k < count; ++k) {
        const float x = depths[k];
        if (x > kNegligible) {
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
        }
        if (stops[k] && opacity_ >= kOpaque) {
            stopped = true;
            break;
        }
    }
    if (m == 0) return stopped;
    if (gradient) evaluateMany(parameters_.colourGradient, m, positions, own);

    if (!shadowed) {
        for (int32_t j = 0; j < m; ++j) {
            const float w = weights[j];
            sum_.alpha += w;
            sum_.red += w * own[j].red;
            sum_.green += w * own[j].green;
            sum_.blue += w * own[j].blue;
        }
        return stopped;
    }

    // Light reaching each point, weakened by the shadow strength and, for thin vapour, by the
    // density influence; what is missing comes from the shadow gradient.
    float lit[kDensityBatch];
    float unlit[kDensityBatch];
    ColourRGBA shadow[kDensityBatch];
    volume_.shadowGrid.lookupMany(m, at, lit);
    const float influence = parameters_.shadowDensityInfluence;
    const float strength = parameters_.shadowStrength;
    for (int32_t j = 0; j < m; ++j) {
        float f = 1.0f + (countedDensities[j] - 1.0f) * influence;
        if (!(f > 0.0f))
            f = 0.0f;
        else if (f > 1.0f)
            f = 1.0f;
        lit[j] = 1.0f + (lit[j] - 1.0f) * (strength * f);
        unlit[j] = 1.0f - lit[j];
    }
    evaluateMany(parameters_.shadowGradient, m, unlit, shadow);
    for (int32_t j = 0; j < m; ++j) {
        const float w = weights[j];
        const ColourRGBA& s = shadow[j];
        const ColourRGBA& c = own[j];
        sum_.alpha += w;
        sum_.red += w * unlit[j] * s.red + w * lit[j] * c.red;
        sum_.green += w * unlit[j] * s.green + w * lit[j] * c.green;
        sum_.blue += w * unlit[j] * s.blue + w * lit[j] * c.blue;
    }
    return stopped;
}

}  // namespace brumo
