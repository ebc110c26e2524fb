#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "host/services/utility_service.h"

using brumo::host::ProgressListener;
using brumo::host::Ref;
using brumo::host::UtilityService;

namespace {

Ref<UtilityService> freshUtility() { return Ref<UtilityService>::adopt(new UtilityService); }

std::vector<int32_t> draw(UtilityService& utility, int n) {
    std::vector<int32_t> values;
    for (int i = 0; i < n; ++i) values.push_back(utility.nextRandom());
    return values;
}

}  // namespace

TEST(UtilityRandom, UnseededThreadStartsFromTheStandardDefaultSeed) {
    auto utility = freshUtility();
    // The main thread may have been seeded by other tests; a new thread never was.
    std::vector<int32_t> values;
    std::thread([&] { values = draw(*utility, 10000); }).join();
    // The 10000th output of a default-constructed mt19937 is 4123659995; the first 3499211612.
    EXPECT_EQ(values.front(), static_cast<int32_t>(3499211612u >> 1));
    EXPECT_EQ(values.back(), static_cast<int32_t>(4123659995u >> 1));
}

TEST(UtilityRandom, SeedingReproducesTheSequenceAndValuesAreNeverNegative) {
    auto utility = freshUtility();
    utility->setRandomSeed(777);
    const auto first = draw(*utility, 64);
    utility->setRandomSeed(777);
    EXPECT_EQ(draw(*utility, 64), first);
    utility->setRandomSeed(778);
    EXPECT_NE(draw(*utility, 64), first);

    // A negative seed is taken as its 32-bit pattern.
    utility->setRandomSeed(-1);
    const auto negative = draw(*utility, 1000);
    std::mt19937 reference(0xFFFFFFFFu);
    EXPECT_EQ(negative.front(), static_cast<int32_t>(reference() >> 1));
    for (int32_t value : negative) EXPECT_GE(value, 0);
}

TEST(UtilityRandom, ThreadsDrawIndependentSequences) {
    auto utility = freshUtility();
    utility->setRandomSeed(5);
    const auto expected = draw(*utility, 2000);

    // Two threads seeding alike and drawing at the same time must not disturb each other.
    std::vector<int32_t> a, b;
    std::thread ta([&] {
        utility->setRandomSeed(5);
        a = draw(*utility, 2000);
    });
    std::thread tb([&] {
        utility->setRandomSeed(5);
        b = draw(*utility, 2000);
    });
    ta.join();
    tb.join();
    EXPECT_EQ(a, expected);
    EXPECT_EQ(b, expected);
}

namespace {

struct RecordingListener : ProgressListener {
    std::vector<std::string> events;
    void progressStarted(uint64_t bar, const std::string& caption, double total) override {
        events.push_back("start " + std::to_string(bar) + " '" + caption + "' " +
                         std::to_string(static_cast<int>(total)));
    }
    void progressAdvanced(uint64_t bar, double done, double total) override {
        events.push_back("advance " + std::to_string(bar) + " " +
                         std::to_string(static_cast<int>(done)) + "/" +
                         std::to_string(static_cast<int>(total)));
    }
    void progressEnded(uint64_t bar) override { events.push_back("end " + std::to_string(bar)); }
};

}  // namespace

TEST(UtilityProgress, ReportsStartAdvanceEndAndTracksHandles) {
    auto utility = freshUtility();
    RecordingListener listener;
    utility->setProgressListener(&listener);

    QVProgressHandle handle = nullptr;
    utility->progressStart(nullptr, &handle, 100.0);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(utility->liveProgressBars(), 1);
    utility->progressAdvance(25.0, handle);
    utility->progressAdvance(25.0, handle);
    utility->progressEnd(handle);
    utility->progressAdvance(25.0, handle);  // after the end: ignored
    utility->progressEnd(handle);            // ended once only
    EXPECT_EQ(utility->liveProgressBars(), 1);  // the user still holds it
    handle->Release();
    EXPECT_EQ(utility->liveProgressBars(), 0);

    const std::vector<std::string> expected = {"start 1 '' 100", "advance 1 25/100",
                                               "advance 1 50/100", "end 1"};
    EXPECT_EQ(listener.events, expected);
    EXPECT_EQ(utility->progressStarts(), 1u);
    EXPECT_EQ(utility->progressEnds(), 1u);
}

TEST(UtilityProgress, IgnoresHandlesItDidNotHandOut) {
    auto utility = freshUtility();
    RecordingListener listener;
    utility->setProgressListener(&listener);
    auto stranger = Ref<UtilityService>::adopt(new UtilityService);  // any counted object
    utility->progressAdvance(10.0, stranger.get());
    utility->progressEnd(stranger.get());
    utility->progressEnd(nullptr);
    utility->progressStart(nullptr, nullptr, 100.0);  // nowhere to put the bar
    EXPECT_TRUE(listener.events.empty());
    EXPECT_EQ(utility->liveProgressBars(), 0);
    EXPECT_EQ(stranger->referenceCount(), 1);
}

namespace {

UtilityService* signalTarget = nullptr;
void cancelFromSignal(int) { signalTarget->requestCancel(); }

}  // namespace

TEST(UtilityProgress, CancelFlagIsSetByTheHostEvenFromASignalHandler) {
    auto utility = freshUtility();
    EXPECT_FALSE(utility->progressCancelled());
    signalTarget = utility.get();
    auto previous = std::signal(SIGUSR1, cancelFromSignal);
    std::raise(SIGUSR1);
    std::signal(SIGUSR1, previous);
    EXPECT_TRUE(utility->progressCancelled());
    // The flag stays up until the host clears it: every poll of the cancelled work sees it.
    EXPECT_TRUE(utility->progressCancelled());
    utility->clearCancel();
    EXPECT_FALSE(utility->progressCancelled());
}
