#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "host/common/job_runner.h"
#include "host/scene/lights.h"
#include "host/scene/scene.h"

using namespace brumo::host;

TEST(JobRunner, EveryWorkerPreparesBeforeAnyItemAndEveryItemRunsOnce) {
    std::atomic<int> preparedWorkers{0};
    std::atomic<int> itemsBeforeAllPrepared{0};
    std::vector<std::atomic<int>> runs(500);
    bool hookSawAllPrepared = false;
    int lastDone = -1, lastTotal = -1;
    JobHooks hooks;
    hooks.prepared = [&] { hookSawAllPrepared = preparedWorkers == 3; };
    hooks.progress = [&](int done, int total) {
        lastDone = done;
        lastTotal = total;
    };
    const bool finished = runJob(
        3, 500, [&](int) { ++preparedWorkers; },
        [&](int worker, int item, const std::atomic<bool>&) {
            ASSERT_TRUE(worker >= 0 && worker < 3);
            if (preparedWorkers != 3) ++itemsBeforeAllPrepared;
            ++runs[size_t(item)];
        },
        hooks);
    EXPECT_TRUE(finished);
    EXPECT_TRUE(hookSawAllPrepared);
    EXPECT_EQ(itemsBeforeAllPrepared, 0);
    for (const auto& count : runs) EXPECT_EQ(count, 1);
    EXPECT_EQ(lastDone, 500);
    EXPECT_EQ(lastTotal, 500);
}

TEST(JobRunner, TheFirstFailureIsRethrownAndACancelStopsTheItems) {
    std::atomic<int> done{0};
    auto slow = [&](int, int item, const std::atomic<bool>& stop) {
        if (item == 3) throw std::domain_error("item 3");
        while (!stop && done < 1000000) ++done;
    };
    EXPECT_THROW(runJob(2, 100, nullptr, slow), std::domain_error);
    // A failing preparation means no item at all.
    std::atomic<int> items{0};
    EXPECT_THROW(runJob(
                     2, 10, [](int worker) { if (worker == 1) throw std::range_error("prepare"); },
                     [&](int, int, const std::atomic<bool>&) { ++items; }),
                 std::range_error);
    EXPECT_EQ(items, 0);

    JobHooks hooks;
    hooks.cancelled = [] { return true; };
    std::atomic<int> started{0};
    EXPECT_FALSE(runJob(
        2, 1000, nullptr,
        [&](int, int, const std::atomic<bool>& stop) {
            ++started;
            while (!stop) std::this_thread::yield();
        },
        hooks));
    EXPECT_LT(started, 1000);
}

// References workers take to the scene and its lights come out right once the job ends, and an
// object a worker let go of last is deleted then (the ASan build would report it leaked, or
// used after it was freed).
TEST(JobRunner, WorkersReferencesToTheSceneAndItsLightsAreSettledWhenTheJobEnds) {
    Scene* scene = new Scene;
    IQVLight* made = DistantLight::create({0.0f, 0.0f, -1.0f}, {1.0f, 1.0f, 1.0f, 1.0f});
    auto* light = static_cast<DistantLight*>(made);
    scene->addLight(made);
    const int32_t sceneBefore = scene->referenceCount(), lightBefore = light->referenceCount();
    std::atomic<IQVLight*> kept{nullptr};
    runJob(2, 400, nullptr, [&](int, int item, const std::atomic<bool>&) {
        IQVLight* found = nullptr;
        scene->lightAt(&found, 0);
        scene->AddRef();
        scene->Release();
        if (item == 7) kept = found;  // this one stays held after the job
        else found->Release();
    });
    EXPECT_EQ(scene->referenceCount(), sceneBefore);
    EXPECT_EQ(light->referenceCount(), lightBefore + 1);
    kept.load()->Release();
    EXPECT_EQ(light->referenceCount(), lightBefore);
    light->Release();

    runJob(1, 1, nullptr, [&](int, int, const std::atomic<bool>&) {
        scene->AddRef();
        scene->Release();
        scene->Release();  // the last reference, dropped on a worker
    });
}

// A reference a worker hands to another thread is an ordinary one: released there after the
// scene let go, it leaves the worker's own reference alive (the ASan build would report a use after free).
TEST(JobRunner, AWorkersReferenceReleasedOnAnotherThreadLeavesItsOtherOnesAlive) {
    auto scene = Ref<Scene>::adopt(new Scene);
    IQVLight* made = DistantLight::create({0.0f, 0.0f, -1.0f}, {1.0f, 1.0f, 1.0f, 1.0f});
    scene->addLight(made);
    made->Release();
    int32_t kind = 0;
    runJob(1, 1, nullptr, [&](int, int, const std::atomic<bool>&) {
        IQVLight* mine = nullptr;
        IQVLight* handed = nullptr;
        scene->lightAt(&mine, 0);
        scene->lightAt(&handed, 0);
        std::thread([&] {
            scene->clear();
            handed->Release();
        }).join();
        mine->lightKind(&kind);
        mine->Release();
    });
    EXPECT_EQ(kind, qv::kDistantLight);
}
