// Render threads read a light's colour and direction without a lock while the editor changes
// them: every read must give one whole setting, never channels of two. Built with
// ThreadSanitizer in CI as well.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "host/scene/lights.h"
#include "host/scene/scene_view.h"
#include "host/services/host_services.h"
#include "tests/support/comparisons.h"

namespace brumo::test {
namespace {

constexpr int kReads = 2000000;

bool sameVector(const QVVector3& a, const QVVector3& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// One thread flips the light between two settings while another reads it (one each, so that on
// two cores they run side by side); returns the reads that matched neither setting.
template <class Flip, class Check>
int mixedReads(Flip flip, Check check) {
    std::atomic<bool> done{false};
    std::atomic<int> mixed{0};
    std::thread writer([&] {
        for (bool first = false; !done.load(std::memory_order_relaxed); first = !first) flip(first);
    });
    std::thread reader([&] {
        int wrong = 0;
        for (int i = 0; i < kReads; ++i) wrong += check() ? 0 : 1;
        mixed = wrong;
    });
    reader.join();
    done = true;
    writer.join();
    return mixed.load();
}

TEST(ConcurrentRendering, LightReadsGiveOneWholeSettingWhileTheLightChanges) {
    const QVColourRecord warm{1.0f, 0.5f, 0.25f, 1.0f}, cold{0.0f, 0.25f, 2.0f, 0.5f};
    const QVVector3 down{0.0f, 0.0f, -1.0f}, across{0.6f, 0.8f, 0.0f};
    const QVVector3 anyPoint{0.0f, 0.0f, 0.0f};

    IQVLight* distant = host::DistantLight::create(down, warm);
    auto* sun = static_cast<host::DistantLight*>(distant);
    EXPECT_EQ(mixedReads(
                  [&](bool first) {
                      sun->setColour(first ? warm : cold);
                      sun->setTravelDirection(first ? down : across);
                  },
                  [&] {
                      QVColourRecord c{};
                      float intensity = 0.0f;
                      sun->lightColourAt(anyPoint, anyPoint, 0.0f, &c, &intensity);
                      QVVector3 toward{};
                      float distance = 0.0f;
                      sun->lightDirectionTo(anyPoint, &toward, &distance);
                      const QVVector3 travel{-toward.x, -toward.y, -toward.z};
                      return (sameColour(c, warm) || sameColour(c, cold)) &&
                             (sameVector(travel, down) || sameVector(travel, across)) &&
                             intensity == 1.0f && distance == host::DistantLight::kDistance;
                  }),
              0);
    EXPECT_EQ(distant->Release(), 0);

    const QVVector3 here{1.0f, 2.0f, 3.0f}, there{-4.0f, 0.5f, 8.0f};
    IQVLight* point = host::PointLight::create(here, warm);
    auto* lamp = static_cast<host::PointLight*>(point);
    EXPECT_EQ(mixedReads([&](bool first) { lamp->setPosition(first ? here : there); },
                         [&] {
                             const QVVector3 p = lamp->position();
                             return sameVector(p, here) || sameVector(p, there);
                         }),
              0);
    EXPECT_EQ(point->Release(), 0);
}

// The editor swaps the current scene and adds and removes its lights while a render thread asks
// for them: every answer is a live scene or light of the test, and each is freed exactly when
// the last holder lets go.
TEST(ConcurrentRendering, SceneAndLightListReadsStayValidWhileTheyAreReplaced) {
    auto services = host::HostServices::create();
    auto first = host::Ref<host::Scene>::adopt(new host::Scene);
    auto second = host::Ref<host::Scene>::adopt(new host::Scene);
    auto sun = host::Ref<IQVLight>::adopt(host::DistantLight::create({0.0f, 0.0f, -1.0f}, {1, 1, 1, 1}));
    first->addLight(sun.get());
    IQVApplication* application = services->shell().application();
    services->setScene(first.get());

    std::atomic<bool> done{false};
    std::thread editor([&] {
        for (int i = 0; !done.load(std::memory_order_relaxed); ++i) {
            services->setScene(i % 2 == 0 ? first.get() : second.get());
            if (i % 3 == 0) first->addLight(sun.get());
            if (i % 3 == 2) first->removeLight(0);
        }
    });
    int bad = 0;
    for (int i = 0; i < kReads / 20; ++i) {
        IQVScene* scene = nullptr;
        application->currentScene(&scene);
        if (scene != first.get() && scene != second.get()) {
            bad += 1;
            continue;
        }
        IQVLight* light = nullptr;
        for (int32_t index = 0; index < scene->lightCount(); ++index) {
            scene->lightAt(&light, index);
            if (light != nullptr && light != sun.get()) bad += 1;
        }
        if (light != nullptr) light->Release();
        scene->Release();
    }
    done = true;
    editor.join();
    EXPECT_EQ(bad, 0);

    services->setScene(nullptr);
    first->clear();
    EXPECT_EQ(first->referenceCount(), 1);
    EXPECT_EQ(second->referenceCount(), 1);
    EXPECT_EQ(static_cast<host::DistantLight*>(sun.get())->referenceCount(), 1);
}


// A render thread reads the scene through views of its own: they answer what the shared scene
// and light answer at that moment, follow a swapped scene and a replaced light, and give their
// references back when the thread ends.
TEST(ConcurrentRendering, RenderThreadViewsFollowTheSceneAndEndWithTheThread) {
    auto services = host::HostServices::create();
    auto first = host::Ref<host::Scene>::adopt(new host::Scene);
    auto second = host::Ref<host::Scene>::adopt(new host::Scene);
    second->setSizeFactor(3.0f);
    auto sun = host::Ref<IQVLight>::adopt(host::DistantLight::create({0.0f, 0.0f, -1.0f}, {1, 1, 1, 1}));
    auto lamp = host::Ref<IQVLight>::adopt(host::PointLight::create({1.0f, 2.0f, 3.0f}, {1, 0, 0, 1}));
    first->addLight(sun.get());
    services->setScene(first.get());
    IQVApplication* application = services->shell().application();

    auto kindAt = [&](int32_t index) {
        IQVScene* scene = nullptr;
        application->currentScene(&scene);
        IQVLight* light = nullptr;
        scene->lightAt(&light, index);
        int32_t kind = 0;
        if (light != nullptr) light->lightKind(&kind);
        if (light != nullptr) light->Release();
        scene->Release();
        return kind;
    };
    std::thread render([&] {
        host::ThreadSceneViews::enable();
        EXPECT_EQ(kindAt(0), qv::kDistantLight);
        EXPECT_EQ(kindAt(1), 0);
        static_cast<host::DistantLight*>(sun.get())->setColour({0.5f, 0.25f, 2.0f, 1.0f});
        IQVScene* scene = nullptr;
        application->currentScene(&scene);
        IQVLight* light = nullptr;
        scene->lightAt(&light, 0);
        QVColourRecord colour{};
        float intensity = 0.0f;
        light->lightColourAt({0, 0, 0}, {0, 0, 1}, 1.0f, &colour, &intensity);
        EXPECT_TRUE(sameColour(colour, {0.5f, 0.25f, 2.0f, 1.0f}));
        // A held view of a removed light still answers for it.
        first->removeLight(0);
        first->addLight(lamp.get());
        EXPECT_EQ(kindAt(0), qv::kPointLight);
        int32_t kind = 0;
        light->lightKind(&kind);
        EXPECT_EQ(kind, qv::kDistantLight);
        light->Release();
        // The out slot still holds the view; the next fill releases it.
        services->setScene(second.get());
        application->currentScene(&scene);
        EXPECT_EQ(scene->sceneSizeFactor(), 3.0f);
        EXPECT_EQ(scene->lightCount(), 0);
        scene->Release();
    });
    render.join();

    services->setScene(nullptr);
    first->clear();
    EXPECT_EQ(first->referenceCount(), 1);
    EXPECT_EQ(second->referenceCount(), 1);
    EXPECT_EQ(static_cast<host::DistantLight*>(sun.get())->referenceCount(), 1);
    EXPECT_EQ(static_cast<host::PointLight*>(lamp.get())->referenceCount(), 1);
}

// A render thread's views count its own references without locks; references taken there and
// handed to another thread, which gives them back only after the render thread ended, still
// free each view once, and the scene and light with their last holder.
TEST(ConcurrentRendering, ViewsHandedToAnotherThreadAreFreedWithTheirLastReference) {
    auto services = host::HostServices::create();
    auto scene = host::Ref<host::Scene>::adopt(new host::Scene);
    auto sun = host::Ref<IQVLight>::adopt(host::DistantLight::create({0.0f, 0.0f, -1.0f}, {1, 1, 1, 1}));
    scene->addLight(sun.get());
    services->setScene(scene.get());
    IQVApplication* application = services->shell().application();

    IQVScene* view = nullptr;
    IQVLight* light = nullptr;
    std::thread render([&] {
        host::ThreadSceneViews::enable();
        application->currentScene(&view);
        view->lightAt(&light, 0);
        view->AddRef();
        light->AddRef();
        // Given back here: the thread's own count goes below what it handed out.
        view->Release();
        light->Release();
    });
    render.join();
    std::thread other([&] {
        int32_t kind = 0;
        light->lightKind(&kind);
        EXPECT_EQ(kind, qv::kDistantLight);
        EXPECT_EQ(view->lightCount(), 1);
        light->AddRef();
        view->AddRef();
        EXPECT_EQ(light->Release(), 1);
        EXPECT_EQ(view->Release(), 1);
        EXPECT_EQ(light->Release(), 0);
        EXPECT_EQ(view->Release(), 0);
    });
    other.join();

    services->setScene(nullptr);
    scene->clear();
    EXPECT_EQ(scene->referenceCount(), 1);
    EXPECT_EQ(static_cast<host::DistantLight*>(sun.get())->referenceCount(), 1);
}

}  // namespace
}  // namespace brumo::test
