#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "host/common/job_runner.h"

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
