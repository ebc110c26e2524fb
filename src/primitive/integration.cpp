// The ray-segment march: density samples at the centres of fixed steps, exponential extinction,
// front-to-back accumulation with early termination, composite over what lies behind.
#include <algorithm>
#include <cmath>

#include "primitive/brumo_base.h"
#include "primitive/colour_gradient.h"
#include "primitive/density_stages.h"
#include "primitive/march_state.h"
#include "primitive/sample_sum.h"
#include "primitive/segment_stepper.h"

namespace brumo {

namespace {

// Full steps of one march; the jittered first step and the remainder sample make up the rest.
constexpr int32_t kMaxFullSteps = kMaxSegmentSamples - 2;

inline Vector3 toVector(const QVVector3& v) { return {v.x, v.y, v.z}; }

inline bool isFinite(const Vector3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// True when no sample of a march from start along direction lies within the unit ball: the
// segment passes it by more than the samples stray from their line. A sample is reached through
// at most a few steps more than the march takes, and each step rounds every coordinate by at most
// half a unit in the last place of the farthest point; the margin is four times that, and a
// thousandth more for the sums here.
bool passesWideOfUnitBall(const Vector3& start, const Vector3& direction, float length, float step) {
    const float steps = std::min(length / step, static_cast<float>(kMaxSegmentSamples)) + 8.0f;
    const float margin = 0x1p-10f + steps * (brumo::length(start) + length) * 0x1p-21f;
    // Far from the cube the bound says nothing.
    if (!(margin <= 0.25f)) return false;
    const float along = std::clamp(-dot(start, direction), 0.0f, length);
    const Vector3 nearest = start + direction * along;
    return dot(nearest, nearest) >= (1.0f + margin) * (1.0f + margin);
}

inline void writeColour(QVColourRecord& record, const ColourRGBA& c) {
    record.red = c.red;
    record.green = c.green;
    record.blue = c.blue;
    record.alpha = c.alpha;
}

}  // namespace

void BrumoBase::refreshForRender() {
    if (modifiersPending != 0) refreshModifiers();
    if (reseedPending != 0 || latticeSeedStale()) reseedLattice();
    if (preparePending != 0) prepareRender();
    checkSceneLights();
    refreshShaders();
    prepared_.prepareCubeBounds(parameters.size);
}

ColourRGBA BrumoBase::sampleColour(const DensitySample& sample) const {
    if (parameters.colourFromGradient != 0)
        return evaluate(parameters.colourGradient, gradientPosition(prepared_, sample.density, sample.shape));
    if (prepared_.colourShader) {
        QVShadingRecord shading;
        qv::resetShadingRecord(shading);
        const Vector3& p = sample.shading.point;
        shading.point = {p.x, p.y, p.z};
        shading.position = {p.x, p.y, p.z};
        QVColourRecord record{0.0f, 0.0f, 0.0f, 0.0f};
        uint8_t flag = 0;
        prepared_.colourShader->evaluateColour(&record, &flag, &shading);
        return {record.red, record.green, record.blue, record.alpha};
    }
    return {0.0f, 0.0f, 0.0f, 0.0f};
}

bool BrumoBase::accumulateSample(const Vector3& point, float stepLength, bool fullStep, SampleSum& sum) {
    const DensitySample sample = densityAt(point);
    const float d = sample.density;
    // A colour shader is asked even for a sample too thin to count, as the shading record
    // expects one colour per density.
    const ColourRGBA c = sampleColour(sample);
    return sum.add(1, &point, &stepLength, &fullStep, &d, nullptr, &c);
}

QVResult BrumoBase::integrateSegment(const QVVector3* startPoint, const QVVector3* endPoint,
                                     QVColourRecord* colour, void*, int32_t, int32_t) {
    CriticalSectionScope scope(lock);
    refreshForRender();

    // An empty or unbounded primitive, or a segment without finite ends, gathers nothing.
    if (startPoint == nullptr || endPoint == nullptr || colour == nullptr) return qv::kOk;
    const float size = parameters.size;
    if (size == 0.0f || !std::isfinite(size)) return qv::kOk;
    const float f = 2.0f * prepared_.cubeBounds.inverseEdge;
    const Vector3 start = toVector(*startPoint) * f;
    const Vector3 end = toVector(*endPoint) * f;
    const Vector3 span = end - start;
    const float length = brumo::length(span);
    if (!isFinite(start) || !isFinite(end) || !std::isfinite(length)) return qv::kOk;
    const Vector3 direction =
        length != 0.0f ? Vector3{span.x / length, span.y / length, span.z / length} : kZeroVector;

    SampleSum sum(prepared_, parameters);
    MarchState march(prepared_, parameters, field_);
    if (parameters.meshOff == 0) march.castMeshRay(start, direction);

    // What was gathered, composited over what lies behind.
    auto composite = [&] {
        writeColour(*colour, sum.over({colour->red, colour->green, colour->blue, colour->alpha}));
        return qv::kOk;
    };
    const bool batched = batchedSampling();
    // A segment that passes wide of an effect empty beyond the unit ball gathers nothing: a third
    // of the rays through a cloud's box. With host shaders every sample is asked for its colour.
    if (batched && emptyBeyondUnitBall(field_, *this) &&
        passesWideOfUnitBall(start, direction, length, march.stepLength()))
        return composite();
    SegmentStepper samples(start, direction, length, march.stepLength(), march.firstStep(start, length),
                           kMaxFullSteps, kNegligible);
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
            field_.sampleDensitiesWhereDense(n, points, densities, shapes);
            stopped = sum.add(n, points, lengths, stops, densities, shapes, nullptr);
        } else {
            // A host shader is asked sample by sample: its colour may read the shading record.
            stopped = accumulateSample(points[0], lengths[0], stops[0], sum);
        }
        if (stopped) {
            const ColourRGBA& gathered = sum.gathered();
            writeColour(*colour, {gathered.red, gathered.green, gathered.blue, 1.0f});
            return qv::kOk;
        }
    }
    return composite();
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
