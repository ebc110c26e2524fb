// Confinement of a primitive's vapour to a mesh of the scene: the normalised cube is stretched
// onto the mesh's bounding box, each march records where its ray crosses the surface (in crossings
// of its own), and each sample counts the crossings in front of it.
#pragma once

#include <cstdint>

#include "math/bounding_box.h"
#include "math/vector3.h"
#include "qv/scene.h"

namespace brumo {

struct MeshHit {
    Vector3 point;
    float distance;
    Vector3 normal;  // not normalised
    uint8_t parity;  // 1 marks an exit
};

// The most crossings one ray records.
constexpr int32_t kMaxMeshHits = 128;

// Where one ray crosses the mesh, nearest first. A march keeps its own, so that the prepared
// mesh stays read-only; held inline, as a march must not allocate.
struct MeshCrossings {
    QVMeshRay ray{};
    int32_t count = 0;
    MeshHit hits[kMaxMeshHits];
};

class MeshShape {
public:
    MeshShape();
    ~MeshShape();
    MeshShape(const MeshShape&) = delete;
    MeshShape& operator=(const MeshShape&) = delete;

    // Takes a reference to mesh (null drops the current one) and derives bounds and range.
    void setMesh(IQVMesh* newMesh);
    bool hasMesh() const { return mesh != nullptr; }
    // bounds from the host's meshBounds, then centre, halfExtent and diagonal; nothing without
    // a mesh.
    void refreshBounds();
    // range = falloff × largest edge / 2; nothing without a mesh.
    void updateRange();

    // The two points where the whole line through start along direction crosses the surface of
    // the box, with their line parameters (which may be negative); false for fewer than two.
    static bool rayBoxEntry(const Vector3& boxMin, const Vector3& boxMax, const Vector3& start,
                            const Vector3& direction, Vector3& hit1, float& t1, Vector3& hit2,
                            float& t2);

    // The normalised cube stretched onto the mesh's box.
    Vector3 mapPoint(const Vector3& p) const;

    // Casts the ray from start along direction (normalised space) through the mesh and records
    // its crossings (at most kMaxMeshHits) in crossings; false when it crosses nothing (or there
    // is no mesh).
    bool castRay(const Vector3& start, const Vector3& direction, MeshCrossings& crossings) const;

    // 1 deep inside the mesh, 0 outside, a soft border of width `range` in between, counted along
    // the ray of crossings; 0 for every point when there is no mesh.
    float insideWeight(const Vector3& p, const MeshCrossings& crossings) const;

    // Normal of a cast's hit: the facet's vertex normals weighted by the hit's barycentric
    // weights when the mesh has them, else the host's normal or the direction from the centre.
    Vector3 surfaceNormal(const QVHitRecord& hit) const;

    IQVMesh* mesh;
    BoundingBox bounds;
    float diagonal;
    Vector3 centre;
    Vector3 halfExtent;
    float falloff;
    float range;
    float rangeSquared;
};

}  // namespace brumo
