// The reference host's mesh objects: ray casts against known distances, the cast's limits and
// hit record, closed built-in and example meshes, facet data, records for the mesh picker, OBJ
// files and their errors, and casts from several threads at once.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "host/common/text.h"
#include "host/scene/mesh_object.h"
#include "host/scene/scene.h"
#include "qv/strings.h"
#include "tests/support/scratch_folder.h"

namespace brumo::host {
namespace {

constexpr float kStep = 0.00006103515625f;  // what the module adds past each crossing

QVVector3 add(const QVVector3& a, const QVVector3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
QVVector3 scaled(const QVVector3& a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float dot(const QVVector3& a, const QVVector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
float distance(const QVVector3& a, const QVVector3& b) {
    const QVVector3 d{a.x - b.x, a.y - b.y, a.z - b.z};
    return std::sqrt(dot(d, d));
}
QVVector3 unit(const QVVector3& v) { return scaled(v, 1.0f / std::sqrt(dot(v, v))); }

struct Cast {
    bool hit = false;
    QVHitRecord record{};
};

// One cast as the module makes it: the record preset with the host's defaults and the cast mode.
Cast cast(MeshObject& mesh, QVVector3 origin, QVVector3 direction, float minimum, float maximum) {
    QVMeshRay ray{};
    ray.origin = origin;
    ray.direction = direction;
    Cast result;
    qv::resetShadingRecord(result.record);
    result.record.mode = qv::kShadingModeMeshCast;
    result.record.normal = {0.0f, 0.0f, 0.0f};
    result.record.facetIndex = -1;
    QVCastQuery query{minimum, maximum, &ray, &result.record, {-1, -1, -1}, {0, 0}};
    result.hit = mesh.castRay(&query);
    return result;
}

// Every crossing of the ray from `minimum` on, each cast starting just past the previous one.
std::vector<QVHitRecord> crossings(MeshObject& mesh, QVVector3 origin, QVVector3 direction, float minimum,
                                   float maximum) {
    std::vector<QVHitRecord> hits;
    for (Cast c = cast(mesh, origin, direction, minimum, maximum); c.hit && hits.size() < 1000;
         c = cast(mesh, origin, direction, c.record.hitDistance + kStep, maximum))
        hits.push_back(c.record);
    return hits;
}

std::string examplePath() { return std::string(BRUMO_SOURCE_DIR) + "/examples/meshes/blob.obj"; }

TEST(MeshCast, BoxCrossingsLieAtTheirKnownDistancesWithinTheCastLimits) {
    Ref<MeshObject> box = MeshObject::box("Crate", {1.0f, 2.0f, 3.0f});

    // Along x from x = -5: the faces at x = -1 and x = 1.
    Cast first = cast(*box, {-5.0f, 0.5f, 0.25f}, {1.0f, 0.0f, 0.0f}, 0.0f, 100.0f);
    ASSERT_TRUE(first.hit);
    EXPECT_FLOAT_EQ(first.record.hitDistance, 4.0f);
    EXPECT_NEAR(distance(first.record.point, {-1.0f, 0.5f, 0.25f}), 0.0f, 1e-6f);
    EXPECT_NEAR(distance(first.record.normal, {-1.0f, 0.0f, 0.0f}), 0.0f, 1e-6f);
    ASSERT_GE(first.record.facetIndex, 0);
    ASSERT_LT(first.record.facetIndex, box->facetCount());
    Cast second = cast(*box, {-5.0f, 0.5f, 0.25f}, {1.0f, 0.0f, 0.0f}, 4.0f + kStep, 100.0f);
    ASSERT_TRUE(second.hit);
    EXPECT_FLOAT_EQ(second.record.hitDistance, 6.0f);
    EXPECT_NEAR(distance(second.record.normal, {1.0f, 0.0f, 0.0f}), 0.0f, 1e-6f);
    EXPECT_FALSE(cast(*box, {-5.0f, 0.5f, 0.25f}, {1.0f, 0.0f, 0.0f}, 6.0f + kStep, 100.0f).hit);

    // The maximum cuts the ray short; a minimum beyond the maximum meets nothing.
    EXPECT_FALSE(cast(*box, {-5.0f, 0.5f, 0.25f}, {1.0f, 0.0f, 0.0f}, 0.0f, 3.99f).hit);
    EXPECT_FALSE(cast(*box, {-5.0f, 0.5f, 0.25f}, {1.0f, 0.0f, 0.0f}, 5.0f, 4.5f).hit);

    // The other two axes, and a direction that is not of unit length: distances stay lengths.
    EXPECT_FLOAT_EQ(cast(*box, {0.3f, -10.0f, 0.2f}, {0.0f, 1.0f, 0.0f}, 0.0f, 100.0f).record.hitDistance, 8.0f);
    EXPECT_FLOAT_EQ(cast(*box, {0.3f, 0.2f, 10.0f}, {0.0f, 0.0f, -2.0f}, 0.0f, 100.0f).record.hitDistance, 7.0f);
    const Cast slanted = cast(*box, {-4.0f, 0.5f, -2.0f}, {3.0f, 0.0f, 4.0f}, 0.0f, 100.0f);
    ASSERT_TRUE(slanted.hit);
    EXPECT_NEAR(distance(slanted.record.point, {-1.0f, 0.5f, 2.0f}), 0.0f, 1e-5f);
    EXPECT_NEAR(slanted.record.hitDistance, 5.0f, 1e-5f);

    // A negative minimum finds the crossing behind the origin, at a negative distance.
    Cast behind = cast(*box, {0.0f, 0.5f, 0.25f}, {1.0f, 0.0f, 0.0f}, -2.0f, 10.0f);
    ASSERT_TRUE(behind.hit);
    EXPECT_FLOAT_EQ(behind.record.hitDistance, -1.0f);
    EXPECT_NEAR(distance(behind.record.point, {-1.0f, 0.5f, 0.25f}), 0.0f, 1e-6f);
    EXPECT_FLOAT_EQ(cast(*box, {0.0f, 0.5f, 0.25f}, {1.0f, 0.0f, 0.0f}, -0.5f, 10.0f).record.hitDistance, 1.0f);

    // A zero direction or a missing record meets nothing.
    EXPECT_FALSE(cast(*box, {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, -10.0f, 10.0f).hit);
    QVCastQuery empty{0.0f, 10.0f, nullptr, nullptr, {-1, -1, -1}, {0, 0}};
    EXPECT_FALSE(box->castRay(&empty));
}

TEST(MeshCast, BarycentricWeightsInTheFacetsOrderReproduceTheHitPoint) {
    Ref<MeshObject> meshes[] = {MeshObject::sphere("Ball", 1.5f, 20, 10),
                                MeshObject::torus("Ring", 1.0f, 0.4f, 24, 12),
                                MeshObject::loadObj(examplePath(), "Blob")};
    std::mt19937 random(7);
    std::uniform_real_distribution<float> spread(-1.0f, 1.0f);
    for (auto& mesh : meshes) {
        const QVFacetData* data = mesh->meshData();
        ASSERT_NE(data, nullptr);
        int hits = 0;
        for (int i = 0; i < 300; ++i) {
            const QVVector3 origin = scaled(unit({spread(random), spread(random), spread(random)}), 6.0f);
            const QVVector3 target{0.6f * spread(random), 0.6f * spread(random), 0.6f * spread(random)};
            const QVVector3 direction = unit(add(target, scaled(origin, -1.0f)));
            const Cast c = cast(*mesh, origin, direction, 0.0f, 20.0f);
            if (!c.hit) continue;
            ++hits;
            const QVHitRecord& h = c.record;
            ASSERT_GE(h.facetIndex, 0);
            ASSERT_LT(h.facetIndex, data->facetCount);
            const int32_t* corners = data->facets + 3 * h.facetIndex;
            QVVector3 p{0.0f, 0.0f, 0.0f};
            for (int k = 0; k < 3; ++k) {
                EXPECT_GE(h.barycentric[k], -1e-6f);
                p = add(p, scaled(data->vertices[corners[k]], h.barycentric[k]));
            }
            EXPECT_NEAR(h.barycentric[0] + h.barycentric[1] + h.barycentric[2], 1.0f, 1e-5f);
            EXPECT_NEAR(distance(p, h.point), 0.0f, 1e-5f) << mesh->name() << " ray " << i;
            EXPECT_NEAR(distance(h.point, add(origin, scaled(direction, h.hitDistance))), 0.0f, 1e-5f);
            // Seen from outside the first crossing faces the ray.
            EXPECT_LT(dot(h.normal, direction), 0.0f) << mesh->name() << " ray " << i;
            EXPECT_NEAR(dot(h.normal, h.normal), 1.0f, 1e-5f);
        }
        EXPECT_GT(hits, 100) << mesh->name();
    }
}

TEST(MeshCast, ClosedMeshesAreEnteredAndLeftInTurn) {
    Ref<MeshObject> meshes[] = {MeshObject::sphere("Ball", 1.0f), MeshObject::box("Crate", {0.5f, 1.0f, 0.25f}),
                                MeshObject::torus("Ring", 0.7f, 0.3f), MeshObject::loadObj(examplePath(), "Blob")};
    std::mt19937 random(11);
    std::uniform_real_distribution<float> spread(-1.0f, 1.0f);
    for (auto& mesh : meshes) {
        int crossed = 0;
        for (int i = 0; i < 300; ++i) {
            const QVVector3 origin = scaled(unit({spread(random), spread(random), spread(random)}), 5.0f);
            const QVVector3 target{0.8f * spread(random), 0.8f * spread(random), 0.3f * spread(random)};
            const QVVector3 direction = unit(add(target, scaled(origin, -1.0f)));
            const std::vector<QVHitRecord> hits = crossings(*mesh, origin, direction, 0.0f, 20.0f);
            ASSERT_EQ(hits.size() % 2, 0u) << mesh->name() << " ray " << i;
            for (size_t k = 0; k < hits.size(); ++k) {
                // Entries face the ray, exits face away.
                if (k % 2 == 0) EXPECT_LT(dot(hits[k].normal, direction), 0.0f) << mesh->name() << " ray " << i;
                else EXPECT_GT(dot(hits[k].normal, direction), 0.0f) << mesh->name() << " ray " << i;
            }
            crossed += hits.empty() ? 0 : 1;
        }
        EXPECT_GT(crossed, 50) << mesh->name();
    }
}

TEST(MeshData, FacetsVertexNormalsBoundsAndRecords) {
    Ref<MeshObject> ball = MeshObject::sphere("Ball", 2.0f, 16, 8);
    const QVFacetData* data = ball->meshData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->facetCount, 2 * 16 * 7);  // two caps of fans and six bands of quads
    EXPECT_EQ(data->vertexCount, 16 * 7 + 2);
    for (int32_t i = 0; i < data->vertexCount; ++i) {
        // The sphere's own normals, straight out from its centre.
        EXPECT_NEAR(distance(data->vertexNormals[i], unit(data->vertices[i])), 0.0f, 1e-6f) << i;
        EXPECT_NEAR(std::sqrt(dot(data->vertices[i], data->vertices[i])), 2.0f, 1e-5f);
    }

    // Without normals of its own a mesh takes the area-weighted normals of its facets: at the
    // corners of an octahedron, the corner's own axis.
    Ref<MeshObject> octahedron = MeshObject::fromTriangles(
        "Octahedron", {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}},
        {0, 2, 4, 2, 1, 4, 1, 3, 4, 3, 0, 4, 2, 0, 5, 1, 2, 5, 3, 1, 5, 0, 3, 5});
    for (int32_t i = 0; i < 6; ++i)
        EXPECT_NEAR(distance(octahedron->meshData()->vertexNormals[i], octahedron->meshData()->vertices[i]), 0.0f, 1e-6f);

    // The box's faces keep corners of their own: the vertex normals are the face normals.
    Ref<MeshObject> crate = MeshObject::box("Crate", {1.0f, 2.0f, 3.0f});
    EXPECT_EQ(crate->meshData()->facetCount, 12);
    for (int32_t i = 0; i < crate->meshData()->vertexCount; ++i) {
        const QVVector3 n = crate->meshData()->vertexNormals[i];
        EXPECT_FLOAT_EQ(std::fabs(n.x) + std::fabs(n.y) + std::fabs(n.z), 1.0f);
    }

    // Bounds: widening keeps what the box held, 0 replaces it.
    QVBox box{{1e30f, 1e30f, 1e30f}, {-1e30f, -1e30f, -1e30f}};
    crate->meshBounds(&box, 2, 1);
    EXPECT_EQ(box.min.x, -1.0f);
    EXPECT_EQ(box.min.y, -2.0f);
    EXPECT_EQ(box.max.z, 3.0f);
    box = {{-5.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 9.0f}};
    crate->meshBounds(&box, 2, 1);
    EXPECT_EQ(box.min.x, -5.0f);
    EXPECT_EQ(box.max.x, 1.0f);
    EXPECT_EQ(box.max.z, 9.0f);
    crate->meshBounds(&box, 2, 0);
    EXPECT_EQ(box.min.x, -1.0f);
    EXPECT_EQ(box.max.z, 3.0f);

    // What the mesh picker asks: a usable kind, a renderable record, a shape, a name.
    EXPECT_EQ(crate->meshKind(), qv::kTriangleMesh);
    ASSERT_NE(crate->objectRecord(), nullptr);
    EXPECT_NE(crate->objectRecord()->renderable, 0);
    IQVUnknown* shape = crate->objectShape();
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(crate->referenceCount(), 2);
    shape->Release();
    EXPECT_EQ(crate->referenceCount(), 1);

    // Found by name in a scene, answering the mesh interface.
    Ref<Scene> scene = Ref<Scene>::adopt(new Scene);
    scene->addObject(crate.get());
    TQVFixedString<255> name;
    name.setText("Crate", 5);
    IQVSceneObject* found = nullptr;
    scene->findObjectByName(&found, &name);
    ASSERT_EQ(found, static_cast<IQVSceneObject*>(crate.get()));
    EXPECT_EQ(objectName(found), "Crate");
    IQVMesh* mesh = nullptr;
    ASSERT_EQ(found->QueryInterface(qv::IID_Mesh, reinterpret_cast<void**>(&mesh)), qv::kOk);
    EXPECT_EQ(mesh, static_cast<IQVMesh*>(crate.get()));
    mesh->Release();
    found->Release();
}

TEST(MeshBuilders, RefuseShapesThatCannotBeBuilt) {
    EXPECT_THROW(MeshObject::sphere("Ball", 0.0f), std::runtime_error);
    EXPECT_THROW(MeshObject::sphere("Ball", NAN), std::runtime_error);
    EXPECT_THROW(MeshObject::sphere("Ball", 1.0f, 2, 8), std::runtime_error);
    EXPECT_THROW(MeshObject::box("Crate", {1.0f, -1.0f, 1.0f}), std::runtime_error);
    EXPECT_THROW(MeshObject::torus("Ring", 0.5f, 0.5f), std::runtime_error);  // no hole left
    EXPECT_THROW(MeshObject::torus("Ring", 1.0f, 0.2f, 64, 100000), std::runtime_error);
    EXPECT_THROW(MeshObject::fromTriangles("Bad", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 3}),
                 std::runtime_error);
    EXPECT_THROW(MeshObject::fromTriangles("Bad", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {}), std::runtime_error);
    try {
        MeshObject::torus("Doughnut", 1.0f, -0.5f);
        ADD_FAILURE() << "a negative radius was accepted";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("Doughnut"), std::string::npos) << error.what();
    }
}

TEST(MeshObjFile, EveryGroupIsReadAndPolygonsAreSplit) {
    // A unit cube of quads in two groups, wound outward, with normals and a material that is
    // not there (both unused).
    const test::ScratchFolder folder;
    const std::string file = folder.write("cube.obj",
                                          "mtllib missing.mtl\n"
                                          "v -1 -1 -1\nv 1 -1 -1\nv 1 1 -1\nv -1 1 -1\n"
                                          "v -1 -1 1\nv 1 -1 1\nv 1 1 1\nv -1 1 1\nvn 0 0 1\n"
                                          "g bottom_and_top\nf 1 4 3 2\nf 5 6 7 8\n"
                                          "g sides\nf 1 2 6 5\nf 2 3 7 6\nf 3 4 8 7\nf 4 1 5 8\nl 1 7\n");
    Ref<MeshObject> cube = MeshObject::loadObj(file, "Cube");
    EXPECT_EQ(cube->name(), "Cube");
    EXPECT_EQ(cube->facetCount(), 12);
    EXPECT_EQ(cube->vertexCount(), 8);
    EXPECT_EQ(cube->bounds().min.z, -1.0f);
    EXPECT_EQ(cube->bounds().max.x, 1.0f);
    const std::vector<QVHitRecord> hits = crossings(*cube, {0.1f, 0.2f, -4.0f}, {0.0f, 0.0f, 1.0f}, 0.0f, 10.0f);
    ASSERT_EQ(hits.size(), 2u);
    EXPECT_FLOAT_EQ(hits[0].hitDistance, 3.0f);
    EXPECT_FLOAT_EQ(hits[1].hitDistance, 5.0f);
    EXPECT_LT(hits[0].normal.z, 0.0f);

    Ref<MeshObject> blob = MeshObject::loadObj(examplePath(), "Blob");
    EXPECT_EQ(blob->facetCount(), 1280);
    EXPECT_EQ(blob->vertexCount(), 642);
}

TEST(MeshObjFile, LoadErrorsNameTheFileAndTheFault) {
    auto expectError = [](const std::string& path, const std::string& fault) {
        try {
            MeshObject::loadObj(path, "Mesh");
            ADD_FAILURE() << path << " loaded";
        } catch (const std::runtime_error& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find(path), std::string::npos) << message;
            EXPECT_NE(message.find(fault), std::string::npos) << message;
        }
    };
    expectError("/nonexistent/brumo/mesh.obj", "no such file");
    expectError(std::filesystem::temp_directory_path().string(), "not a regular file");
    const test::ScratchFolder folder;
    expectError(folder.write("points.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\n"), "no faces");
    expectError(folder.write("beyond.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 9\n"), "vertex 9");
    expectError(folder.write("broken.obj", "v 0 0 0\nv 1 0 1e39\nv 0 1 0\nf 1 2 3\n"), "finite");
}

TEST(MeshCast, RenderThreadsCastOnOneMeshAtOnce) {
    Ref<MeshObject> ring = MeshObject::torus("Ring", 1.0f, 0.35f);
    std::vector<QVVector3> origins;
    std::mt19937 random(3);
    std::uniform_real_distribution<float> spread(-1.2f, 1.2f);
    for (int i = 0; i < 400; ++i) origins.push_back({spread(random), spread(random), -3.0f});
    auto trace = [&](std::vector<float>& out) {
        out.clear();
        for (const QVVector3& o : origins)
            for (const QVHitRecord& h : crossings(*ring, o, {0.0f, 0.0f, 1.0f}, -1.0f, 7.0f))
                out.push_back(h.hitDistance);
    };
    std::vector<float> serial;
    trace(serial);
    EXPECT_GT(serial.size(), 200u);
    std::vector<std::vector<float>> parallel(4);
    std::vector<std::thread> threads;
    for (auto& out : parallel) threads.emplace_back(trace, std::ref(out));
    for (auto& thread : threads) thread.join();
    for (const auto& out : parallel) EXPECT_EQ(out, serial);
}

}  // namespace
}  // namespace brumo::host
