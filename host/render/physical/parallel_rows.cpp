#include "host/render/physical/parallel_rows.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace brumo::host {

bool runItems(int count, int threads, const std::function<void(int)>& work,
              const std::function<bool()>& stop) {
    std::atomic<int> next{0};
    std::atomic<bool> abort{false};
    std::mutex mutex;
    std::exception_ptr failure;
    auto loop = [&](bool caller) {
        try {
            while (!abort) {
                const int item = next.fetch_add(1);
                if (item >= count) break;
                work(item);
                if (caller && stop && stop()) abort = true;
            }
        } catch (...) {
            std::lock_guard<std::mutex> lock(mutex);
            if (!failure) failure = std::current_exception();
            abort = true;
        }
    };
    std::vector<std::thread> helpers;
    const int extra = std::max(0, std::min(threads, count) - 1);
    helpers.reserve(size_t(extra));
    for (int t = 0; t < extra; ++t) helpers.emplace_back(loop, false);
    loop(true);
    for (std::thread& helper : helpers) helper.join();
    if (failure) std::rethrow_exception(failure);
    return next.load() >= count && !abort;
}

}  // namespace brumo::host
