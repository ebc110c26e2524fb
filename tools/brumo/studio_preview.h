// The studio's live preview: every change of the scene is rendered on worker threads, first at
// a quarter of the pixels (half the width and height), then whole. A newer change stops the
// render in flight (the tiles, or a shadow grid through the host's cancel flag) and starts over.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/scene_file/scene_builder.h"
#include "host/services/utility_service.h"
#include "studio_queue.h"

namespace brumo::cli {

class StudioPreview final : public host::ProgressListener {
public:
    // Components are made and released on the queue's thread with `create`; the render uses
    // `threads` threads. `sceneFile` anchors the relative paths of the scenes it renders.
    StudioPreview(std::string sceneFile, host::CreateComponent create, host::UtilityService& utility,
                  WorkQueue& queue, int threads);
    ~StudioPreview() override;

    // Renders this scene next; a render of an older one stops.
    void request(const nlohmann::json& scene, int revision);
    // What is rendered and how long it took from the change: {"requested", "coarse": {"revision",
    // "milliseconds", "builtMilliseconds", "preparedMilliseconds", "width", "height"}, "full":
    // {...}, "busy", "progress": {"caption", "done", "total"} or null, "error"}.
    nlohmann::json status() const;
    // The last PNG of that pass (empty before the first) and the revision it shows.
    std::vector<uint8_t> image(bool full, int& revision) const;
    // Stops the worker (a render in flight is cancelled).
    void stop();

    // host::ProgressListener: shadow-grid builds, reported while they run.
    void progressStarted(uint64_t bar, const std::string& caption, double total) override;
    void progressAdvanced(uint64_t bar, double done, double total) override;
    void progressEnded(uint64_t bar) override;

private:
    using Clock = std::chrono::steady_clock;
    struct Pass {
        int revision = -1;
        double milliseconds = 0.0;  // from the change to the image
        double built = 0.0;         // ... to the components made
        double prepared = 0.0;      // ... to their caches (lattice, shadow grid) ready
        int width = 0, height = 0;
        std::vector<uint8_t> png;
    };

    void work();
    void renderScene(const nlohmann::json& scene, int revision, Clock::time_point since);
    bool superseded() const { return newer_.load() || stopping_.load(); }

    std::string sceneFile_;
    host::CreateComponent create_;
    host::UtilityService& utility_;
    WorkQueue& queue_;
    int threads_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    nlohmann::json pendingScene_;
    int pendingRevision_ = -1;
    Clock::time_point pendingSince_;
    bool pending_ = false;
    bool busy_ = false;
    Pass coarse_, full_;
    std::string error_;
    std::string progressCaption_;
    double progressDone_ = 0.0, progressTotal_ = 0.0;
    bool progressShown_ = false;

    // The components of the last render, kept until the next one is built so that it finds
    // their shadow grids and lattices in the module's caches. Touched only by the worker.
    std::vector<std::vector<host::BuiltEffect>> heldCopies_;
    std::vector<host::VolumeSet> heldSets_;

    std::atomic<bool> newer_{false};
    std::atomic<bool> stopping_{false};
    std::thread worker_;
};

}  // namespace brumo::cli
