// Per-call cost of the scene-light check every segment starts with, on one and on two threads
// at once (each thread with its own copy of the effect and its own scene views, as the renderer
// runs them):
//
//   BM_SegmentCall/scene   a zero-length segment of the default scene's cloud (scene lights,
//                          one distant light): preparation is up to date, so the call is the
//                          light check, the shader check and one density sample
//   BM_SegmentCall/unlit   the same cloud without lighting: the same call less the light check
//   BM_HostLightReads      the host calls alone that the check makes: current scene, light
//                          count, the light, its kind, direction and colour, and the releases
//
// Time per iteration is one call on each thread; the difference between scene and unlit is what
// the check costs.
#include <benchmark/benchmark.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "host/common/host_object.h"
#include "host/scene/scene_view.h"
#include "host/scene_file/scene_builder.h"
#include "host/scene_file/scene_description.h"
#include "qv/volume_primitive.h"

namespace {

using namespace brumo::host;

constexpr int kMaxThreads = 2;

struct Copies {
    std::vector<BuiltEffect> built;
    std::vector<Ref<IVolumePrimitive>> volumes;  // one per thread
};

struct CheckFixture : brumo::bench::ModuleWithHost {
    Copies lit;
    Copies unlit;
    std::string problem;

    CheckFixture() {
        try {
            nlohmann::json scene = brumo::bench::readExample("default.json");
            const SceneDescription description = readScene(scene, "bench_light_check");
            populateHostScene(description, services->scene());
            lit = copies(description.effects.at(0));
            scene["effects"][0]["parameters"]["lightingMode"] = "off";
            unlit = copies(readScene(scene, "bench_light_check").effects.at(0));
        } catch (const std::exception& error) {
            problem = error.what();
        }
    }
    static Copies copies(const EffectDescription& effect) {
        Copies c;
        c.built.push_back(buildEffect(effect, 0.0, brumo::bench::createFromModule));
        for (int t = 1; t < kMaxThreads; ++t)
            c.built.push_back(cloneEffect(c.built[0], brumo::bench::createFromModule));
        for (const BuiltEffect& built : c.built) {
            Ref<IVolumePrimitive> volume;
            built.effect.object->QueryInterface(qv::IID_IVolumePrimitive,
                                                reinterpret_cast<void**>(volume.slot()));
            if (!volume) throw std::runtime_error("the effect has no volume interface");
            c.volumes.push_back(volume);
        }
        return c;
    }
};

CheckFixture& fixture() {
    static CheckFixture instance;
    return instance;
}

void BM_SegmentCall(benchmark::State& state, bool lit) {
    CheckFixture& f = fixture();
    if (!f.problem.empty()) {
        state.SkipWithError(f.problem.c_str());
        return;
    }
    ThreadSceneViews::enable();
    IVolumePrimitive& volume = *(lit ? f.lit : f.unlit).volumes.at(size_t(state.thread_index()));
    // Far outside the cube, so that the one sample finds nothing to march through.
    const QVVector3 point{1000.0f, 1000.0f, 1000.0f};
    QVColourRecord colour{0.0f, 0.0f, 0.0f, 1.0f};
    volume.integrateSegment(&point, &point, &colour, nullptr, 0, 0);  // prepares the copy
    for (auto _ : state) {
        volume.integrateSegment(&point, &point, &colour, nullptr, 0, 0);
        benchmark::DoNotOptimize(colour);
    }
}

void BM_HostLightReads(benchmark::State& state) {
    CheckFixture& f = fixture();
    if (!f.problem.empty()) {
        state.SkipWithError(f.problem.c_str());
        return;
    }
    ThreadSceneViews::enable();
    IQVApplication* application = f.services->shell().application();
    const QVVector3 origin{0.0f, 0.0f, 0.0f};
    for (auto _ : state) {
        IQVScene* scene = nullptr;
        application->currentScene(&scene);
        const int32_t n = scene->lightCount();
        for (int32_t index = 0; index < n; ++index) {
            IQVLight* light = nullptr;
            scene->lightAt(&light, index);
            int32_t kind = 0;
            light->lightKind(&kind);
            QVVector3 toward{};
            float distance = 0.0f;
            light->lightDirectionTo(origin, &toward, &distance);
            QVColourRecord colour{};
            float intensity = 0.0f;
            light->lightColourAt(origin, toward, distance, &colour, &intensity);
            benchmark::DoNotOptimize(colour);
            light->Release();
        }
        scene->Release();
    }
}

}  // namespace

BENCHMARK_CAPTURE(BM_SegmentCall, scene, true)->ThreadRange(1, kMaxThreads)->UseRealTime();
BENCHMARK_CAPTURE(BM_SegmentCall, unlit, false)->ThreadRange(1, kMaxThreads)->UseRealTime();
BENCHMARK(BM_HostLightReads)->ThreadRange(1, kMaxThreads)->UseRealTime();

BENCHMARK_MAIN();
