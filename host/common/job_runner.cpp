#include "host/common/job_runner.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace brumo::host {

bool runJob(int workers, int items, const std::function<void(int worker)>& prepare,
            const std::function<void(int worker, int item, const std::atomic<bool>& stop)>& work,
            const JobHooks& hooks) {
    if (workers < 1) workers = 1;
    if (items < 0) items = 0;
    std::mutex mutex;
    std::condition_variable wake;
    int prepared = 0;
    bool start = false;
    std::atomic<bool> stop{false};
    std::atomic<int> next{0};
    std::atomic<int> finished{0};
    std::exception_ptr failure;

    auto fail = [&](std::exception_ptr error) {
        std::lock_guard<std::mutex> lock(mutex);
        if (!failure) failure = error;
        stop = true;
        wake.notify_all();
    };

    auto worker = [&](int index) {
        try {
            if (prepare) prepare(index);
        } catch (...) {
            fail(std::current_exception());
        }
        {
            std::unique_lock<std::mutex> lock(mutex);
            ++prepared;
            wake.notify_all();
            wake.wait(lock, [&] { return start || stop; });
        }
        try {
            while (!stop) {
                const int item = next.fetch_add(1);
                if (item >= items) break;
                work(index, item, stop);
                // The caller polls ten times a second; waking it for every item would put one
                // more thread on the cores the workers need.
                if (finished.fetch_add(1) + 1 == items) {
                    std::lock_guard<std::mutex> lock(mutex);
                    wake.notify_all();
                }
            }
        } catch (...) {
            fail(std::current_exception());
        }
    };

    std::vector<std::thread> threads;
    threads.reserve(size_t(workers));
    for (int i = 0; i < workers; ++i) threads.emplace_back(worker, i);

    bool cancelled = false;
    // A hook that throws stops the job like a failed worker: the threads must be joined first.
    try {
        std::unique_lock<std::mutex> lock(mutex);
        wake.wait(lock, [&] { return prepared == workers || stop; });
        if (!stop && hooks.prepared) {
            lock.unlock();
            hooks.prepared();
            lock.lock();
        }
        start = true;
        wake.notify_all();
        int reported = -1;
        while (!stop && finished.load() < items) {
            wake.wait_for(lock, std::chrono::milliseconds(100));
            lock.unlock();
            const int done = finished.load();
            if (hooks.progress && done != reported) hooks.progress(done, items);
            reported = done;
            if (hooks.cancelled && hooks.cancelled()) {
                cancelled = true;
                stop = true;
            }
            lock.lock();
        }
    } catch (...) {
        fail(std::current_exception());
    }
    for (std::thread& thread : threads) thread.join();
    if (failure) std::rethrow_exception(failure);
    if (cancelled) return false;
    if (hooks.progress) hooks.progress(items, items);
    return true;
}

}  // namespace brumo::host
