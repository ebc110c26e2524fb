// The attachment of a shaping mesh found by name, the mesh ray and its crossings. (Lights and
// the shadow grid are tested with the host's lights in tests/lights.)
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "host/common/host_object.h"
#include "host/common/text.h"
#include "primitive/mesh_shape.h"
#include "tests/support/module_objects.h"
#include "tests/support/host_doubles.h"
#include "tests/support/test_host.h"

namespace brumo::test {
namespace {

// A box-shaped mesh that answers casts analytically: the nearest crossing of its surface within
// the query's distances, with the face's outward normal. `endless` makes every cast hit just
// past its minimum distance; `facets` hands out one facet with vertex normals.
class FakeBoxMesh final : public host::HostObject<IQVSceneObject, IQVMesh> {
public:
    explicit FakeBoxMesh(QVBox meshBox) : box(meshBox) {}
    void QV_CALL objectName(TQVString* text) override { host::setText(text, "Box"); }
    int32_t QV_CALL meshKind() override { return qv::kTriangleMesh; }
    void QV_CALL meshBounds(QVBox* out, int32_t, int32_t) override { *out = box; }
    bool QV_CALL castRay(QVCastQuery* query) override {
        ++casts;
        origins.push_back(query->ray->origin);
        const Vector3 o{query->ray->origin.x, query->ray->origin.y, query->ray->origin.z};
        const Vector3 u{query->ray->direction.x, query->ray->direction.y, query->ray->direction.z};
        if (endless) return fill(query, query->minimumDistance + 0.001f, o, u, {0.0f, 0.0f, 0.0f});
        const Vector3 lo{box.min.x, box.min.y, box.min.z}, hi{box.max.x, box.max.y, box.max.z};
        float best = std::numeric_limits<float>::infinity();
        Vector3 bestNormal{};
        for (int axis = 0; axis < 3; ++axis) {
            if (u[axis] == 0.0f) continue;
            for (int side = 0; side < 2; ++side) {
                const float plane = side == 0 ? lo[axis] : hi[axis];
                const float t = (plane - o[axis]) / u[axis];
                if (t < query->minimumDistance || t > query->maximumDistance || t >= best) continue;
                const Vector3 q = o + u * t;
                bool onFace = true;
                for (int other = 0; other < 3; ++other)
                    if (other != axis && (q[other] < lo[other] || q[other] > hi[other])) onFace = false;
                if (!onFace) continue;
                best = t;
                bestNormal = kZeroVector;
                bestNormal[axis] = side == 0 ? -1.0f : 1.0f;
            }
        }
        if (best == std::numeric_limits<float>::infinity()) return false;
        return fill(query, best, o, u, hideNormals ? kZeroVector : bestNormal);
    }
    const QVFacetData* QV_CALL meshData() override { return facets ? &facetData : nullptr; }
    const QVObjectRecord* QV_CALL objectRecord() override { return nullptr; }
    IQVUnknown* QV_CALL objectShape() override { return nullptr; }

    QVBox box;
    bool endless = false;
    bool hideNormals = false;
    bool facets = false;
    int casts = 0;
    std::vector<QVVector3> origins;  // of every cast, in order
    int32_t corners[3] = {0, 1, 2};
    QVVector3 normals[3] = {{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}};
    QVVector3 vertices[3] = {};
    QVFacetData facetData{1, corners, 3, vertices, normals};

protected:
    void* findInterface(const QVGuid& iid) override {
        return iid == qv::IID_Mesh ? static_cast<IQVMesh*>(this) : nullptr;
    }

private:
    bool fill(QVCastQuery* query, float t, const Vector3& o, const Vector3& u, const Vector3& normal) {
        const Vector3 q = o + u * t;
        query->hit->hitDistance = t;
        query->hit->point = {q.x, q.y, q.z};
        query->hit->normal = {normal.x, normal.y, normal.z};
        if (facets) {
            query->hit->facetIndex = 0;
            query->hit->barycentric[0] = 0.5f;
            query->hit->barycentric[1] = 0.5f;
            query->hit->barycentric[2] = 0.0f;
        }
        return true;
    }
};

TEST(MeshAttachment, MeshIsFoundByNameAndGivesBoundsAndRange) {
    // The cube maps onto the mesh's box [-1, 3] x [0, 2] x [2, 3]; the soft border is
    // 0.25 × largest edge 4 / 2 = 0.5 mesh units deep.
    const QVBox bounds{{-1.0f, 0.0f, 2.0f}, {3.0f, 2.0f, 3.0f}};
    auto* box = new FakeBoxMesh(bounds);
    auto* blob = new FakeMesh("Blob", {}, bounds);
    auto* flat = new FakeMesh("Card", {true, 7}, {{0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 0.0f}});
    for (IQVSceneObject* object : {static_cast<IQVSceneObject*>(box), static_cast<IQVSceneObject*>(blob),
                                   static_cast<IQVSceneObject*>(flat)})
        host().scene().addObject(object);
    {
        EffectRef smog(CLSID_Smog);
        EffectParameters& p = smog.block();
        p.shapeFlags = 0;
        p.meshOff = 0;
        p.meshFalloff = 0.25f;
        p.meshName->setText("Blob");
        auto shapeAt = [&smog](const Vector3& point) { return sampleAt(smog, point).shapeValue; };

        // A mesh the ray never meets: its bounds are asked for in object space, widened; no
        // crossings, every sample weighs 0.
        EXPECT_EQ(shapeAt({0.0f, 0.0f, 0.0f}), 0.0f);
        EXPECT_EQ(blob->lastSpace, 2);
        EXPECT_EQ(blob->lastWiden, 1);

        // 0.1 inside the cube's face is 0.2 inside the mesh: the soft-object curve of
        // (0.5 - 0.2)² / 0.5²; deeper than 0.5 the weight is 1.
        p.meshName->setText("Box");
        EXPECT_EQ(shapeAt({0.0f, 0.0f, 0.0f}), 1.0f);
        const float u = 0.36f;
        EXPECT_NEAR(shapeAt({-0.9f, 0.3f, -0.4f}), 1.0f - 22.0f / 9.0f * u + 17.0f / 9.0f * u * u - 4.0f / 9.0f * u * u * u,
                    1e-4f);

        // A name that is not found, or a mesh of another kind, keeps the attached mesh.
        p.meshName->setText("Nowhere");
        EXPECT_EQ(shapeAt({0.0f, 0.0f, 0.0f}), 1.0f);
        p.meshName->setText("Card");
        EXPECT_EQ(shapeAt({0.0f, 0.0f, 0.0f}), 1.0f);

        // Switching mesh shaping off drops it: on again with no mesh found, nothing is inside.
        p.meshOff = 1;
        EXPECT_EQ(shapeAt({0.0f, 0.0f, 0.0f}), 1.0f);
        p.meshOff = 0;
        EXPECT_EQ(shapeAt({0.0f, 0.0f, 0.0f}), 0.0f);
        p.meshName->setText("Box");
        EXPECT_EQ(shapeAt({0.0f, 0.0f, 0.0f}), 1.0f);
    }
    // The primitive let go of every reference it took.
    EXPECT_EQ(box->referenceCount(), 2);
    EXPECT_EQ(blob->referenceCount(), 2);
    for (const char* name : {"Box", "Blob", "Card"}) host().scene().removeObject(name);
    box->Release();
    blob->Release();
    flat->Release();
}

TEST(MeshShaping, SamplesBetweenAnEntryAndAnExitAreInside) {
    // The normalised cube maps onto [-2, 2] x [-1, 1] x [-1, 1].
    auto* box = new FakeBoxMesh({{-2.0f, -1.0f, -1.0f}, {2.0f, 1.0f, 1.0f}});
    MeshShape shape;
    shape.setMesh(box);
    EXPECT_EQ(shape.mapPoint({-1.0f, 0.5f, 1.0f}), (Vector3{-2.0f, 0.5f, 1.0f}));
    EXPECT_FLOAT_EQ(shape.diagonal, std::sqrt(24.0f));

    MeshCrossings crossings;
    ASSERT_TRUE(shape.castRay({-1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, crossings));
    ASSERT_EQ(crossings.count, 2);
    EXPECT_EQ(crossings.hits[0].distance, 0.0f);
    EXPECT_EQ(crossings.hits[0].parity, 0);
    EXPECT_EQ(crossings.hits[0].normal, (Vector3{-1.0f, 0.0f, 0.0f}));
    EXPECT_EQ(crossings.hits[1].distance, 4.0f);
    EXPECT_EQ(crossings.hits[1].parity, 1);
    EXPECT_EQ(crossings.hits[1].point, (Vector3{2.0f, 0.0f, 0.0f}));

    // Hard border: inside 1, outside 0; a sample on a crossing has it behind.
    EXPECT_EQ(shape.insideWeight({0.0f, 0.0f, 0.0f}, crossings), 1.0f);
    EXPECT_EQ(shape.insideWeight({-1.0f, 0.0f, 0.0f}, crossings), 1.0f);
    EXPECT_EQ(shape.insideWeight({1.0f, 0.0f, 0.0f}, crossings), 0.0f);
    EXPECT_EQ(shape.insideWeight({1.5f, 0.0f, 0.0f}, crossings), 0.0f);

    // Soft border of width falloff x largest edge / 2 = 0.5: the soft-object curve of the depth.
    shape.falloff = 0.125f;
    shape.updateRange();
    EXPECT_EQ(shape.range, 0.25f);
    shape.falloff = 0.25f;
    shape.updateRange();
    EXPECT_EQ(shape.insideWeight({0.0f, 0.0f, 0.0f}, crossings), 1.0f);
    const float u = 0.09f / 0.25f;  // (range - 0.2)^2 / range^2 at 0.2 inside
    EXPECT_NEAR(shape.insideWeight({-0.9f, 0.0f, 0.0f}, crossings),
                1.0f - 22.0f / 9.0f * u + 17.0f / 9.0f * u * u - 4.0f / 9.0f * u * u * u, 1e-5f);
    EXPECT_NEAR(shape.insideWeight({-0.9999f, 0.0f, 0.0f}, crossings), 0.0f, 1e-3f);

    // A ray that misses records nothing.
    EXPECT_FALSE(shape.castRay({-1.0f, 3.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, crossings));
    EXPECT_EQ(shape.insideWeight({0.0f, 3.0f, 0.0f}, crossings), 0.0f);
    box->Release();
}

TEST(MeshShaping, NormalsAndTheCrossingLimit) {
    auto* box = new FakeBoxMesh({{-1.0f, -1.0f, -1.0f}, {1.0f, 1.0f, 1.0f}});
    MeshShape shape;
    shape.setMesh(box);
    MeshCrossings crossings;

    // Without a normal from the host: the way out from the centre.
    box->hideNormals = true;
    ASSERT_TRUE(shape.castRay({-1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, crossings));
    EXPECT_EQ(crossings.hits[0].normal, (Vector3{-1.0f, 0.0f, 0.0f}));
    // With facets: the vertex normals weighted by the hit's barycentric weights.
    box->facets = true;
    shape.castRay({-1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, crossings);
    EXPECT_EQ(crossings.hits[1].normal, (Vector3{0.5f, 0.5f, 0.0f}));

    // A surface that never ends is recorded up to 128 crossings.
    box->facets = false;
    box->endless = true;
    box->casts = 0;
    shape.castRay({-1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, crossings);
    EXPECT_EQ(crossings.count, 128);
    EXPECT_EQ(box->casts, 128);
    EXPECT_EQ(crossings.hits[127].parity, 1);
    shape.setMesh(nullptr);
    EXPECT_EQ(box->referenceCount(), 1);
    box->Release();
}

TEST(MeshShaping, TheMarchStartsTheMeshRayWhereTheLineEntersTheOuterBox) {
    auto* box = new FakeBoxMesh({{-1.0f, -1.0f, -1.0f}, {1.0f, 1.0f, 1.0f}});
    host().scene().addObject(box);
    {
        EffectRef smog(CLSID_Smog);
        EffectParameters& p = smog.block();
        p.size = 1.0f;
        p.meshOff = 0;
        p.meshName->setText("Box");
        const QVVector3 start{-1.0f, 0.0f, 0.0f};
        const QVVector3 end{1.0f, 0.0f, 0.0f};
        QVColourRecord colour{};
        smog->volumeInterface()->integrateSegment(&start, &end, &colour, nullptr, 0, 0);
        // The ray begins at x = -1.5, half a unit before the segment, and meets both faces.
        ASSERT_GE(box->origins.size(), 2u);
        EXPECT_EQ(box->origins[0].x, -1.5f);
        EXPECT_EQ(box->origins[0].y, 0.0f);
        EXPECT_EQ(box->origins[0].z, 0.0f);
    }
    host().scene().removeObject("Box");
    box->Release();
}

TEST(MeshAttachment, RayBoxEntryFindsBothCrossingsOfTheWholeLine) {
    const Vector3 lo{-1.5f, -1.5f, -1.5f}, hi{1.5f, 1.5f, 1.5f};
    Vector3 h1, h2;
    float t1 = 0.0f, t2 = 0.0f;
    ASSERT_TRUE(MeshShape::rayBoxEntry(lo, hi, {0.0f, 0.5f, 0.0f}, {1.0f, 0.0f, 0.0f}, h1, t1, h2, t2));
    EXPECT_EQ(h1, (Vector3{-1.5f, 0.5f, 0.0f}));  // behind the start: the whole line counts
    EXPECT_EQ(t1, -1.5f);
    EXPECT_EQ(h2, (Vector3{1.5f, 0.5f, 0.0f}));
    EXPECT_EQ(t2, 1.5f);

    // A line that misses the box, and one along an edge (not strictly inside any face).
    EXPECT_FALSE(MeshShape::rayBoxEntry(lo, hi, {0.0f, 5.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, h1, t1, h2, t2));
    EXPECT_FALSE(MeshShape::rayBoxEntry(lo, hi, {0.0f, 1.5f, 1.5f}, {1.0f, 0.0f, 0.0f}, h1, t1, h2, t2));
    // A zero direction is parallel to every plane.
    EXPECT_FALSE(MeshShape::rayBoxEntry(lo, hi, {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, h1, t1, h2, t2));
}

}  // namespace
}  // namespace brumo::test
