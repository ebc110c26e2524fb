// One thread for everything that touches the module's components: the host serialises
// creation, parameter writes and editor events, and the utility service's random numbers
// (drawn by "SEED") come from one sequence. Other threads hand their work over and wait.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <stdexcept>

namespace brumo::cli {

class StudioStopping : public std::runtime_error {
public:
    StudioStopping() : std::runtime_error("the studio is stopping") {}
};

class WorkQueue {
public:
    // Runs work on the serving thread and waits for it; its exception comes back here. Throws
    // StudioStopping once the queue is closed.
    void run(std::function<void()> work) {
        std::packaged_task<void()> task(std::move(work));
        std::future<void> done = task.get_future();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (closed_) throw StudioStopping();
            tasks_.push_back(std::move(task));
        }
        wake_.notify_one();
        done.get();
    }

    // Serves on the calling thread until `stop` is true (checked at least every 100 ms), then
    // closes the queue and finishes what was already handed over.
    void serve(const std::atomic<bool>& stop) {
        for (;;) {
            std::packaged_task<void()> task;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait_for(lock, std::chrono::milliseconds(100), [&] { return !tasks_.empty() || stop.load(); });
                if (tasks_.empty()) {
                    if (!stop.load()) continue;
                    closed_ = true;
                    return;
                }
                task = std::move(tasks_.front());
                tasks_.pop_front();
            }
            task();
        }
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::packaged_task<void()>> tasks_;
    bool closed_ = false;
};

}  // namespace brumo::cli
