// Triangle meshes of the scene: loaded from OBJ files or built as a sphere, box or torus. Each is
// a scene object found by its name that also answers the mesh interface, so that effects can
// confine their vapour to its inside and the mesh picker can list it.
//
// Rays are cast with Embree on a scene built once at creation; the mesh never changes after
// that, so any number of render threads may cast on one mesh at once.
//
// Every factory throws std::runtime_error with a message naming what was wrong (and the file,
// for OBJ files).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/common/host_object.h"
#include "qv/scene.h"

struct RTCSceneTy;

namespace brumo::host {

class MeshObject final : public HostObject<IQVSceneObject, IQVMesh> {
public:
    // Every face of every group of the file, polygons split into triangles.
    static Ref<MeshObject> loadObj(const std::string& path, const std::string& name);
    // A UV sphere about the origin: `segments` around the z axis, `rings` from pole to pole.
    static Ref<MeshObject> sphere(const std::string& name, float radius, int32_t segments = 48,
                                  int32_t rings = 24);
    // The box [-halfExtent, halfExtent], four corners of its own per face so that its vertex
    // normals are the face normals.
    static Ref<MeshObject> box(const std::string& name, const QVVector3& halfExtent);
    // A ring about the z axis: the tube of radius minorRadius follows the circle of radius
    // majorRadius in the xy plane.
    static Ref<MeshObject> torus(const std::string& name, float majorRadius, float minorRadius,
                                 int32_t majorSegments = 64, int32_t minorSegments = 32);
    // Any triangles: three vertex indices per facet, counter-clockwise seen from outside. The
    // vertex normals are the area-weighted normals of the facets around each vertex, unless
    // given (one per vertex; the built-in shapes give their exact normals).
    static Ref<MeshObject> fromTriangles(const std::string& name, std::vector<QVVector3> vertices,
                                         std::vector<int32_t> facets,
                                         std::vector<QVVector3> normals = {});

    void QV_CALL objectName(TQVString* text) override;

    int32_t QV_CALL meshKind() override { return qv::kTriangleMesh; }
    // The mesh has no placement of its own, so every space gives the same box. widen 0 replaces
    // the box, any other value extends it.
    void QV_CALL meshBounds(QVBox* box, int32_t space, int32_t widen) override;
    // Distances are lengths along the ray, whatever the length of its direction; a negative
    // minimum finds crossings behind the origin. Fills the hit's distance, point, face normal
    // (unit length, outward for counter-clockwise facets), facet index and the barycentric
    // weights of the facet's three vertices in the order of its indices.
    bool QV_CALL castRay(QVCastQuery* query) override;
    const QVFacetData* QV_CALL meshData() override { return &facetData_; }
    const QVObjectRecord* QV_CALL objectRecord() override { return &record_; }
    IQVUnknown* QV_CALL objectShape() override;

    const std::string& name() const { return name_; }
    const QVBox& bounds() const { return bounds_; }
    int32_t facetCount() const { return facetData_.facetCount; }
    int32_t vertexCount() const { return facetData_.vertexCount; }

protected:
    void* findInterface(const QVGuid& iid) override;

private:
    // Without normals (empty), each vertex takes the area-weighted normal of its facets.
    MeshObject(std::string name, std::vector<QVVector3> vertices, std::vector<int32_t> facets,
               std::vector<QVVector3> normals);
    ~MeshObject() override;
    float exactPlaneDistance(const QVVector3& origin, const QVVector3& u, const int32_t* corners, float traced,
                             float minimum, float maximum) const;

    std::string name_;
    std::vector<QVVector3> vertices_;
    std::vector<QVVector3> normals_;  // unit length (zero for unused vertices)
    std::vector<int32_t> facets_;
    QVFacetData facetData_{};
    QVObjectRecord record_{};
    QVBox bounds_{};
    RTCSceneTy* rayScene_ = nullptr;
};

}  // namespace brumo::host
