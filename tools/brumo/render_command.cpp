#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "built_in_scenes.h"
#include "cli_progress.h"
#include "host_session.h"
#include "commands.h"
#include "frame_numbers.h"
#include "host/common/text.h"
#include "host/image/exr_writer.h"
#include "host/loader/module_loader.h"
#include "host/render/renderer.h"
#include "host/render/physical/physical_renderer.h"
#include "host/scene_file/physical_scene.h"
#include "host/scene_file/scene_builder.h"
#include "host/scene_file/scene_description.h"
#include "host/services/host_services.h"
#include "host/services/terminal_progress.h"
#include "module_path.h"
#include "output_files.h"
#include "qv/exception.h"
#include "qv/memory.h"
#include "qv/result_codes.h"

namespace brumo::cli {

void addRenderCommand(CLI::App& app, RenderOptions& options) {
    CLI::App* render = app.add_subcommand(
        "render", "Render a scene file (or the built-in default scene) to an image");
    render->add_option("scene", options.scene, "Scene file (JSON); none renders the default scene");
    render->add_option("--effect", options.effect,
                       "Render the built-in scene of one effect: clouds, fire, risingSmoke or smog");
    render->add_option("-o,--output", options.output,
                       "Image to write: .png, or .exr for linear OpenEXR")
        ->capture_default_str();
    render->add_option("--exr", options.exr, "Also write a linear OpenEXR image (.exr)");
    render->add_option("--exposure", options.exposure,
                       "Exposure in stops for PNG output (default: the scene's, else 0)");
    render->add_option("--view", options.view,
                       "View transform for PNG output: filmic (highlights roll off) or standard "
                       "(clipped at 1)");
    render->add_option("--width", options.width, "Image width in pixels (default: the scene's)")
        ->check(wholeNumberIn(1, 65536));
    render->add_option("--height", options.height, "Image height in pixels (default: the scene's)")
        ->check(wholeNumberIn(1, 65536));
    render->add_option("--threads", options.threads, "Render threads (0: one per core)")
        ->check(wholeNumberIn(0, 1024))
        ->capture_default_str();
    render->add_option("--frames", options.frames,
                       "Render frames FIRST-LAST to numbered images (out_0001.png, ...)");
    render->add_option("--frame", options.frame, "Render one frame of an animated scene")
        ->check(wholeNumberIn(0, 999999));
    render->add_flag("--preview", options.preview,
                     "Quick look for composition: a quarter of the pixels, a quarter of the quality");
    render->add_flag("--strict", options.strict,
                     "Treat warnings about the scene (ignored or clamped settings) as errors");
    render->add_flag("--stats", options.stats,
                     "Print rays, segments, estimated density samples and time");
    render->add_flag("-q,--quiet", options.quiet, "No progress bar and no summary lines");
    render->add_option("--module", options.module, "Module library to load");
    render->add_option("--integrator", options.integrator,
                       "march (the module's own lighting) or physical (default: the scene's)")
        ->check(CLI::IsMember({"march", "physical"}));
}

namespace {


struct Job {
    host::SceneDescription scene;
    std::vector<int> frames;
    bool numberedOutput = false;
    int threads = 1;
};

// What the command line and the scene say; exit status 0 when the job is ready.
int prepareJob(const RenderOptions& options, Job& job) {
    if (!options.scene.empty() && !options.effect.empty()) {
        fail("give a scene file or --effect, not both");
        return kExitUsage;
    }
    try {
        if (!options.scene.empty()) {
            job.scene = host::readSceneFile(options.scene);
        } else if (!options.effect.empty()) {
            const char* text = effectSceneText(options.effect);
            if (text == nullptr) {
                fail("--effect: unknown effect \"" + options.effect + "\"" +
                     host::suggestion(options.effect, effectSceneNames()));
                return kExitUsage;
            }
            job.scene = host::readSceneText(text, "");
        } else {
            job.scene = host::readSceneText(defaultSceneText(), "");
        }
    } catch (const host::SceneFileError& error) {
        fail(error.what());
        return kExitUsage;
    }
    if (!reportSceneWarnings(job.scene, options.strict)) return kExitUsage;
    if (!options.view.empty() &&
        !host::viewCurveNamed(options.view, job.scene.view.curve)) {
        fail("--view: expected filmic or standard, found \"" + options.view + "\"" +
             host::suggestion(options.view, host::viewCurveNames()));
        return kExitUsage;
    }
    if (options.exposure) {
        if (!std::isfinite(*options.exposure) || std::fabs(*options.exposure) > 64.0) {
            fail("--exposure: expected a number of stops from -64 to 64");
            return kExitUsage;
        }
        job.scene.view.exposure = float(*options.exposure);
    }
    if (options.width > 0) job.scene.width = options.width;
    if (options.height > 0) job.scene.height = options.height;
    if (options.preview) {
        job.scene.width = std::max(1, job.scene.width / 2);
        job.scene.height = std::max(1, job.scene.height / 2);
    }
    if (!options.integrator.empty()) job.scene.integrator.physical = options.integrator == "physical";

    if (const std::string problem =
            chooseFrames(options.frames, options.frame, job.scene.firstFrame, job.frames, job.numberedOutput);
        !problem.empty()) {
        fail(problem);
        return kExitUsage;
    }

    if (options.output.empty()) {
        fail("the output path (-o) is empty");
        return kExitUsage;
    }
    for (const auto& [path, formats] :
         {std::pair<std::string, std::vector<std::string>>{options.output, {".png", ".exr"}},
          {options.exr, {".exr"}}}) {
        if (path.empty()) continue;
        const std::string problem =
            outputProblem(job.numberedOutput ? numbered(path, job.frames.back(), job.frames.back()) : path, formats);
        if (!problem.empty()) {
            fail(problem);
            return kExitUsage;
        }
    }
    job.threads = options.threads > 0 ? options.threads
                                      : int(std::max(1u, std::thread::hardware_concurrency()));
    return 0;
}

// Fewer samples per ray for a preview.
void scaleQuality(const host::BuiltEffect& effect, float factor) {
    const FieldInfo* field = host::findField(*effect.effect.table, "quality");
    if (field == nullptr) return;
    auto* block = static_cast<char*>(host::parameterBlockOf(effect.effect.object.get(), *effect.effect.table));
    float quality = 0.0f;
    std::memcpy(&quality, block + field->offset, sizeof quality);
    quality *= factor;
    std::memcpy(block + field->offset, &quality, sizeof quality);
    host::notifyParametersChanged(effect.effect.object.get());
}

void printStats(const host::RenderStats& stats, int frame, bool several) {
    const double perSecond = stats.seconds > 0.0 ? double(stats.estimatedSamples) / stats.seconds : 0.0;
    std::string label = several ? "Frame " + std::to_string(frame) + ": " : "";
    std::printf("%s%llu rays, %llu segments, %llu density samples (estimated), %.3f s on %d "
                "threads, %.3g samples/s\n",
                label.c_str(), static_cast<unsigned long long>(stats.rays),
                static_cast<unsigned long long>(stats.segments),
                static_cast<unsigned long long>(stats.estimatedSamples), stats.seconds,
                stats.threads, perSecond);
}

host::Image renderPhysically(const host::SceneDescription& scene, const host::RenderSettings& settings,
                             const std::vector<std::vector<host::BuiltEffect>>& copies,
                             CliProgress& progress, host::HostServices& services, host::RenderStats& stats) {
    host::PhysicalHooks hooks;
    hooks.prepared = [&] { progress.progressStarted(CliProgress::kRenderBar, "Rendering", 1.0); };
    hooks.rowsDone = [&](int done, int total) {
        progress.progressAdvanced(CliProgress::kRenderBar, done, total);
    };
    hooks.cancelled = [&] { return services.utility().cancelRequested(); };
    return host::renderPhysical(settings, scene.integrator.settings, host::physicalEffects(scene, copies),
                                host::physicalLights(scene), int(copies.size()), hooks, &stats);
}

// Renders and writes every frame of the job. Returns the exit status.
int renderFrames(host::ModuleLoader& module, host::HostServices& services, const Job& job,
                 const RenderOptions& options, CliProgress& progress) {
    const host::CreateComponent create = [&module](const QVGuid& classId, IQVUnknown** out) {
        return module.createInstance(classId, qv::IID_IQVUnknown, reinterpret_cast<void**>(out));
    };
    host::RenderSettings settings;
    settings.width = job.scene.width;
    settings.height = job.scene.height;
    settings.camera = job.scene.camera;
    settings.background = job.scene.background;
    const bool several = job.frames.size() > 1;

    for (size_t index = 0; index < job.frames.size(); ++index) {
        const int frame = job.frames[index];
        if (several)
            progress.setPrefix("Frame " + std::to_string(index + 1) + "/" +
                               std::to_string(job.frames.size()) + ": ");
        // One set of effects per thread; the first set holds the effects as the scene made them.
        std::vector<std::vector<host::BuiltEffect>> copies =
            host::buildEffectCopies(job.scene, job.scene.frameFraction(frame), job.threads, create);
        if (options.preview)
            for (const auto& effects : copies)
                for (const host::BuiltEffect& effect : effects) scaleQuality(effect, 0.25f);
        std::vector<host::VolumeSet> sets;
        for (const auto& effects : copies) sets.push_back(host::placeEffects(effects));

        host::RenderHooks hooks;
        hooks.prepared = [&] { progress.progressStarted(CliProgress::kRenderBar, "Rendering", 1.0); };
        hooks.tilesDone = [&](int done, int total) {
            progress.progressAdvanced(CliProgress::kRenderBar, done, total);
        };
        hooks.cancelled = [&] { return services.utility().cancelRequested(); };
        host::RenderStats stats;
        host::Image image;
        try {
            if (job.scene.integrator.physical)
                image = renderPhysically(job.scene, settings, copies, progress, services, stats);
            else
                image = host::render(settings, sets, hooks, &stats);
        } catch (...) {
            progress.progressEnded(CliProgress::kRenderBar);
            throw;
        }
        progress.progressEnded(CliProgress::kRenderBar);
        sets.clear();
        copies.clear();

        const int last = job.frames.back();
        const std::string output = job.numberedOutput ? numbered(options.output, frame, last) : options.output;
        host::writeImage(output, image, job.scene.view);
        if (!options.quiet)
            std::printf("Wrote %s (%d x %d)\n", output.c_str(), image.width(), image.height());
        if (!options.exr.empty()) {
            const std::string exr = job.numberedOutput ? numbered(options.exr, frame, last) : options.exr;
            host::writeExr(exr, image);
            if (!options.quiet)
                std::printf("Wrote %s (%d x %d)\n", exr.c_str(), image.width(), image.height());
        }
        if (options.stats) printStats(stats, frame, several);
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

int runRender(const RenderOptions& options) {
    Job job;
    if (const int status = prepareJob(options, job); status != 0) return status;

    return runInHost(options.module, options.quiet, job.scene,
                     [&](host::ModuleLoader& module, host::HostServices& services,
                         CliProgress& progress) {
        int status = 0;
        try {
            status = renderFrames(module, services, job, options, progress);
        } catch (const TQVException& error) {
            if (error.code == qv::kCancelled) {
                fail("cancelled while computing shadows; no image was written for this frame");
                status = kExitInterrupted;
            } else {
                fail("the module failed while rendering (" + host::resultCodeText(error.code) +
                     "); no image was written for this frame");
                status = kExitFailure;
            }
        } catch (const host::HostError& error) {
            fail(std::string(error.what()) + "; no image was written" +
                 (error.exitStatus() == host::kStatusInterrupted ? " for this frame" : ""));
            status = error.exitStatus();
        } catch (const host::ComponentError& error) {
            fail(std::string(error.what()) + "; no image was written");
            status = kExitFailure;
        } catch (const host::ImageWriteError& error) {
            fail(error.what());
            status = kExitFailure;
        } catch (const std::bad_alloc&) {
            fail("not enough memory for a " + std::to_string(job.scene.width) + " x " +
                 std::to_string(job.scene.height) + " image; no image was written");
            status = kExitFailure;
        }
        return status;
    });
}

}  // namespace brumo::cli
