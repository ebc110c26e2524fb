#include "host/services/utility_service.h"

#include <random>

#include "host/common/text.h"

namespace brumo::host {

namespace {

std::mt19937& threadEngine() {
    static thread_local std::mt19937 engine;  // default seed 5489
    return engine;
}

thread_local RandomUse threadRandomUse;

}  // namespace

// A bar the user holds as a counted reference. It keeps the service alive while it lives.
class UtilityService::ProgressBar final : public HostObject<IQVUnknown> {
public:
    ProgressBar(UtilityService* service, uint64_t id, double total)
        : id(id), total(total), service_(Ref<UtilityService>::share(service)) {
        ++service->liveBars_;
    }
    const uint64_t id;
    const double total;
    double done = 0.0;
    bool ended = false;

private:
    ~ProgressBar() override {
        {
            std::lock_guard<std::mutex> guard(service_->mutex_);
            service_->bars_.erase(static_cast<IQVUnknown*>(this));
        }
        --service_->liveBars_;
    }
    Ref<UtilityService> service_;
};

UtilityService::~UtilityService() = default;

UtilityService::ProgressBar* UtilityService::findBar(QVProgressHandle handle) {
    auto found = bars_.find(handle);
    return found == bars_.end() ? nullptr : found->second;
}

void QV_CALL UtilityService::progressStart(const TQVString* caption, QVProgressHandle* handle,
                                           double total) {
    if (handle == nullptr) return;  // nobody could advance or end it
    const std::string text = textOf(caption);
    qv::releaseSlot(reinterpret_cast<void**>(handle));
    std::lock_guard<std::mutex> guard(mutex_);
    ProgressBar* bar = new ProgressBar(this, nextBarId_++, total);
    bars_.emplace(static_cast<IQVUnknown*>(bar), bar);
    ++starts_;
    *handle = bar;  // the caller owns the creation reference
    if (listener_ != nullptr) listener_->progressStarted(bar->id, text, total);
}

void QV_CALL UtilityService::progressAdvance(double amount, QVProgressHandle handle) {
    std::lock_guard<std::mutex> guard(mutex_);
    ProgressBar* bar = findBar(handle);
    if (bar == nullptr || bar->ended) return;
    bar->done += amount;
    if (listener_ != nullptr) listener_->progressAdvanced(bar->id, bar->done, bar->total);
}

void QV_CALL UtilityService::progressEnd(QVProgressHandle handle) {
    std::lock_guard<std::mutex> guard(mutex_);
    ProgressBar* bar = findBar(handle);
    if (bar == nullptr || bar->ended) return;
    bar->ended = true;
    ++ends_;
    if (listener_ != nullptr) listener_->progressEnded(bar->id);
}

int32_t QV_CALL UtilityService::nextRandom() {
    ++threadRandomUse.draws;
    return static_cast<int32_t>(threadEngine()() >> 1);
}

void QV_CALL UtilityService::setRandomSeed(int32_t seed) {
    ++threadRandomUse.reseeds;
    threadEngine().seed(static_cast<uint32_t>(seed));
}

RandomUse UtilityService::randomUseOnThisThread() { return threadRandomUse; }

bool QV_CALL UtilityService::progressCancelled() { return cancelRequested_.load(); }

void UtilityService::setProgressListener(ProgressListener* listener) {
    std::lock_guard<std::mutex> guard(mutex_);
    listener_ = listener;
}

}  // namespace brumo::host
