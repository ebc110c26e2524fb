// The density sampler: the march's own density and colour functions at points the host names,
// after the same preparation as a render call.
#include <cmath>

#include "primitive/brumo_base.h"
#include "qv/exception.h"

namespace brumo {

namespace {

// Mesh rays of the sampler run along the local x axis, so that a row of voxels shares one cast.
constexpr Vector3 kMeshLine{1.0f, 0.0f, 0.0f};

inline bool isFinite(const Vector3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

}  // namespace

void BrumoBase::samplePoints(int32_t count, const QVVector3* points, float* densities,
                             float* shapeValues, QVColourRecord* colours) {
    const float size = parameters.size;
    const bool empty = size == 0.0f || !std::isfinite(size);
    const float f = 2.0f * cubeBounds.inverseEdge;
    const bool meshShaping = parameters.meshOff == 0;
    bool lineCast = false;
    float lineY = 0.0f;
    float lineZ = 0.0f;

    for (int32_t i = 0; i < count; ++i) {
        const Vector3 p = Vector3{points[i].x, points[i].y, points[i].z} * f;
        float d = 0.0f;
        float s = 0.0f;
        ColourRGBA c{0.0f, 0.0f, 0.0f, 0.0f};
        if (!empty && isFinite(p)) {
            if (meshShaping && !(lineCast && p.y == lineY && p.z == lineZ)) {
                castMeshRay(p, kMeshLine);
                lineCast = true;
                lineY = p.y;
                lineZ = p.z;
            }
            d = sampleDensity(p);
            s = shapeValue;
            // The colour reads what the density path left behind, as in accumulateSample.
            if (colours != nullptr) c = sampleColour(p, d);
        }
        if (densities != nullptr) densities[i] = d;
        if (shapeValues != nullptr) shapeValues[i] = s;
        if (colours != nullptr) colours[i] = {c.red, c.green, c.blue, c.alpha};
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
