#include "primitive/mesh_shape.h"

#include <cmath>

#include "primitive/brumo_base.h"

namespace brumo {

MeshShape::MeshShape()
    : mesh(nullptr),
      bounds{kZeroVector, kZeroVector},
      diagonal(0.0f),
      centre(kZeroVector),
      halfExtent(kZeroVector),
      falloff(0.0f),
      range(0.0f),
      rangeSquared(0.0f) {}

MeshShape::~MeshShape() {
    if (mesh != nullptr) mesh->Release();
    mesh = nullptr;
}

void MeshShape::setMesh(IQVMesh* newMesh) {
    if (newMesh != mesh) {
        if (newMesh != nullptr) newMesh->AddRef();
        IQVMesh* old = mesh;
        mesh = newMesh;
        if (old != nullptr) old->Release();
    }
    refreshBounds();
    updateRange();
}

void MeshShape::refreshBounds() {
    if (mesh == nullptr) return;
    QVBox box{{1e30f, 1e30f, 1e30f}, {-1e30f, -1e30f, -1e30f}};
    mesh->meshBounds(&box, 2, 1);
    bounds.min = {box.min.x, box.min.y, box.min.z};
    bounds.max = {box.max.x, box.max.y, box.max.z};
    centre = (bounds.min + bounds.max) * 0.5f;
    halfExtent = bounds.max - centre;
    diagonal = length(bounds.max - bounds.min);
}

void MeshShape::updateRange() {
    if (mesh == nullptr) return;
    const Vector3 edges = bounds.max - bounds.min;
    float largest = edges.x > edges.y ? edges.x : edges.y;
    if (edges.z > largest) largest = edges.z;
    range = falloff * largest * 0.5f;
    rangeSquared = range * range;
}

bool MeshShape::rayBoxEntry(const Vector3& boxMin, const Vector3& boxMax, const Vector3& start,
                            const Vector3& direction, Vector3& hit1, float& t1, Vector3& hit2,
                            float& t2) {
    const Vector3 ahead = start + direction;
    int found = 0;
    for (int axis = 0; axis < 3; ++axis) {
        const int u = (axis + 1) % 3;
        const int w = (axis + 2) % 3;
        for (int side = 0; side < 2; ++side) {
            const float plane = side == 0 ? boxMin[axis] : boxMax[axis];
            const float a = start[axis] - plane;
            const float b = ahead[axis] - plane;
            if (std::fabs(b - a) < kNegligible) continue;  // parallel to the plane
            const double t = -(static_cast<double>(a) / static_cast<double>(b - a));
            const Vector3 hit = start + direction * static_cast<float>(t);
            // The whole line counts, behind start as well; the hit must lie strictly inside the face.
            if (!(boxMin[u] < hit[u] && hit[u] < boxMax[u] && boxMin[w] < hit[w] && hit[w] < boxMax[w]))
                continue;
            if (found == 0) {
                hit1 = hit;
                t1 = static_cast<float>(t);
                found = 1;
            } else {
                hit2 = hit;
                t2 = static_cast<float>(t);
                return true;
            }
        }
    }
    return false;
}

namespace {

inline Vector3 toVector(const QVVector3& v) { return {v.x, v.y, v.z}; }
inline QVVector3 toRecord(const Vector3& v) { return {v.x, v.y, v.z}; }

// One cast of the mesh along the ray from its minimum to its maximum distance; the hit record is
// preset for every cast, so that nothing of an earlier hit is taken for a result.
bool castMesh(IQVMesh* mesh, const QVMeshRay& ray, float minimumDistance, float maximumDistance,
              QVHitRecord& hit) {
    qv::resetShadingRecord(hit);
    hit.mode = qv::kShadingModeMeshCast;
    hit.normal = {0.0f, 0.0f, 0.0f};
    hit.facetIndex = -1;
    hit.barycentric[0] = hit.barycentric[1] = hit.barycentric[2] = 0.0f;
    QVCastQuery query{minimumDistance, maximumDistance, &ray, &hit, {-1, -1, -1}, {0, 0}};
    return mesh->castRay(&query);
}

}  // namespace

Vector3 MeshShape::mapPoint(const Vector3& p) const {
    return {centre.x + halfExtent.x * p.x, centre.y + halfExtent.y * p.y, centre.z + halfExtent.z * p.z};
}

bool MeshShape::castRay(const Vector3& start, const Vector3& direction, MeshCrossings& crossings) const {
    crossings.count = 0;
    if (mesh == nullptr) return false;

    const Vector3 origin = mapPoint(start);
    Vector3 meshDirection = mapPoint(start + direction) - origin;
    normalizeIfLonger(meshDirection, 0.0f);
    QVMeshRay& ray = crossings.ray;
    ray = QVMeshRay{};
    ray.origin = toRecord(origin);
    ray.direction = toRecord(meshDirection);

    // Every crossing of the line, nearest first: each cast starts just past the previous hit.
    const float maximum = diagonal + 1.0f;
    float minimum = -1.0f;
    QVHitRecord hit;
    while (crossings.count < kMaxMeshHits && castMesh(mesh, ray, minimum, maximum, hit)) {
        MeshHit& entry = crossings.hits[crossings.count];
        entry.distance = hit.hitDistance;
        entry.point = origin + meshDirection * entry.distance;
        entry.normal = surfaceNormal(hit);
        entry.parity = static_cast<uint8_t>(crossings.count % 2);
        ++crossings.count;
        minimum = entry.distance + kNegligible;
    }
    return crossings.count > 0;
}

Vector3 MeshShape::surfaceNormal(const QVHitRecord& hit) const {
    const QVFacetData* facets = mesh->meshData();
    const int32_t facet = hit.facetIndex;
    const float* w = hit.barycentric;
    const bool interpolate = facets != nullptr && facets->facets != nullptr &&
                             facets->vertexNormals != nullptr && facet >= 0 &&
                             facet < facets->facetCount && !(w[0] == 0.0f && w[1] == 0.0f && w[2] == 0.0f);
    if (!interpolate) {
        // The host's normal, or the way out from the box centre when it gave none.
        Vector3 normal = toVector(hit.normal);
        if (dot(normal, normal) < 0.5f) {
            normal = toVector(hit.point) - centre;
            normalizeIfLonger(normal, 0.0f);
        }
        return normal;
    }
    const int32_t* corners = facets->facets + 3 * facet;
    auto vertexNormal = [facets](int32_t index) {
        if (index < 0 || index >= facets->vertexCount) return kZeroVector;
        return toVector(facets->vertexNormals[index]);
    };
    return vertexNormal(corners[0]) * w[0] + vertexNormal(corners[1]) * w[1] + vertexNormal(corners[2]) * w[2];
}

float MeshShape::insideWeight(const Vector3& p, const MeshCrossings& crossings) const {
    if (mesh == nullptr) return 0.0f;
    const Vector3 m = mapPoint(p);
    const float d = length(m - toVector(crossings.ray.origin));

    // An odd number of crossings in front of the sample puts it inside.
    const MeshHit* hits = crossings.hits;
    int32_t i = 0;
    while (i < crossings.count && !(hits[i].distance > d)) ++i;
    if (i == crossings.count || i % 2 == 0) return 0.0f;
    if (range == 0.0f) return 1.0f;

    // Distance to the surface along the normals of the two crossings around the sample.
    auto surfaceDistance = [this, &m](const Vector3& normal) {
        QVMeshRay probe{};
        probe.origin = toRecord(m);
        probe.direction = toRecord(normal);
        QVHitRecord hit;
        return castMesh(mesh, probe, kNegligible, range, hit) ? hit.hitDistance : range;
    };
    const float s1 = surfaceDistance(hits[i - 1].normal);
    const float s2 = surfaceDistance(hits[i].normal);
    const float s = s1 < s2 ? s1 : s2;
    if (s >= range) return 1.0f;

    // The soft-object curve of (range - s)^2 over range^2: 0 on the surface, 1 at depth range.
    const float a = (range - s) * (range - s);
    const float b = rangeSquared;
    return 1.0f + a * (a * (17.0f / b - 4.0f * a / (b * b)) - 22.0f) / (9.0f * b);
}

}  // namespace brumo
