// The idle service: long precomputations tick it so the host can keep up with pending work.
#pragma once

#include <atomic>
#include <cstdint>

#include "host/common/host_object.h"
#include "qv/services.h"

namespace brumo::host {

class IdleService final : public HostObject<IQVIdleService> {
public:
    void QV_CALL slot4() override {}
    void QV_CALL slot5() override {}
    void QV_CALL idleTick(int32_t milliseconds) override {
        lastMilliseconds_.store(milliseconds);
        ++ticks_;
    }

    uint64_t ticks() const { return ticks_.load(); }
    int32_t lastMilliseconds() const { return lastMilliseconds_.load(); }

private:
    ~IdleService() override = default;
    std::atomic<uint64_t> ticks_{0};
    std::atomic<int32_t> lastMilliseconds_{0};
};

}  // namespace brumo::host
