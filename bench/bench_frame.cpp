// Cost of whole frames through the reference renderer, as `brumo render --stats` times them:
// the effects are built outside the timing (as the command builds them before it starts the
// clock), the render itself is timed, preparation included (each thread's copy builds its
// lattice and shadow grid). Every case runs one point at a time ("point", the march of a host
// shader), in one lane ("scalar", the path of the 32-bit builds) and on the best vector target.
//
//   BM_Frame      the default scene (examples/default.json: a lit, self-shadowed cloud) at
//                 160×120, 320×240 and 640×480, on one and two threads
//   BM_Quality    the default scene at 320×240, one thread, quality 0.25, 0.5 and 1
//   BM_Detail     the default scene at 320×240, one thread, detail 2, 4 and 6
//   BM_ShadowGrid the default scene at quality 1 (a grid of 50³ points) in a 4×3 image, on one
//                 and two threads: the frame is the shadow grid's build, which the threads'
//                 copies share
//   BM_Modifiers  a smog (examples/smog.json) at 320×240, one thread, with 0, 1, 2 or 4
//                 modifiers: twist, taper, noise, wave
//
// samples/s is the renderer's estimate of the density samples (each segment's length over the
// step, plus one). Each case is repeated three times; the median is the figure to read.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "bench/bench_support.h"
#include "host/common/host_object.h"
#include "host/render/renderer.h"
#include "host/scene_file/scene_builder.h"
#include "host/scene_file/scene_description.h"
#include "host/services/host_services.h"
#include "math/vector_lanes.h"
#include "qv/class_factory.h"
#include "qv/entry_points.h"
#include "qv/memory.h"

namespace {

using namespace brumo::host;
using nlohmann::json;

using brumo::bench::createFromModule;

using brumo::bench::readExample;

// The module, initialised once with a reference host, and the scenes the frames start from.
struct FrameFixture : brumo::bench::ModuleWithHost {
    json defaultScene;
    json smogScene;
    std::string problem;

    FrameFixture() {
        try {
            defaultScene = readExample("default.json");
            smogScene = readExample("smog.json");
        } catch (const std::exception& error) {
            problem = error.what();
        }
    }
};

FrameFixture& fixture() {
    static FrameFixture instance;
    return instance;
}

struct Case {
    json scene;
    int threads = 1;
    std::string target;
};

// Renders the case's scene once per iteration; only the render call is timed.
void renderFrames(benchmark::State& state, const Case& c) {
    FrameFixture& f = fixture();
    if (!f.problem.empty()) {
        state.SkipWithError(f.problem.c_str());
        return;
    }
    if (!brumo::selectVectorTarget(c.target.c_str())) {
        state.SkipWithError("this vector target is not available");
        return;
    }
    RenderStats stats;
    double samples = 0.0;
    try {
        const SceneDescription scene = readScene(c.scene, "bench_frame");
        f.services->scene().clear();
        populateHostScene(scene, f.services->scene());
        RenderSettings settings;
        settings.width = scene.width;
        settings.height = scene.height;
        settings.camera = scene.camera;
        settings.background = scene.background;
        for (auto _ : state) {
            state.PauseTiming();
            std::vector<std::vector<BuiltEffect>> copies(size_t(c.threads));
            for (const EffectDescription& effect : scene.effects)
                copies[0].push_back(buildEffect(effect, 0.0, createFromModule));
            for (size_t t = 1; t < copies.size(); ++t)
                for (const BuiltEffect& effect : copies[0])
                    copies[t].push_back(cloneEffect(effect, createFromModule));
            std::vector<VolumeSet> sets;
            for (const auto& effects : copies) sets.push_back(placeEffects(effects));
            state.ResumeTiming();

            benchmark::DoNotOptimize(render(settings, sets, {}, &stats));

            state.PauseTiming();
            sets.clear();
            copies.clear();
            state.ResumeTiming();
            samples += double(stats.estimatedSamples);
        }
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
    f.services->scene().clear();
    brumo::selectVectorTarget("auto");
    state.counters["samples/s"] = benchmark::Counter(samples, benchmark::Counter::kIsRate);
    state.counters["threads"] = c.threads;
}

void add(const std::string& name, const Case& c) {
    benchmark::RegisterBenchmark(name.c_str(), [c](benchmark::State& state) { renderFrames(state, c); })
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond)
        // Frames are long and the machine's speed wanders: the median of three repetitions.
        ->Repetitions(3)
        ->ReportAggregatesOnly(true);
}

json withEffectParameter(json scene, const char* key, double value) {
    scene["effects"][0]["parameters"][key] = value;
    return scene;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    FrameFixture& f = fixture();
    std::vector<std::string> targets{"point", "scalar"};
    const std::string best = brumo::vectorTargetAt(0);  // "scalar" in a build without lanes
    if (best != "scalar") targets.push_back(best);
    benchmark::AddCustomContext("vector_target", brumo::vectorTargetName());

    const int sizes[][2] = {{160, 120}, {320, 240}, {640, 480}};
    for (const auto& size : sizes)
        for (int threads : {1, 2})
            for (const std::string& target : targets) {
                json scene = f.defaultScene;
                scene["image"] = {{"width", size[0]}, {"height", size[1]}};
                add("BM_Frame/" + std::to_string(size[0]) + "x" + std::to_string(size[1]) +
                        "/threads:" + std::to_string(threads) + "/" + target,
                    {scene, threads, target});
            }
    for (const char* quality : {"0.25", "0.5", "1"})
        for (const std::string& target : targets)
            add(std::string("BM_Quality/") + quality + "/" + target,
                {withEffectParameter(f.defaultScene, "quality", std::stod(quality)), 1, target});
    for (int threads : {1, 2})
        for (const std::string& target : targets) {
            json scene = withEffectParameter(f.defaultScene, "quality", 1.0);
            scene["image"] = {{"width", 4}, {"height", 3}};
            add("BM_ShadowGrid/threads:" + std::to_string(threads) + "/" + target, {scene, threads, target});
        }
    for (int detail : {2, 4, 6})
        for (const std::string& target : targets)
            add("BM_Detail/" + std::to_string(detail) + "/" + target,
                {withEffectParameter(f.defaultScene, "detail", detail), 1, target});

    const json modifiers[] = {
        {{"type", "twist"}, {"parameters", {{"angle", 4.0}, {"start", 0}, {"end", 1}, {"axis", "ZAXI"}}}},
        {{"type", "taper"}, {"parameters", {{"amount", 0.85}, {"start", 0}, {"end", 1}, {"axis", "ZAXI"}}}},
        {{"type", "noise"}, {"parameters", {{"noiseSize", 25}, {"seed", 7}}}},
        {{"type", "wave"}},
    };
    for (int count : {0, 1, 2, 4})
        for (const std::string& target : targets) {
            json scene = f.smogScene;
            scene["effects"][0]["modifiers"] = json::array();
            for (int m = 0; m < count; ++m) scene["effects"][0]["modifiers"].push_back(modifiers[m]);
            add("BM_Modifiers/" + std::to_string(count) + "/" + target, {scene, 1, target});
        }

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
