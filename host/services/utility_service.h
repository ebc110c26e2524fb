// The host's utility service: per-thread seeded random numbers, progress bars reported to a
// pluggable listener, and the cancel flag long precomputations poll.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

#include "host/common/host_object.h"
#include "qv/services.h"

namespace brumo::host {

// Receives the progress of long work. Calls arrive under the service's lock, one at a time,
// possibly from render threads.
class ProgressListener {
public:
    virtual ~ProgressListener() = default;
    virtual void progressStarted(uint64_t bar, const std::string& caption, double total) = 0;
    virtual void progressAdvanced(uint64_t bar, double done, double total) = 0;
    virtual void progressEnded(uint64_t bar) = 0;
};

// How much of the random service the calling thread has used so far.
struct RandomUse {
    uint64_t draws = 0;    // nextRandom calls
    uint64_t reseeds = 0;  // setRandomSeed calls
};

class UtilityService final : public HostObject<IQVUtilityService> {
public:
    void QV_CALL progressStart(const TQVString* caption, QVProgressHandle* handle,
                               double total) override;
    void QV_CALL progressEnd(QVProgressHandle handle) override;
    void QV_CALL progressAdvance(double amount, QVProgressHandle handle) override;
    // Random numbers come from a std::mt19937 of the calling thread, so concurrent users cannot
    // interleave each other's sequences. A thread that never seeded starts from 5489.
    int32_t QV_CALL nextRandom() override;
    void QV_CALL setRandomSeed(int32_t seed) override;
    bool QV_CALL progressCancelled() override;
    // Counted per thread, like the sequences themselves: what a component's construction or a
    // lattice build drew is the difference of two readings on the thread that did it.
    static RandomUse randomUseOnThisThread();
    BRUMO_HOST_NOOP_SLOT(5) BRUMO_HOST_NOOP_SLOT(7) BRUMO_HOST_NOOP_SLOT(9) BRUMO_HOST_NOOP_SLOT(10)
    BRUMO_HOST_NOOP_SLOT(11) BRUMO_HOST_NOOP_SLOT(14) BRUMO_HOST_NOOP_SLOT(15) BRUMO_HOST_NOOP_SLOT(16)
    BRUMO_HOST_NOOP_SLOT(17) BRUMO_HOST_NOOP_SLOT(18) BRUMO_HOST_NOOP_SLOT(19)
    BRUMO_HOST_NOOP_SLOTS_TENS(2)
    BRUMO_HOST_NOOP_SLOTS_TENS(3)
    BRUMO_HOST_NOOP_SLOT(40) BRUMO_HOST_NOOP_SLOT(41) BRUMO_HOST_NOOP_SLOT(42) BRUMO_HOST_NOOP_SLOT(43)

    // Not owned; null silences progress. Must outlive the work it listens to.
    void setProgressListener(ProgressListener* listener);

    // Safe to call from a signal handler.
    void requestCancel() { cancelRequested_.store(true); }
    void clearCancel() { cancelRequested_.store(false); }
    bool cancelRequested() const { return cancelRequested_.load(); }

    // Progress bars handed out and not yet released by their user.
    int32_t liveProgressBars() const { return liveBars_.load(); }
    // Bars started / ended so far.
    uint64_t progressStarts() const { return starts_.load(); }
    uint64_t progressEnds() const { return ends_.load(); }

private:
    class ProgressBar;
    friend class ProgressBar;
    ~UtilityService() override;
    ProgressBar* findBar(QVProgressHandle handle);  // under mutex_

    std::mutex mutex_;
    ProgressListener* listener_ = nullptr;
    std::unordered_map<IQVUnknown*, ProgressBar*> bars_;
    uint64_t nextBarId_ = 1;
    std::atomic<bool> cancelRequested_{false};
    std::atomic<int32_t> liveBars_{0};
    std::atomic<uint64_t> starts_{0};
    std::atomic<uint64_t> ends_{0};
};

static_assert(std::atomic<bool>::is_always_lock_free, "the cancel flag is set from signal handlers");

}  // namespace brumo::host
