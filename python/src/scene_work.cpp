#include "scene_work.h"

#include <algorithm>
#include <stdexcept>
#include <thread>

#include "brumo/density_sampler.h"
#include "host/bake/grid_names.h"
#include "host/bake/vdb_file.h"
#include "host/common/text.h"
#include "host/render/renderer.h"
#include "host/scene_file/physical_scene.h"
#include "host_process.h"
#include "qv/exception.h"
#include "qv/result_codes.h"

namespace brumo::python {

namespace {

}  // namespace

int threadsOrCores(int threads) {
    return threads > 0 ? threads : int(std::max(1u, std::thread::hardware_concurrency()));
}

host::Image renderScene(SceneState& scene, const RenderRequest& request, const ProgressFunction& progress) {
    ModuleWork work(scene.hostScene());
    const host::SceneDescription& description = scene.description();
    scene.moveToFrame(request.frame);
    host::RenderSettings settings;
    settings.width = request.width > 0 ? request.width : description.width;
    settings.height = request.height > 0 ? request.height : description.height;
    settings.camera = description.camera;
    settings.background = description.background;

    // The scene's own effects render on the first thread, copies of them on the others.
    const int threads = threadsOrCores(request.threads);
    std::vector<std::vector<host::BuiltEffect>> copies{scene.effects()};
    for (int t = 1; t < threads; ++t) {
        std::vector<host::BuiltEffect>& set = copies.emplace_back();
        for (const host::BuiltEffect& effect : scene.effects()) set.push_back(host::cloneEffect(effect, work.host().create()));
    }

    bool stopped = false;
    const auto report = [&](int done, int total) {
        if (progress && !progress(done, total)) stopped = true;
    };
    const auto cancelled = [&] { return stopped || work.host().services().utility().cancelRequested(); };
    if (description.integrator.physical) {
        host::PhysicalHooks hooks;
        hooks.rowsDone = report;
        hooks.cancelled = cancelled;
        return host::renderPhysical(settings, description.integrator.settings, host::physicalEffects(description, copies),
                                    host::physicalLights(description), threads, hooks);
    }
    std::vector<host::VolumeSet> sets;
    for (const auto& set : copies) sets.push_back(host::placeEffects(set));
    host::RenderHooks hooks;
    hooks.tilesDone = report;
    hooks.cancelled = cancelled;
    return host::render(settings, sets, hooks);
}

void sampleEffect(SceneState& scene, size_t effect, int frame, int64_t count, const QVVector3* points,
                  float* densities, float* shapeValues, QVColourRecord* colours) {
    ModuleWork work(scene.hostScene());
    scene.moveToFrame(frame);
    host::Ref<IDensitySampler> sampler;
    scene.effects().at(effect).effect.object->QueryInterface(IID_IDensitySampler,
                                                             reinterpret_cast<void**>(sampler.slot()));
    if (!sampler) throw ModuleFailure("the effect does not answer the density sampler", kInvalidArgument);
    // Batches keep the lock's hold short enough for a cancel to be seen between them.
    constexpr int64_t kBatch = 1 << 16;
    for (int64_t first = 0; first < count; first += kBatch) {
        if (work.host().services().utility().cancelRequested()) throw ModuleFailure("sampling cancelled", qv::kCancelled);
        const int32_t n = int32_t(std::min(kBatch, count - first));
        const QVResult result = sampler->sampleMany(n, points + first, densities + first,
                                                    shapeValues != nullptr ? shapeValues + first : nullptr,
                                                    colours != nullptr ? colours + first : nullptr);
        if (result != qv::kOk) throw ModuleFailure("the density sampler failed (" + host::resultCodeText(result) + ")", result);
    }
}

std::vector<BakedEffect> bakeScene(SceneState& scene, const BakeRequest& request, const ProgressFunction& progress) {
    ModuleWork work(scene.hostScene());
    const host::SceneDescription& description = scene.description();
    scene.moveToFrame(request.frame);
    std::vector<size_t> chosen;
    std::vector<std::string> names;
    for (size_t e = 0; e < description.effects.size(); ++e) {
        names.push_back(description.effects[e].name);
        if (request.effect.empty() || description.effects[e].name == request.effect) chosen.push_back(e);
    }
    if (chosen.empty())
        throw std::invalid_argument(request.effect.empty() ? "the scene has no effects to bake"
                                                           : "the scene has no effect named \"" + request.effect +
                                                                 "\"" + host::suggestion(request.effect, names));
    // Every layout first, so that a voxel size out of range fails before any work.
    std::vector<BakedEffect> baked;
    for (size_t e : chosen) {
        const host::BuiltEffect& effect = scene.effects()[e];
        BakedEffect out;
        out.name = description.effects[e].name;
        out.type = effect.effect.table->className;
        out.grid = host::layoutGrid(host::primitiveBounds(effect.effect.object.get()), effect.transform,
                                    request.voxelSize, request.resolution);
        baked.push_back(std::move(out));
    }
    for (size_t i = 0; i < chosen.size(); ++i) {
        const host::BuiltEffect& effect = scene.effects()[chosen[i]];
        BakedEffect& out = baked[i];
        const int64_t slice = int64_t(out.grid.counts[0]) * out.grid.counts[1];
        out.densities.assign(size_t(out.grid.voxelCount()), 0.0f);
        if (request.colour) out.colours.assign(size_t(out.grid.voxelCount()), QVColourRecord{});
        const int threads = std::max(1, std::min(threadsOrCores(request.threads), out.grid.counts[2]));
        std::vector<host::BuiltEffect> clones;
        for (int c = 1; c < threads; ++c) clones.push_back(host::cloneEffect(effect, work.host().create()));
        std::vector<IQVUnknown*> copies{effect.effect.object.get()};
        for (const host::BuiltEffect& clone : clones) copies.push_back(clone.effect.object.get());

        bool stopped = false;
        host::BakeHooks hooks;
        hooks.slicesDone = [&](int32_t done, int32_t total) {
            if (progress && !progress(done, total)) stopped = true;
        };
        hooks.cancelled = [&] { return stopped || work.host().services().utility().cancelRequested(); };
        host::sampleGrid(out.grid, copies, request.colour,
                         [&](int32_t z, const float* densities, const QVColourRecord* colours) {
                             std::copy(densities, densities + slice, out.densities.begin() + z * slice);
                             if (colours != nullptr) std::copy(colours, colours + slice, out.colours.begin() + z * slice);
                         },
                         hooks);
    }
    return baked;
}

void writeVdb(const std::string& path, const std::vector<BakedEffect>& baked, bool colour, float threshold) {
    std::vector<host::BakedEffectName> effects;
    for (const BakedEffect& effect : baked) effects.push_back({effect.name, effect.type});
    const std::vector<host::BakedGridNames> names = host::bakedGridNames(effects, colour);
    host::VdbVolumeFile file;
    for (size_t e = 0; e < baked.size(); ++e) {
        const BakedEffect& effect = baked[e];
        const size_t index = file.addEffect(effect.grid, names[e], threshold);
        const int64_t slice = int64_t(effect.grid.counts[0]) * effect.grid.counts[1];
        for (int32_t z = 0; z < effect.grid.counts[2]; ++z)
            file.addSlice(index, z, effect.densities.data() + z * slice,
                          colour ? effect.colours.data() + z * slice : nullptr);
    }
    file.write(path);
}

}  // namespace brumo::python
