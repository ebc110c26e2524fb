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
      ray{},
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

bool MeshShape::prepareMeshRay(const Vector3&, const Vector3&) {
    // Casting through the mesh is not built yet: every ray crosses nothing, so every sample of a
    // primitive with mesh shaping on weighs 0.
    hits.setCount(0);
    return false;
}

float MeshShape::insideWeight(const Vector3&) { return 0.0f; }

}  // namespace brumo
