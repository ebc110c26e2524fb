// Cost of whole frames through the physical integrator, as `brumo render --stats` times them:
// the effects are built outside the timing, the render is timed with its per-frame grids
// (density through the sampler, light and sky depths) included.
//
//   BM_Physical        the default scene (examples/default.json: a cloud, one sun) in physical
//                      mode with its sky and multiple scattering, at 320×240 and 640×480, on one
//                      and two threads, with density grids of 128 voxels (the default) and 64
//   BM_PhysicalSingle  the same at 640×480 on two threads, single scattering only
//
// Each case is repeated three times; the median is the figure to read.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "bench/bench_support.h"
#include "host/render/physical/physical_renderer.h"
#include "host/scene_file/physical_scene.h"
#include "host/scene_file/scene_builder.h"
#include "host/scene_file/scene_description.h"
#include "host/services/host_services.h"
#include "qv/entry_points.h"
#include "qv/memory.h"

namespace {

using namespace brumo::host;
using nlohmann::json;

struct PhysicalFixture : brumo::bench::ModuleWithHost {
    json scene;
    std::string problem;

    PhysicalFixture() {
        try {
            scene = brumo::bench::readExample("default.json");
        } catch (const std::exception& error) {
            problem = error.what();
        }
    }
};

PhysicalFixture& fixture() {
    static PhysicalFixture instance;
    return instance;
}

void renderPhysicalFrames(benchmark::State& state, int width, int height, int threads, int grid, bool multiple) {
    PhysicalFixture& f = fixture();
    if (!brumo::bench::readyToRun(state, f.problem.empty(), f.problem, "auto")) return;
    try {
        json text = f.scene;
        text["image"] = {{"width", width}, {"height", height}};
        text["integrator"] = "physical";
        text["physical"] = {{"grid", grid}, {"multipleScattering", multiple}};
        const SceneDescription scene = readScene(text, "bench_physical");
        f.services->scene().clear();
        populateHostScene(scene, f.services->scene());
        RenderSettings settings;
        settings.width = scene.width;
        settings.height = scene.height;
        settings.camera = scene.camera;
        settings.background = scene.background;
        for (auto _ : state) {
            state.PauseTiming();
            const auto copies = buildEffectCopies(scene, 0.0, threads, brumo::bench::createFromModule);
            const std::vector<PhysicalEffect> effects = physicalEffects(scene, copies);
            state.ResumeTiming();
            benchmark::DoNotOptimize(renderPhysical(settings, scene.integrator.settings, effects,
                                                    physicalLights(scene), threads));
        }
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
    f.services->scene().clear();
    state.counters["threads"] = threads;
    state.counters["grid"] = grid;
}

void BM_Physical(benchmark::State& state) {
    renderPhysicalFrames(state, int(state.range(0)), int(state.range(0)) * 3 / 4, int(state.range(1)),
                         int(state.range(2)), true);
}
BENCHMARK(BM_Physical)
    ->ArgNames({"width", "threads", "grid"})
    ->Args({320, 1, 128})
    ->Args({640, 1, 128})
    ->Args({640, 2, 128})
    ->Args({640, 2, 64})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

void BM_PhysicalSingle(benchmark::State& state) { renderPhysicalFrames(state, 640, 480, 2, 128, false); }
BENCHMARK(BM_PhysicalSingle)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
