#include "studio_preview.h"

#include <algorithm>

#include "host/image/png_writer.h"
#include "host/render/renderer.h"
#include "qv/exception.h"
#include "qv/result_codes.h"

namespace brumo::cli {

using nlohmann::json;

StudioPreview::StudioPreview(std::string sceneFile, host::CreateComponent create, host::UtilityService& utility,
                             WorkQueue& queue, int threads)
    : sceneFile_(std::move(sceneFile)),
      create_(std::move(create)),
      utility_(utility),
      queue_(queue),
      threads_(std::max(1, threads)) {
    utility_.setProgressListener(this);
    worker_ = std::thread([this] { work(); });
}

StudioPreview::~StudioPreview() {
    stop();
    utility_.setProgressListener(nullptr);
}

void StudioPreview::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    utility_.requestCancel();
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
}

void StudioPreview::request(const json& scene, int revision) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pendingScene_ = scene;
        pendingRevision_ = revision;
        pendingSince_ = Clock::now();
        pending_ = true;
        newer_ = true;
        // A shadow grid in the making stops at its next progress check.
        if (busy_) utility_.requestCancel();
    }
    wake_.notify_all();
}

void StudioPreview::work() {
    for (;;) {
        json scene;
        int revision = 0;
        Clock::time_point since;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return pending_ || stopping_.load(); });
            if (stopping_) break;
            scene = std::move(pendingScene_);
            revision = pendingRevision_;
            since = pendingSince_;
            pending_ = false;
            newer_ = false;
            busy_ = true;
            utility_.clearCancel();
        }
        std::string error;
        try {
            renderScene(scene, revision, since);
        } catch (const TQVException& failure) {
            if (!(failure.code == qv::kCancelled && superseded()))
                error = "the module failed while rendering (code " + std::to_string(failure.code) + ")";
        } catch (const host::RenderCancelled&) {
        } catch (const StudioStopping&) {
            break;
        } catch (const std::exception& failure) {
            error = failure.what();
        }
        std::lock_guard<std::mutex> lock(mutex_);
        busy_ = false;
        progressShown_ = false;
        if (!superseded()) error_ = error;
    }
    // Stopping: the queue no longer serves, and nothing else calls the module any more.
    heldSets_.clear();
    heldCopies_.clear();
}

void StudioPreview::renderScene(const json& scene, int revision, Clock::time_point since) {
    host::SceneDescription description;
    queue_.run([&] {
        description = host::readScene(scene, sceneFile_);
        std::vector<std::vector<host::BuiltEffect>> copies{static_cast<size_t>(threads_)};
        for (const host::EffectDescription& effect : description.effects)
            copies[0].push_back(host::buildEffect(effect, 0.0, create_));
        for (size_t t = 1; t < copies.size(); ++t)
            for (const host::BuiltEffect& effect : copies[0]) copies[t].push_back(host::cloneEffect(effect, create_));
        std::vector<host::VolumeSet> sets;
        for (const auto& effects : copies) sets.push_back(host::placeEffects(effects));
        // The previous components go now that the new ones hold what they can share.
        heldSets_ = std::move(sets);
        heldCopies_ = std::move(copies);
    });
    std::vector<host::VolumeSet>& sets = heldSets_;
    const auto sinceChange = [since] { return std::chrono::duration<double, std::milli>(Clock::now() - since).count(); };
    const double built = sinceChange();

    host::RenderSettings settings;
    settings.camera = description.camera;
    settings.background = description.background;
    host::RenderHooks hooks;
    hooks.cancelled = [this] { return superseded(); };
    for (Pass* pass : {&coarse_, &full_}) {
        if (superseded()) return;
        const bool full = pass == &full_;
        settings.width = full ? description.width : std::max(1, description.width / 2);
        settings.height = full ? description.height : std::max(1, description.height / 2);
        hooks.tilesDone = [this, full](int done, int total) {
            std::lock_guard<std::mutex> lock(mutex_);
            progressCaption_ = full ? "Rendering" : "Rendering the coarse preview";
            progressDone_ = done;
            progressTotal_ = total;
            progressShown_ = done < total;
        };
        double prepared = 0.0;
        hooks.prepared = [&prepared, &sinceChange] { prepared = sinceChange(); };
        const host::Image image = host::render(settings, sets, hooks);
        std::vector<uint8_t> png = host::pngBytes(image, description.view);
        std::lock_guard<std::mutex> lock(mutex_);
        pass->revision = revision;
        pass->milliseconds = sinceChange();
        pass->built = built;
        pass->prepared = prepared;
        pass->width = settings.width;
        pass->height = settings.height;
        pass->png = std::move(png);
    }
}

json StudioPreview::status() const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto passJson = [](const Pass& pass) {
        return json{{"revision", pass.revision}, {"milliseconds", pass.milliseconds},
                    {"builtMilliseconds", pass.built}, {"preparedMilliseconds", pass.prepared},
                    {"width", pass.width}, {"height", pass.height}};
    };
    json out = {{"requested", pendingRevision_},
                {"coarse", passJson(coarse_)},
                {"full", passJson(full_)},
                {"busy", busy_ || pending_},
                {"progress", nullptr},
                {"error", error_.empty() ? json(nullptr) : json(error_)}};
    if (progressShown_)
        out["progress"] = {{"caption", progressCaption_}, {"done", progressDone_}, {"total", progressTotal_}};
    return out;
}

std::vector<uint8_t> StudioPreview::image(bool full, int& revision) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const Pass& pass = full ? full_ : coarse_;
    revision = pass.revision;
    return pass.png;
}

void StudioPreview::progressStarted(uint64_t, const std::string& caption, double total) {
    std::lock_guard<std::mutex> lock(mutex_);
    progressCaption_ = caption;
    progressDone_ = 0.0;
    progressTotal_ = total;
    progressShown_ = true;
}

void StudioPreview::progressAdvanced(uint64_t, double done, double total) {
    std::lock_guard<std::mutex> lock(mutex_);
    progressDone_ = done;
    progressTotal_ = total;
}

void StudioPreview::progressEnded(uint64_t) {
    std::lock_guard<std::mutex> lock(mutex_);
    progressShown_ = false;
}

}  // namespace brumo::cli
