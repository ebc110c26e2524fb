// The density sampler: the march's own density and colour functions at points the host names,
// after the same preparation as a render call.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "primitive/brumo_base.h"
#include "primitive/march_lanes.h"
#include "primitive/march_state.h"
#include "primitive/sample_sum.h"
#include "qv/exception.h"

namespace brumo {

static_assert(sizeof(QVVector3) == sizeof(Vector3) && sizeof(Vector3) == 3 * sizeof(float),
              "a run of points is a flat array of coordinates");

namespace {

// Mesh rays of the sampler run along the local x axis, so that a row of voxels shares one cast.
constexpr Vector3 kMeshLine{1.0f, 0.0f, 0.0f};

inline bool isFinite(const Vector3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Whether count floats from a and from b share any.
inline bool rangesOverlap(const float* a, const float* b, int32_t count) {
    const auto x = reinterpret_cast<uintptr_t>(a);
    const auto y = reinterpret_cast<uintptr_t>(b);
    const uintptr_t bytes = static_cast<uintptr_t>(count) * sizeof(float);
    return x < y + bytes && y < x + bytes;
}

}  // namespace

void BrumoBase::samplePoints(int32_t count, const QVVector3* points, float* densities,
                             float* shapeValues, QVColourRecord* colours) {
    const float size = parameters.size;
    const bool empty = size == 0.0f || !std::isfinite(size);
    const float f = 2.0f * prepared_.cubeBounds.inverseEdge;
    const bool meshShaping = parameters.meshOff == 0;
    MarchState march(prepared_, parameters, field_);
    bool lineCast = false;
    float lineY = 0.0f;
    float lineZ = 0.0f;

    // Without mesh shaping no sample depends on a cast, and runs of points go through the lanes.
    if (!empty && !meshShaping && batchedSampling()) {
        samplePointRuns(count, points, densities, shapeValues, colours);
        return;
    }

    for (int32_t i = 0; i < count; ++i) {
        const Vector3 p = Vector3{points[i].x, points[i].y, points[i].z} * f;
        float d = 0.0f;
        float s = 0.0f;
        ColourRGBA c{0.0f, 0.0f, 0.0f, 0.0f};
        if (!empty && isFinite(p)) {
            if (meshShaping && !(lineCast && p.y == lineY && p.z == lineZ)) {
                march.castMeshRay(p, kMeshLine);
                lineCast = true;
                lineY = p.y;
                lineZ = p.z;
            }
            const DensitySample sample = densityAt(p);
            d = sample.density;
            s = sample.shape;
            // A host colour shader reads the point the density path read last, as in the march.
            if (colours != nullptr) c = sampleColour(sample);
        }
        if (densities != nullptr) densities[i] = d;
        if (shapeValues != nullptr) shapeValues[i] = s;
        if (colours != nullptr) colours[i] = {c.red, c.green, c.blue, c.alpha};
    }
}

void BrumoBase::samplePointRuns(int32_t count, const QVVector3* points, float* densities,
                                float* shapeValues, QVColourRecord* colours) {
    const float f = 2.0f * prepared_.cubeBounds.inverseEdge;
    const bool colouring = colours != nullptr && parameters.colourFromGradient != 0;
    // The run writes straight into the caller's arrays where nothing can tell: every point
    // sampled and the two arrays apart (one array for both must end holding the shape values).
    const bool apart = densities == nullptr || shapeValues == nullptr ||
                       !rangesOverlap(densities, shapeValues, count);
    for (int32_t start = 0; start < count; start += kDensityBatch) {
        const int32_t n = std::min(kDensityBatch, count - start);
        // Points that are not finite take no sample and answer zeros. The run's coordinates are
        // scaled as one flat array, which the compiler takes in vector lanes; only a run with a
        // point that is not finite goes point by point.
        Vector3 run[kDensityBatch];
        bool sampled[kDensityBatch];
        const float* from = &points[start].x;
        float* to = &run[0].x;
        int32_t unfinished = 0;
        for (int32_t j = 0; j < 3 * n; ++j) {
            const float c = from[j] * f;
            to[j] = c;
            unfinished |= c - c != 0.0f ? 1 : 0;
        }
        int32_t m = n;
        for (int32_t k = 0; k < n; ++k) sampled[k] = true;
        if (unfinished != 0) {
            m = 0;
            // In place: m never passes k.
            for (int32_t k = 0; k < n; ++k) {
                const Vector3 p = run[k];
                sampled[k] = isFinite(p);
                run[m] = p;
                m += sampled[k] ? 1 : 0;
            }
        }
        const bool direct = apart && m == n && colours == nullptr;
        float ownDensities[kDensityBatch];
        float ownShapes[kDensityBatch];
        float* d = direct && densities != nullptr ? densities + start : ownDensities;
        float* s = direct && shapeValues != nullptr ? shapeValues + start : ownShapes;
        field_.sampleDensities(m, run, d, s);
        if (direct) continue;
        ColourRGBA c[kDensityBatch];
        if (colouring) {
            float positions[kDensityBatch];
            for (int32_t k = 0; k < m; ++k) positions[k] = gradientPosition(prepared_, d[k], s[k]);
            evaluateMany(parameters.colourGradient, m, positions, c);
        }
        // Each point's answers in the order of one point at a time: one array given for densities
        // and shape values is left holding the shape values.
        for (int32_t k = 0, j = 0; k < n; ++k) {
            const bool here = sampled[k];
            const int32_t i = start + k;
            if (densities != nullptr) densities[i] = here ? d[j] : 0.0f;
            if (shapeValues != nullptr) shapeValues[i] = here ? s[j] : 0.0f;
            if (colours != nullptr) {
                const ColourRGBA a = here && colouring ? c[j] : ColourRGBA{0.0f, 0.0f, 0.0f, 0.0f};
                colours[i] = {a.red, a.green, a.blue, a.alpha};
            }
            j += here ? 1 : 0;
        }
    }
}

QVResult BrumoBase::sampleAt(const QVVector3* point, float* density, float* shapeValue,
                             QVColourRecord* colour) {
    if (point == nullptr) return kInvalidArgument;
    return BrumoBase::sampleMany(1, point, density, shapeValue, colour);
}

QVResult BrumoBase::sampleMany(int32_t count, const QVVector3* points, float* densities,
                               float* shapeValues, QVColourRecord* colours) {
    if (count < 0 || (count > 0 && points == nullptr)) return kInvalidArgument;
    try {
        CriticalSectionScope scope(lock);
        refreshForRender();
        samplePoints(count, points, densities, shapeValues, colours);
    } catch (const TQVException& error) {
        return error.code;
    }
    return qv::kOk;
}

}  // namespace brumo
