// The ray-segment march: density samples at the centres of fixed steps, exponential extinction,
// front-to-back accumulation with early termination, composite over what lies behind.
#include <cmath>

#include "primitive/brumo_base.h"
#include "primitive/colour_gradient.h"
#include "primitive/march_lanes.h"
#include "primitive/segment_stepper.h"

namespace brumo {

namespace {

constexpr float kOpaque = 0.99f;
// Full steps of one march; the jittered first step and the remainder sample make up the rest.
constexpr int32_t kMaxFullSteps = kMaxSegmentSamples - 2;
// The mesh ray starts where the line enters this box of the normalised space.
constexpr Vector3 kMeshRayBoxMin{-1.5f, -1.5f, -1.5f};
constexpr Vector3 kMeshRayBoxMax{1.5f, 1.5f, 1.5f};

inline Vector3 toVector(const QVVector3& v) { return {v.x, v.y, v.z}; }

inline bool isFinite(const Vector3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

inline void writeColour(QVColourRecord& record, const ColourRGBA& c) {
    record.red = c.red;
    record.green = c.green;
    record.blue = c.blue;
    record.alpha = c.alpha;
}

}  // namespace

float BrumoBase::firstStep(const Vector3& start, float length) {
    if (!(parameters.stepJitter > 0.0f)) return -1.0f;
    // A first step of varying length, so that neighbouring segments do not sample in lockstep.
    const float n = lattice.gradientNoiseLinear({start.x * 1000.0f, start.y * 1000.0f, start.z * 1000.0f});
    float j = (n * parameters.stepJitter + 1.0f) * stepLength();
    if (!(j >= 0.0f)) j = 0.0f;
    if (j > length) j = length;
    return j;
}

float BrumoBase::stepLength() const {
    const float quality = parameters.quality;
    float v = quality >= 0.01f ? 2.0f / (quality * 100.0f) : 2.0f;
    if (v <= kNegligible)
        v = kNegligible;
    else if (v >= 2.0f)
        v = 2.0f;
    return v;
}

void BrumoBase::refreshForRender() {
    if (modifiersPending != 0) refreshModifiers();
    if (reseedPending != 0 || latticeSeedStale()) reseedLattice();
    if (preparePending != 0) prepareRender();
    checkSceneLights();
    refreshShaders();
    prepareCubeBounds(parameters.size);
}

void BrumoBase::castMeshRay(const Vector3& start, const Vector3& direction) {
    Vector3 hit1, hit2;
    float t1 = 0.0f, t2 = 0.0f;
    Vector3 rayStart = start;
    if (MeshShape::rayBoxEntry(kMeshRayBoxMin, kMeshRayBoxMax, start, direction, hit1, t1, hit2, t2))
        rayStart = t1 < t2 ? hit1 : hit2;
    meshShape.prepareMeshRay(rayStart, direction);
}

float BrumoBase::opacityAfter(float increment, float& depth) const {
    depth = depth + increment;
    return 1.0f - std::exp(-extinction * depth);
}

float BrumoBase::gradientPosition(float density, float shape) const {
    float k = colourWeightDensity * density + colourWeightShape * shape + colourWeightMixed * density * shape;
    if (!(k > 0.0f))
        k = 0.0f;
    else if (k >= 1.0f)
        k = 1.0f;
    return k;
}

ColourRGBA BrumoBase::gradientColour(float density, float shape) const {
    return evaluate(parameters.colourGradient, gradientPosition(density, shape));
}

ColourRGBA BrumoBase::sampleColour(const DensitySample& sample) const {
    if (parameters.colourFromGradient != 0) return gradientColour(sample.density, sample.shape);
    if (colourShader) {
        QVShadingRecord shading;
        qv::resetShadingRecord(shading);
        const Vector3& p = sample.shading.point;
        shading.point = {p.x, p.y, p.z};
        shading.position = {p.x, p.y, p.z};
        QVColourRecord record{0.0f, 0.0f, 0.0f, 0.0f};
        uint8_t flag = 0;
        colourShader->evaluateColour(&record, &flag, &shading);
        return {record.red, record.green, record.blue, record.alpha};
    }
    return {0.0f, 0.0f, 0.0f, 0.0f};
}

bool BrumoBase::accumulateSample(const Vector3& point, float stepLength, float& opacity,
                                 float& depth, ColourRGBA& accumulator, bool fullStep) {
    const DensitySample sample = densityAt(point);
    const float d = sample.density;
    // A colour shader is asked even for a sample too thin to count, as the shading record
    // expects one colour per density.
    const ColourRGBA c = sampleColour(sample);
    return addSamples(1, &point, &stepLength, &fullStep, &d, nullptr, &c, opacity, depth, accumulator);
}

bool BrumoBase::addSamples(int32_t count, const Vector3* points, const float* lengths, const bool* stops,
                           const float* densities, const float* shapes, const ColourRGBA* colours,
                           float& opacity, float& depth, ColourRGBA& accumulator) {
    // First, in order, the samples that count (optical depth above 2^-14), the opacity after
    // each and where the march stops; the colours and shadows of those samples then go through
    // the lanes together, and last they are added up in order.
    int32_t counted[kDensityBatch];
    float weights[kDensityBatch];
    int32_t m = 0;
    bool stopped = false;
    for (int32_t k = 0; k < count; ++k) {
        const float x = densityScale * lengths[k] * densities[k];
        if (x > kNegligible) {
            opacity = opacityAfter(x, depth);
            // Optical depth times the transmittance after the sample.
            weights[m] = x * (1.0f - opacity);
            counted[m++] = k;
        }
        if (stops[k] && opacity >= kOpaque) {
            stopped = true;
            break;
        }
    }
    if (m == 0) return stopped;

    ColourRGBA own[kDensityBatch];
    if (colours != nullptr) {
        for (int32_t j = 0; j < m; ++j) own[j] = colours[counted[j]];
    } else if (parameters.colourFromGradient != 0) {
        float positions[kDensityBatch];
        for (int32_t j = 0; j < m; ++j) positions[j] = gradientPosition(densities[counted[j]], shapes[counted[j]]);
        evaluateMany(parameters.colourGradient, m, positions, own);
    } else {
        // Without a shader the colour has no side effects: none is asked for.
        for (int32_t j = 0; j < m; ++j) own[j] = {0.0f, 0.0f, 0.0f, 0.0f};
    }

    if (shadowGridActive == 0) {
        for (int32_t j = 0; j < m; ++j) {
            const float w = weights[j];
            accumulator.alpha += w;
            accumulator.red += w * own[j].red;
            accumulator.green += w * own[j].green;
            accumulator.blue += w * own[j].blue;
        }
        return stopped;
    }

    // Light reaching each point, weakened by the shadow strength and, for thin vapour, by the
    // density influence; what is missing comes from the shadow gradient.
    Vector3 at[kDensityBatch];
    float lit[kDensityBatch];
    float unlit[kDensityBatch];
    ColourRGBA shadow[kDensityBatch];
    for (int32_t j = 0; j < m; ++j) at[j] = points[counted[j]];
    shadowGrid.lookupMany(m, at, lit);
    for (int32_t j = 0; j < m; ++j) {
        float f = 1.0f + (densities[counted[j]] - 1.0f) * parameters.shadowDensityInfluence;
        if (!(f > 0.0f))
            f = 0.0f;
        else if (f > 1.0f)
            f = 1.0f;
        lit[j] = 1.0f + (lit[j] - 1.0f) * (parameters.shadowStrength * f);
        unlit[j] = 1.0f - lit[j];
    }
    evaluateMany(parameters.shadowGradient, m, unlit, shadow);
    for (int32_t j = 0; j < m; ++j) {
        const float w = weights[j];
        const ColourRGBA& s = shadow[j];
        const ColourRGBA& c = own[j];
        accumulator.alpha += w;
        accumulator.red += w * unlit[j] * s.red + w * lit[j] * c.red;
        accumulator.green += w * unlit[j] * s.green + w * lit[j] * c.green;
        accumulator.blue += w * unlit[j] * s.blue + w * lit[j] * c.blue;
    }
    return stopped;
}

QVResult BrumoBase::integrateSegment(const QVVector3* startPoint, const QVVector3* endPoint,
                                     QVColourRecord* colour, void*, int32_t, int32_t) {
    CriticalSectionScope scope(lock);
    refreshForRender();

    // An empty or unbounded primitive, or a segment without finite ends, gathers nothing.
    if (startPoint == nullptr || endPoint == nullptr || colour == nullptr) return qv::kOk;
    const float size = parameters.size;
    if (size == 0.0f || !std::isfinite(size)) return qv::kOk;
    const float f = 2.0f * cubeBounds.inverseEdge;
    const Vector3 start = toVector(*startPoint) * f;
    const Vector3 end = toVector(*endPoint) * f;
    const Vector3 span = end - start;
    const float length = brumo::length(span);
    if (!isFinite(start) || !isFinite(end) || !std::isfinite(length)) return qv::kOk;
    const Vector3 direction =
        length != 0.0f ? Vector3{span.x / length, span.y / length, span.z / length} : kZeroVector;

    float depth = 0.0f;
    float opacity = 0.0f;
    ColourRGBA accumulator{0.0f, 0.0f, 0.0f, 0.0f};
    if (parameters.meshOff == 0) castMeshRay(start, direction);

    SegmentStepper samples(start, direction, length, stepLength(), firstStep(start, length), kMaxFullSteps,
                           kNegligible);
    const bool batched = batchedSampling();
    // Whole runs from the first sample on: a run costs less per sample than the samples after an
    // early stop that it computes in vain (shorter first runs were measured slower).
    const int32_t run = batched ? kDensityBatch : 1;
    Vector3 points[kDensityBatch];
    float lengths[kDensityBatch];
    bool stops[kDensityBatch];
    float densities[kDensityBatch];
    float shapes[kDensityBatch];
    for (int32_t n; (n = samples.next(run, points, lengths, stops)) > 0;) {
        bool stopped;
        if (batched) {
            field_.sampleDensities(n, points, densities, shapes);
            stopped = addSamples(n, points, lengths, stops, densities, shapes, nullptr, opacity, depth, accumulator);
        } else {
            // A host shader is asked sample by sample: its colour may read the shading record.
            stopped = accumulateSample(points[0], lengths[0], opacity, depth, accumulator, stops[0]);
        }
        if (stopped) {
            colour->red = accumulator.red;
            colour->green = accumulator.green;
            colour->blue = accumulator.blue;
            colour->alpha = 1.0f;
            return qv::kOk;
        }
    }

    // Composite over what lies behind.
    if (opacity < 1.0f) {
        const float t = 1.0f - opacity;
        accumulator.red += t * colour->red;
        accumulator.green += t * colour->green;
        accumulator.blue += t * colour->blue;
        accumulator.alpha += t * colour->alpha;
    } else {
        accumulator.alpha = 1.0f;
    }
    writeColour(*colour, accumulator);
    return qv::kOk;
}

QVResult BrumoBase::integrateRaySpan(intptr_t, const QVRay* ray, const double& startDistance,
                                     const double& endDistance, QVColourRecord* colour,
                                     float* outputRecord, intptr_t, intptr_t, intptr_t, intptr_t,
                                     intptr_t, int32_t finalValue) {
    if (ray == nullptr) return qv::kOk;
    const float near = static_cast<float>(startDistance);
    const float far = static_cast<float>(endDistance);
    const QVVector3& o = ray->origin;
    const QVVector3& d = ray->direction;
    const QVVector3 start{o.x + d.x * near, o.y + d.y * near, o.z + d.z * near};
    const QVVector3 end{o.x + d.x * far, o.y + d.y * far, o.z + d.z * far};
    const QVResult result =
        volumeInterface()->integrateSegment(&start, &end, colour, outputRecord, 1, finalValue);
    if (outputRecord != nullptr) {
        outputRecord[0] = 0.0f;
        outputRecord[1] = 0.0f;
        outputRecord[2] = 0.0f;
        outputRecord[3] = colour != nullptr ? colour->red : 0.0f;
        outputRecord[4] = colour != nullptr ? colour->green : 0.0f;
        outputRecord[5] = colour != nullptr ? colour->blue : 0.0f;
    }
    return result;
}

}  // namespace brumo
