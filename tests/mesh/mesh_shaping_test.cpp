// Mesh shaping through a real effect primitive and the reference host's meshes: inside and
// outside by the parity of the crossings in front of a sample, the hard and the soft border, flat
// boxes, the crossing limit, the start of the mesh ray, and shaping with no mesh to shape by.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "brumo/class_ids.h"
#include "host/scene/mesh_object.h"
#include "host/scene/scene.h"
#include "tests/support/comparisons.h"
#include "tests/support/curves.h"
#include "tests/support/host_doubles.h"
#include "tests/support/module_objects.h"
#include "tests/support/test_host.h"

namespace brumo::test {
namespace {

using host::MeshObject;
using host::Ref;

// A mesh in the test host's scene for the length of a test.
class SceneMesh {
public:
    explicit SceneMesh(Ref<MeshObject> mesh) : mesh_(std::move(mesh)) { host().scene().addObject(mesh_.get()); }
    ~SceneMesh() { host().scene().removeObject(mesh_->name()); }
    SceneMesh(const SceneMesh&) = delete;
    SceneMesh& operator=(const SceneMesh&) = delete;

private:
    Ref<MeshObject> mesh_;
};

// A Smog made by the module's factory, of size 1 so that its local space is the normalised
// space, shaped by the scene mesh of the given name alone (no shape flags).
class ShapedSmog {
public:
    ShapedSmog(const char* meshName, float falloff) {
        EffectParameters& p = smog_.block();
        p.size = 1.0f;
        p.shapeFlags = 0;
        p.meshOff = 0;
        p.meshName->setText(meshName);
        p.meshFalloff = falloff;
    }

    QVColourRecord march(const Vector3& from, const Vector3& to, QVColourRecord colour = {0.2f, 0.4f, 0.6f, 0.5f}) {
        const QVVector3 start{from.x, from.y, from.z};
        const QVVector3 end{to.x, to.y, to.z};
        smog_->volumeInterface()->integrateSegment(&start, &end, &colour, nullptr, 0, 0);
        return colour;
    }
    // The mesh's weight at a point as the density sampler answers it: the shape value, with a
    // mesh ray along x through the point.
    float weight(const Vector3& p) { return sampleAt(smog_, p).shapeValue; }
    EffectParameters& block() { return smog_.block(); }
    void changed() { smog_->parametersChanged(); }

private:
    EffectRef smog_{CLSID_Smog};
};

// The grid is built with the mesh already attached, and every march toward the light counts the
// crossings of its own ray, so the mesh-shaped vapour shadows itself from the first render on.
TEST(MeshShadow, TheShadowGridSeesTheMeshFromTheFirstPreparation) {
    SceneMesh ball(MeshObject::sphere("Shadow ball", 1.0f));
    ShapedSmog smog("Shadow ball", 0.0f);
    EffectParameters& p = smog.block();
    p.densityAmount = 20.0f;
    p.stepJitter = 0.0f;
    p.lightingMode = qv::fourcc("Opt1");
    p.lightDirection = {0.0f, 0.0f, -1.0f};  // from above, travelling down
    // White vapour and black shadows: the red share of a sample is the light reaching it.
    useSingleColour(p.colourGradient, {1.0f, 1.0f, 1.0f, 1.0f});
    useSingleColour(p.shadowGradient, {0.0f, 0.0f, 0.0f, 1.0f});
    smog.changed();
    smog.march({0.0f, 0.0f, -2.0f}, {0.0f, 0.0f, 2.0f});
    // One sample of half a step (0.05) at the point.
    auto lightAt = [&smog](const Vector3& point) {
        const QVColourRecord c = smog.march({point.x - 0.075f, point.y, point.z}, {point.x - 0.025f, point.y, point.z},
                                            {0.0f, 0.0f, 0.0f, 0.0f});
        EXPECT_GT(c.alpha, 0.0f);
        return c.red / c.alpha;
    };
    // Beneath the middle of the ball the light has crossed all of it; near the ball's side
    // the grid's way up from the neighbouring points outside passes the ball by.
    EXPECT_LT(lightAt({0.0f, 0.0f, -0.9f}), 0.05f);
    EXPECT_GT(lightAt({0.9f, 0.0f, 0.0f}), 0.25f);
    // Marches toward the light keep the crossings of the ray that was marched last out of the
    // way of the next one: the same segment after the build gathers as it did before.
    const QVColourRecord first = smog.march({0.0f, 0.0f, -2.0f}, {0.0f, 0.0f, 2.0f});
    const QVColourRecord again = smog.march({0.0f, 0.0f, -2.0f}, {0.0f, 0.0f, 2.0f});
    EXPECT_EQ(first.alpha, again.alpha);
    EXPECT_GT(first.alpha, 0.5f);
}

// An unknown lighting mode skips the lighting and the mesh steps of the preparation: without
// its mesh the shaped vapour is empty.
TEST(MeshShadow, AnUnknownLightingModeLeavesTheMeshOut) {
    SceneMesh ball(MeshObject::sphere("Unlit ball", 1.0f));
    ShapedSmog smog("Unlit ball", 0.0f);
    EffectParameters& p = smog.block();
    p.lightingMode = qv::fourcc("Opt9");
    const QVColourRecord behind{0.2f, 0.4f, 0.6f, 0.5f};
    EXPECT_TRUE(sameColour(smog.march({-1.0f, 0.3f, 0.1f}, {1.0f, 0.3f, 0.1f}, behind), behind));
    p.lightingMode = qv::fourcc("Opt0");
    smog.changed();
    EXPECT_GT(smog.march({-1.0f, 0.3f, 0.1f}, {1.0f, 0.3f, 0.1f}, behind).alpha, behind.alpha);
}

TEST(MeshParity, SamplesBetweenTheEntryAndTheExitOfASphereAreInside) {
    SceneMesh ball(MeshObject::sphere("Ball", 1.0f));
    ShapedSmog smog("Ball", 0.0f);

    // The line y = 0.3, z = 0.1 meets the sphere at x = ±sqrt(0.9).
    const QVColourRecord through = smog.march({-1.0f, 0.3f, 0.1f}, {1.0f, 0.3f, 0.1f});
    const float edge = std::sqrt(0.9f);

    // falloff 0: a hard border, 1 just inside and 0 just outside.
    for (float x : {0.0f, -0.9f, 0.9f, -edge + 0.01f, edge - 0.01f}) EXPECT_EQ(smog.weight({x, 0.3f, 0.1f}), 1.0f) << x;
    for (float x : {-1.0f, 1.0f, -edge - 0.01f, edge + 0.01f}) EXPECT_EQ(smog.weight({x, 0.3f, 0.1f}), 0.0f) << x;

    // The vapour follows: a line that passes the sphere by gathers nothing.
    const QVColourRecord behind{0.2f, 0.4f, 0.6f, 0.5f};
    EXPECT_TRUE(sameColour(smog.march({-1.0f, 0.8f, 0.7f}, {1.0f, 0.8f, 0.7f}, behind), behind));
    EXPECT_GT(through.alpha, behind.alpha);
}

TEST(MeshParity, ALineThroughTheTorusHoleIsOutsideInTheHole) {
    // Bounds [-1, 1] x [-1, 1] x [-0.3, 0.3]: normalised z is a third of the mesh's z over 0.9.
    SceneMesh ring(MeshObject::torus("Ring", 0.7f, 0.3f));
    ShapedSmog smog("Ring", 0.0f);

    smog.march({-1.0f, 0.05f, 0.1f}, {1.0f, 0.05f, 0.1f});
    // In mesh space the line is y = 0.05, z = 0.03: the tube spans 0.4015 < |(x, y)| < 0.9985.
    for (float x : {-0.95f, -0.7f, -0.45f, 0.45f, 0.7f, 0.95f}) EXPECT_EQ(smog.weight({x, 0.05f, 0.1f}), 1.0f) << x;
    for (float x : {-0.3f, 0.0f, 0.3f}) EXPECT_EQ(smog.weight({x, 0.05f, 0.1f}), 0.0f) << x;

    // Straight down the hole the mesh is never crossed; down the tube it is crossed twice.
    smog.march({0.02f, 0.01f, -1.0f}, {0.02f, 0.01f, 1.0f});
    EXPECT_EQ(smog.weight({0.02f, 0.01f, 0.0f}), 0.0f);
    smog.march({0.7f, 0.01f, -1.0f}, {0.7f, 0.01f, 1.0f});
    EXPECT_EQ(smog.weight({0.7f, 0.01f, 0.0f}), 1.0f);
    EXPECT_EQ(smog.weight({0.7f, 0.01f, 0.99f}), 1.0f);
}

TEST(MeshParity, ASampleExactlyAtACrossingHasItBehind) {
    // The box [-1, 1]³ maps the normalised cube onto itself exactly.
    SceneMesh crate(MeshObject::box("Crate", {1.0f, 1.0f, 1.0f}));
    ShapedSmog smog("Crate", 0.0f);
    smog.march({-1.0f, 0.25f, 0.25f}, {1.0f, 0.25f, 0.25f});

    EXPECT_EQ(smog.weight({-1.0f, 0.25f, 0.25f}), 1.0f);  // on the entry: entered
    EXPECT_EQ(smog.weight({std::nextafter(-1.0f, -2.0f), 0.25f, 0.25f}), 0.0f);
    EXPECT_EQ(smog.weight({0.999999f, 0.25f, 0.25f}), 1.0f);
    EXPECT_EQ(smog.weight({1.0f, 0.25f, 0.25f}), 0.0f);  // on the exit: left
}

TEST(MeshBorder, TheSoftWeightRisesFromTheSurfaceToOneAtDepthRange) {
    SceneMesh ball(MeshObject::sphere("Fine ball", 1.0f, 192, 96));
    ShapedSmog smog("Fine ball", 0.4f);
    smog.march({-1.0f, 0.013f, 0.007f}, {1.0f, 0.013f, 0.007f});

    // Depth below the entry along the line; the nearest surface lies straight back out.
    const float surface = -std::sqrt(1.0f - 0.013f * 0.013f - 0.007f * 0.007f);
    float previous = -1.0f;
    for (float depth : {0.0005f, 0.02f, 0.05f, 0.1f, 0.15f, 0.2f, 0.25f, 0.3f, 0.35f, 0.39f}) {
        const float w = smog.weight({surface + depth, 0.013f, 0.007f});
        const float a = (0.4f - depth) * (0.4f - depth);
        EXPECT_NEAR(w, softObjectAt(a / 0.16f), 0.01f) << depth;
        EXPECT_GT(w, previous) << depth;
        previous = w;
    }
    EXPECT_LT(smog.weight({surface + 0.0005f, 0.013f, 0.007f}), 0.01f);
    for (float depth : {0.41f, 0.6f, 1.0f}) EXPECT_EQ(smog.weight({surface + depth, 0.013f, 0.007f}), 1.0f) << depth;

    // falloff 0 for the same mesh: the border is hard again.
    smog.block().meshFalloff = 0.0f;
    smog.changed();
    smog.march({-1.0f, 0.013f, 0.007f}, {1.0f, 0.013f, 0.007f});
    EXPECT_EQ(smog.weight({surface + 0.0005f, 0.013f, 0.007f}), 1.0f);
}

TEST(MeshBounds, AFlatBoxTakesTheWholeCubeOntoItsPlane) {
    // A square card in the plane z = 0.5.
    SceneMesh card(MeshObject::fromTriangles("Card", {{-1, -1, 0.5f}, {1, -1, 0.5f}, {1, 1, 0.5f}, {-1, 1, 0.5f}},
                                             {0, 1, 2, 0, 2, 3}));
    ShapedSmog smog("Card", 0.5f);
    const QVColourRecord behind{0.2f, 0.4f, 0.6f, 0.5f};
    const QVColourRecord across = smog.march({-1.0f, 0.2f, 0.3f}, {1.0f, 0.2f, 0.3f}, behind);
    // Every line runs inside the card's plane and encloses nothing: no vapour, and no fault.
    EXPECT_TRUE(sameColour(across, behind));
    EXPECT_EQ(smog.weight({0.0f, 0.2f, 0.3f}), 0.0f);
    // Along z the direction vanishes in mesh space.
    EXPECT_TRUE(sameColour(smog.march({0.1f, 0.2f, -1.0f}, {0.1f, 0.2f, 1.0f}, behind), behind));
}

TEST(MeshLimits, OnlyTheFirst128CrossingsOfARayAreRecorded) {
    // 140 parallel sheets x = -1 + 2k / 139 across the cube: 70 entries and 70 exits.
    std::vector<QVVector3> vertices;
    std::vector<int32_t> facets;
    for (int k = 0; k < 140; ++k) {
        const float x = -1.0f + 2.0f * k / 139.0f;
        const int32_t first = static_cast<int32_t>(vertices.size());
        vertices.insert(vertices.end(), {{x, -1, -1}, {x, 1, -1}, {x, 1, 1}, {x, -1, 1}});
        facets.insert(facets.end(), {first, first + 1, first + 2, first, first + 2, first + 3});
    }
    SceneMesh sheets(MeshObject::fromTriangles("Sheets", vertices, facets));
    ShapedSmog smog("Sheets", 0.0f);
    smog.march({-1.0f, 0.1f, 0.2f}, {1.0f, 0.1f, 0.2f});

    // Between sheets k and k + 1 a sample is inside when k is even, as far as crossings were
    // recorded; beyond the last recorded one every sample weighs 0.
    auto between = [](int k) { return -1.0f + (2.0f * k + 1.0f) / 139.0f; };
    for (int k : {0, 2, 64, 126}) EXPECT_EQ(smog.weight({between(k), 0.1f, 0.2f}), 1.0f) << k;
    for (int k : {1, 63, 127}) EXPECT_EQ(smog.weight({between(k), 0.1f, 0.2f}), 0.0f) << k;
    for (int k : {128, 130, 136}) EXPECT_EQ(smog.weight({between(k), 0.1f, 0.2f}), 0.0f) << k;
}

TEST(MeshRayStart, TheMeshRayStartsWhereTheLineEntersTheOuterBoxEvenBehindTheSegment) {
    // The crate covers the cube, so that a march counting its crossings from where its line
    // enters [-1.5, 1.5]³ finds every sample inside and gathers what the unshaped twin does; one
    // counting from its own start would find itself outside.
    SceneMesh crate(MeshObject::box("Crate", {1.0f, 1.0f, 1.0f}));
    ShapedSmog smog("Crate", 0.0f);
    ShapedSmog free("", 0.0f);
    free.block().meshOff = 1;
    auto sameAsUnshaped = [&](const Vector3& from, const Vector3& to) {
        const QVColourRecord shaped = smog.march(from, to);
        EXPECT_GT(shaped.alpha, 0.5f);
        return sameColour(shaped, free.march(from, to));
    };

    // Marching toward -x the entry of smaller line parameter is the face x = 1.5, behind the start.
    EXPECT_TRUE(sameAsUnshaped({1.0f, 0.25f, 0.25f}, {-1.0f, 0.25f, 0.25f}));
    // A segment that starts inside the mesh still has the entry behind it: its samples are inside.
    EXPECT_TRUE(sameAsUnshaped({0.5f, 0.25f, 0.25f}, {0.9f, 0.25f, 0.25f}));
    // A slanted line.
    const Vector3 start{0.2f, 0.1f, 0.25f};
    Vector3 direction{-0.8f, -0.5f, 0.1f};
    direction = direction * (1.0f / length(direction));
    EXPECT_TRUE(sameAsUnshaped(start, start + direction * 0.5f));
}

// Clouds with mesh shaping take the mesh's outline instead of the puffs: full coverage where
// the puffs leave nothing.
TEST(MeshOutline, AMeshGivesCloudsTheOutlineInsteadOfThePuffs) {
    SceneMesh crate(MeshObject::box("Cloud crate", {1.0f, 1.0f, 1.0f}));
    SceneShader field("clouds mesh field", 0.6f);
    EffectRef clouds(CLSID_Clouds);
    auto& b = *static_cast<CloudsParameters*>(clouds->exchangerInterface()->parameterBlock());
    b.common.lightingMode = qv::fourcc("Opt0");
    b.common.shapeFlags = 0;
    b.common.noiseType = 0;
    b.common.densityShaderName->setText("clouds mesh field");
    b.common.meshName->setText("Cloud crate");
    // "Opt2" at puffBlend 1: the density is the coverage alone.
    b.combineMode = qv::fourcc("Opt2");
    b.puffBlend = 1.0f;
    const Vector3 corner{0.9f, 0.9f, 0.9f};
    EXPECT_EQ(sampleAt(clouds, corner).density, 0.0f);  // beyond the puff
    b.common.meshOff = 0;
    EXPECT_EQ(sampleAt(clouds, corner).density, 1.0f);
}

TEST(MeshMissing, ShapingWithoutAUsableMeshGivesNoVapourAndNoFault) {
    const QVColourRecord behind{0.2f, 0.4f, 0.6f, 0.5f};
    const Vector3 from{-1.0f, 0.1f, 0.05f}, to{1.0f, 0.1f, 0.05f};

    // Unshaped, the same line gathers vapour.
    ShapedSmog free("", 0.0f);
    free.block().meshOff = 1;
    ASSERT_FALSE(sameColour(free.march(from, to, behind), behind));

    // Shaping on with an empty name, or a name the scene does not know, from the first preparation.
    for (const char* name : {"", "Nowhere"}) {
        ShapedSmog smog(name, 0.3f);
        EXPECT_TRUE(sameColour(smog.march(from, to, behind), behind)) << name;
        EXPECT_EQ(smog.weight({0.0f, 0.1f, 0.05f}), 0.0f);
        EXPECT_TRUE(sameColour(smog.march({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, behind), behind));
    }

    // Once the mesh is in the scene, the next preparation finds it.
    ShapedSmog smog("Late ball", 0.0f);
    EXPECT_TRUE(sameColour(smog.march(from, to, behind), behind));
    SceneMesh late(MeshObject::sphere("Late ball", 1.0f));
    smog.changed();
    EXPECT_FALSE(sameColour(smog.march(from, to, behind), behind));
}

}  // namespace
}  // namespace brumo::test
