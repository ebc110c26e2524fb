// One pool of threads for the host's parallel work: render tiles, bake slices.
//
// Every worker first prepares (builds the caches of its own copy of the effects), all in
// parallel; once every worker is prepared the items are handed out through one shared counter,
// so a fast worker takes more of them. The calling thread reports progress, polls for a cancel
// and does none of the items itself.
#pragma once

#include <atomic>
#include <functional>

namespace brumo::host {

// Called on the calling thread, never from a worker.
struct JobHooks {
    // Every worker is prepared; the items start now.
    std::function<void()> prepared;
    // Items finished so far, about ten times a second and once at the end.
    std::function<void(int done, int total)> progress;
    // Polled while the items run; true stops the job.
    std::function<bool()> cancelled;
};

// Runs prepare(worker) and then work(worker, item, stop) on `workers` threads, items 0 to
// items - 1 each once. `stop` turns true when the job is cancelled or a worker failed; long
// items may poll it. The first exception a worker throws is rethrown here once every thread has
// stopped. Returns false when hooks.cancelled stopped the job (some items are then not done).
bool runJob(int workers, int items, const std::function<void(int worker)>& prepare,
            const std::function<void(int worker, int item, const std::atomic<bool>& stop)>& work,
            const JobHooks& hooks = {});

}  // namespace brumo::host
