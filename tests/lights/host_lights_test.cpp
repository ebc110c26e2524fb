// The reference host's lights as the module reads them: kind, direction toward the light,
// distance and colour, changes made while the light is in a scene, and reference counting.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "host/scene/lights.h"
#include "host/scene/scene.h"
#include "tests/support/test_host.h"

namespace brumo::test {
namespace {

using host::DistantLight;
using host::PointLight;

struct Sampled {
    int32_t kind = -1;
    QVVector3 toward{9.0f, 9.0f, 9.0f};
    float distance = -1.0f;
    QVColourRecord colour{-1.0f, -1.0f, -1.0f, -1.0f};
    float intensity = -1.0f;
};

// Asks a light what the module asks it, at the given point.
Sampled sample(IQVLight* light, QVVector3 at) {
    Sampled s;
    light->lightKind(&s.kind);
    light->lightDirectionTo(at, &s.toward, &s.distance);
    light->lightColourAt(at, s.toward, s.distance, &s.colour, &s.intensity);
    return s;
}

void expectVector(const QVVector3& v, float x, float y, float z) {
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

TEST(HostLights, DistantLightShinesFromMinusItsTravelDirectionEverywhere) {
    IQVLight* light = DistantLight::create({0.0f, 0.0f, -3.0f}, {1.0f, 0.5f, 0.25f, 1.0f});
    for (const QVVector3 at : {QVVector3{0.0f, 0.0f, 0.0f}, QVVector3{5.0f, -7.0f, 100.0f}}) {
        const Sampled s = sample(light, at);
        EXPECT_EQ(s.kind, qv::kDistantLight);
        expectVector(s.toward, 0.0f, 0.0f, 1.0f);  // unit length, toward the light
        EXPECT_GE(s.distance, 1e30f);
        EXPECT_EQ(s.colour.red, 1.0f);
        EXPECT_EQ(s.colour.green, 0.5f);
        EXPECT_EQ(s.colour.blue, 0.25f);
        EXPECT_EQ(s.intensity, 1.0f);
    }

    // Changes show at once; components too large for a float square still normalise.
    auto* distant = dynamic_cast<DistantLight*>(light);
    ASSERT_NE(distant, nullptr);
    distant->setTravelDirection({3e30f, 0.0f, -4e30f});
    distant->setColour({0.0f, 1.0f, 0.0f, 1.0f});
    Sampled s = sample(light, {0.0f, 0.0f, 0.0f});
    expectVector(s.toward, -0.6f, 0.0f, 0.8f);
    EXPECT_EQ(s.colour.red, 0.0f);
    EXPECT_EQ(s.colour.green, 1.0f);
    expectVector(distant->travelDirection(), 0.6f, 0.0f, -0.8f);

    // A direction that cannot be normalised is handed on as it is, for the user of the light
    // to judge.
    distant->setTravelDirection({0.0f, 0.0f, 0.0f});
    s = sample(light, {0.0f, 0.0f, 0.0f});
    EXPECT_EQ(s.toward.x, 0.0f);
    EXPECT_EQ(s.toward.y, 0.0f);
    EXPECT_EQ(s.toward.z, 0.0f);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    distant->setTravelDirection({nan, 0.0f, 1.0f});
    EXPECT_TRUE(std::isnan(sample(light, {0.0f, 0.0f, 0.0f}).toward.x));
    EXPECT_EQ(light->Release(), 0);
}

TEST(HostLights, PointLightShinesFromItsPosition) {
    IQVLight* light = PointLight::create({1.0f, 2.0f, 3.0f}, {0.5f, 0.5f, 0.5f, 1.0f});
    Sampled s = sample(light, {1.0f, 2.0f, -1.0f});
    EXPECT_EQ(s.kind, qv::kPointLight);
    expectVector(s.toward, 0.0f, 0.0f, 1.0f);
    EXPECT_FLOAT_EQ(s.distance, 4.0f);
    EXPECT_EQ(s.colour.green, 0.5f);
    EXPECT_EQ(s.intensity, 1.0f);

    s = sample(light, {4.0f, 6.0f, 3.0f});
    expectVector(s.toward, -0.6f, -0.8f, 0.0f);
    EXPECT_FLOAT_EQ(s.distance, 5.0f);

    // At the light's own position there is no direction.
    s = sample(light, {1.0f, 2.0f, 3.0f});
    expectVector(s.toward, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(s.distance, 0.0f);

    auto* point = dynamic_cast<PointLight*>(light);
    ASSERT_NE(point, nullptr);
    point->setPosition({0.0f, 0.0f, 10.0f});
    point->setColour({1.0f, 0.0f, 0.0f, 1.0f});
    s = sample(light, {0.0f, 0.0f, 0.0f});
    expectVector(s.toward, 0.0f, 0.0f, 1.0f);
    EXPECT_FLOAT_EQ(s.distance, 10.0f);
    EXPECT_EQ(s.colour.red, 1.0f);
    EXPECT_EQ(s.colour.green, 0.0f);
    EXPECT_EQ(light->Release(), 0);
}

TEST(HostLights, TheSceneHoldsItsOwnReferenceAndHandsOutCountedOnes) {
    host::Scene& scene = host().scene();
    const int32_t before = scene.lightCount();
    IQVLight* light = DistantLight::create({0.0f, -1.0f, 0.0f}, {1.0f, 1.0f, 1.0f, 1.0f});
    light->AddRef();  // kept by the test to watch the count
    scene.addLight(light);
    light->Release();  // the creator's reference, as a scene-file reader lets go
    ASSERT_EQ(scene.lightCount(), before + 1);

    IQVLight* found = nullptr;
    scene.lightAt(&found, before);
    EXPECT_EQ(found, light);
    EXPECT_EQ(light->AddRef(), 4);  // the test's, the scene's, the one just handed out, this
    light->Release();
    found->Release();

    // An index outside the list empties the slot, releasing what it held.
    light->AddRef();
    found = light;
    scene.lightAt(&found, before + 1);
    EXPECT_EQ(found, nullptr);

    scene.removeLight(before);
    EXPECT_EQ(scene.lightCount(), before);
    EXPECT_EQ(light->Release(), 0);
}

}  // namespace
}  // namespace brumo::test
