// brumo bake: samples the effects of a scene on voxel grids and writes them to an OpenVDB file.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "cli_progress.h"
#include "host_session.h"
#include "commands.h"
#include "frame_numbers.h"
#include "host/bake/grid_names.h"
#include "host/bake/vdb_file.h"
#include "host/bake/volume_bake.h"
#include "host/loader/module_loader.h"
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

void addBakeCommand(CLI::App& app, BakeOptions& options) {
    CLI::App* bake = app.add_subcommand(
        "bake", "Sample the effects of a scene on voxel grids and write them to an OpenVDB file");
    bake->add_option("scene", options.scene, "Scene file (JSON)")->required();
    bake->add_option("-o,--output", options.output, "OpenVDB file to write (.vdb)")->capture_default_str();
    bake->add_option("--effect", options.effect, "Bake only the effect of this name");
    bake->add_option("--voxel-size", options.voxelSize, "Voxel edge in world units")
        ->check(numberAtLeast(0.0, true));
    bake->add_option("--resolution", options.resolution,
                     "Voxels along the longest edge of each effect's box (default 128)")
        ->check(wholeNumberIn(1, long(host::kMaxVoxelsPerAxis)));
    bake->add_option("--threshold", options.threshold,
                     "Densities below this stay inactive voxels")
        ->check(numberAtLeast(0.0, false))
        ->capture_default_str();
    bake->add_flag("--colour,--color", options.colour,
                   "Also write the sample colours as a vec3 grid sample_colour (left out when constant)");
    bake->add_flag("--emission", options.emission,
                   "Also write the effect's light model: vec3 grid emission and float grid "
                   "extinction (absorption), both per world unit");
    bake->add_flag("--lit", options.lit,
                   "Colours (and emission) after the shadow grid's darkening, as the render shows them");
    bake->add_option("--frame", options.frame, "Bake one frame of an animated scene")
        ->check(wholeNumberIn(0, 999999));
    bake->add_option("--frames", options.frames,
                     "Bake frames FIRST-LAST to numbered files (out_0001.vdb, ...)");
    bake->add_option("--threads", options.threads, "Sampling threads (0: one per core)")
        ->check(wholeNumberIn(0, 1024))
        ->capture_default_str();
    bake->add_flag("--strict", options.strict,
                   "Treat warnings about the scene (ignored or clamped settings) as errors");
    bake->add_flag("-q,--quiet", options.quiet, "No progress bar and no summary lines");
    bake->add_option("--module", options.module, "Module library to load");
}

namespace {

struct BakeJob {
    host::SceneDescription scene;
    std::vector<const host::EffectDescription*> effects;
    std::vector<host::BakedGridNames> names;
    std::vector<int> frames;
    bool numberedOutput = false;
    int threads = 1;
};

// What the command line and the scene say; exit status 0 when the job is ready.
int prepareJob(const BakeOptions& options, BakeJob& job) {
    if (options.voxelSize != 0.0 && options.resolution != 0) {
        fail("give --voxel-size or --resolution, not both");
        return kExitUsage;
    }
    if (options.voxelSize < 0.0 || !std::isfinite(options.voxelSize)) {
        fail("--voxel-size: expected a positive number of world units");
        return kExitUsage;
    }
    if (!std::isfinite(options.threshold)) {
        fail("--threshold: expected a number of 0 or more");
        return kExitUsage;
    }
    if (options.output.empty()) {
        fail("the output path (-o) is empty");
        return kExitUsage;
    }
    if (const std::string problem = outputProblem(options.output, {".vdb"}); !problem.empty()) {
        fail(problem);
        return kExitUsage;
    }
    try {
        job.scene = host::readSceneFile(options.scene);
    } catch (const host::SceneFileError& error) {
        fail(error.what());
        return kExitUsage;
    }
    if (!reportSceneWarnings(job.scene, options.strict)) return kExitUsage;
    if (job.scene.effects.empty()) {
        fail(options.scene + ": the scene has no effects to bake");
        return kExitUsage;
    }
    if (options.effect.empty()) {
        for (const host::EffectDescription& effect : job.scene.effects) job.effects.push_back(&effect);
    } else {
        std::vector<std::string> names;
        for (const host::EffectDescription& effect : job.scene.effects) {
            names.push_back(effect.name);
            if (effect.name == options.effect) job.effects.push_back(&effect);
        }
        if (job.effects.empty()) {
            fail("--effect: the scene has no effect named \"" + options.effect + "\"" +
                 host::suggestion(options.effect, names));
            return kExitUsage;
        }
        // Effects of the same name are baked together.
    }

    std::vector<host::BakedEffectName> baked;
    for (const host::EffectDescription* effect : job.effects) baked.push_back({effect->name, effect->component.className});
    job.names = host::bakedGridNames(baked, options.colour, options.emission);
    if (const std::string problem =
            chooseFrames(options.frames, options.frame, job.scene.firstFrame, job.frames, job.numberedOutput);
        !problem.empty()) {
        fail(problem);
        return kExitUsage;
    }
    job.threads = options.threads > 0 ? options.threads
                                      : int(std::max(1u, std::thread::hardware_concurrency()));
    return 0;
}

std::string voxelText(const host::VoxelGrid& grid) {
    return std::to_string(grid.counts[0]) + " x " + std::to_string(grid.counts[1]) + " x " +
           std::to_string(grid.counts[2]);
}

// Optical depth per world unit from the effect's own parameters: a march sample over L
// normalised units adds 2 × densityAmount × L × density, and a normalised unit is size local
// units. An uneven scale is taken at its mean.
host::EmissionModel emissionModel(const host::BuiltEffect& effect) {
    const QVVector3 s = effect.transform.scale;
    const double scale = std::cbrt(std::fabs(double(s.x) * s.y * s.z));
    const double size = effect.parameter("size");
    const float absorptionDistance = effect.parameter("absorptionDistance");
    host::EmissionModel model;
    model.depthPerDensity =
        size > 0.0 && scale > 0.0 ? float(2.0 * effect.parameter("densityAmount") / (size * scale)) : 0.0f;
    model.extinction = absorptionDistance > 0.00006103515625f ? 1.0f / absorptionDistance : 0.0f;
    return model;
}

// Builds, lays out and samples every effect of the job at one frame into the file. Returns the
// exit status.
int bakeEffects(host::ModuleLoader& module, host::HostServices& services, const BakeJob& job,
                int frame, const std::string& output, const BakeOptions& options,
                CliProgress& progress) {
    const host::CreateComponent create = [&module](const QVGuid& classId, IQVUnknown** out) {
        return module.createInstance(classId, qv::IID_IQVUnknown, reinterpret_cast<void**>(out));
    };
    const double t = job.scene.frameFraction(frame);
    host::VdbVolumeFile file;

    // Every effect and its layout first, so that a voxel size out of range fails before any work.
    std::vector<host::BuiltEffect> built;
    std::vector<host::VoxelGrid> layouts;
    for (size_t i = 0; i < job.effects.size(); ++i) {
        built.push_back(host::buildEffect(*job.effects[i], t, create));
        const QVBox box = host::primitiveBounds(built.back().effect.object.get());
        try {
            layouts.push_back(host::layoutGrid(box, built.back().transform, options.voxelSize,
                                               options.resolution > 0 ? options.resolution : 128));
        } catch (const host::BakeError& error) {
            fail(job.effects[i]->path + " (" + job.effects[i]->name + "): " + error.what());
            return kExitUsage;
        }
    }

    for (size_t i = 0; i < built.size(); ++i) {
        const host::VoxelGrid& grid = layouts[i];
        std::string prefix = job.frames.size() > 1 ? "Frame " + std::to_string(frame) + ": " : "";
        if (built.size() > 1)
            prefix += "Effect " + std::to_string(i + 1) + "/" + std::to_string(built.size()) + ": ";
        if (!prefix.empty()) progress.setPrefix(prefix);
        // One copy of the effect per thread, the first as the scene made it; no more threads
        // than slices.
        const int threads = std::max(1, std::min(job.threads, grid.counts[2]));
        std::vector<host::BuiltEffect> clones;
        for (int c = 1; c < threads; ++c) clones.push_back(host::cloneEffect(built[i], create));
        std::vector<IQVUnknown*> copies{built[i].effect.object.get()};
        for (const host::BuiltEffect& clone : clones) copies.push_back(clone.effect.object.get());

        const size_t index =
            file.addEffect(grid, job.names[i], float(options.threshold), emissionModel(built[i]));
        const bool withColours = options.colour || options.emission;
        host::LitColours lit;
        lit.on = options.lit;
        lit.marchStep = built[i].marchStep();
        lit.jittered = built[i].parameter("stepJitter") > 0.0f;
        host::BakeHooks hooks;
        hooks.prepared = [&] { progress.progressStarted(CliProgress::kRenderBar, "Baking", 1.0); };
        hooks.slicesDone = [&](int32_t done, int32_t total) {
            progress.progressAdvanced(CliProgress::kRenderBar, done, total);
        };
        hooks.cancelled = [&] { return services.utility().cancelRequested(); };
        try {
            host::sampleGrid(grid, copies, withColours,
                             [&](int32_t z, const float* densities, const QVColourRecord* colours) {
                                 file.addSlice(index, z, densities, colours);
                             },
                             hooks, lit);
        } catch (...) {
            progress.progressEnded(CliProgress::kRenderBar);
            throw;
        }
        progress.progressEnded(CliProgress::kRenderBar);
        if (!options.quiet)
            std::printf("%s: %s voxels of %.6g, %llu active\n", job.names[i].density.c_str(),
                        voxelText(grid).c_str(), grid.voxelSize,
                        static_cast<unsigned long long>(file.activeVoxels(index)));
        QVColourRecord constant{};
        if (file.dropConstantColour(index, constant) && !options.quiet)
            std::printf("%s: left out, the colour is (%.4g, %.4g, %.4g) everywhere\n",
                        job.names[i].colour.c_str(), constant.red, constant.green, constant.blue);
    }
    file.write(output);
    if (!options.quiet) std::printf("Wrote %s\n", output.c_str());
    std::fflush(stdout);
    return 0;
}

}  // namespace

int runBake(const BakeOptions& options) {
    BakeJob job;
    if (const int status = prepareJob(options, job); status != 0) return status;

    return runInHost(options.module, options.quiet, job.scene,
                     [&](host::ModuleLoader& module, host::HostServices& services,
                         CliProgress& progress) {
        int status = 0;
        try {
            for (const int frame : job.frames) {
                status = bakeEffects(module, services, job, frame,
                                     job.numberedOutput ? numbered(options.output, frame, job.frames.back()) : options.output,
                                     options, progress);
                if (status != 0) break;
            }
        } catch (const host::SamplerError& error) {
            fail(error.code == qv::kCancelled ? "cancelled while computing shadows; nothing was written"
                                              : std::string(error.what()) + "; nothing was written");
            status = error.exitStatus();
        } catch (const host::HostError& error) {
            fail(std::string(error.what()) + "; nothing was written");
            status = error.exitStatus();
        } catch (const TQVException& error) {
            status = error.code == qv::kCancelled ? kExitInterrupted : kExitFailure;
            fail(status == kExitInterrupted ? "cancelled while computing shadows; nothing was written"
                                            : "the module failed while baking; nothing was written");
        } catch (const host::ComponentError& error) {
            fail(std::string(error.what()) + "; nothing was written");
            status = kExitFailure;
        } catch (const host::VolumeWriteError& error) {
            fail(error.what());
            status = kExitFailure;
        } catch (const std::bad_alloc&) {
            fail("not enough memory for the voxel grids; nothing was written");
            status = kExitFailure;
        }
        return status;
    });
}

}  // namespace brumo::cli
