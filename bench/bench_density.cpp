// Cost of one density sample of each effect (Smog, Fire, Clouds, RisingSmoke with their default
// parameters, unlit), taken through the density sampler a host bakes with, in batches of points
// spread through the effect's cube. Every effect runs once per vector target this CPU has and
// once in one lane ("scalar", the path of the 32-bit builds). per_sample reads as the cost of one
// density sample.
//
// The context lines name the vector target the automatic choice takes (vector_target) and every
// target the build carries for this CPU (vector_targets).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "brumo/density_sampler.h"
#include "bench/bench_support.h"
#include "host/common/host_object.h"
#include "host/scene_file/scene_builder.h"
#include "host/scene_file/scene_description.h"
#include "host/services/host_services.h"
#include "math/vector_lanes.h"
#include "qv/class_factory.h"
#include "qv/entry_points.h"
#include "qv/geometric_primitive.h"
#include "qv/memory.h"

namespace {

using namespace brumo::host;

constexpr int kPointCount = 4096;
const char* const kEffects[] = {"Smog", "Fire", "Clouds", "RisingSmoke"};

using brumo::bench::createFromModule;

// One effect with its default parameters, lighting off, and points spread uniformly through its
// cube (a fixed seed, so every run samples the same points).
struct SampledEffect {
    BuiltEffect built;
    Ref<IDensitySampler> sampler;
    std::vector<QVVector3> points;
    std::vector<float> densities;
};

// The module, initialised once with a reference host, and the four effects.
struct DensityFixture {
    Ref<HostServices> services = HostServices::create();
    std::vector<SampledEffect> effects;
    std::string problem;

    DensityFixture() {
        qv::memoryServiceSlot() = &services->memory();
        QVDllInit(services.get());
        try {
            for (const char* type : kEffects) effects.push_back(make(type));
        } catch (const std::exception& error) {
            problem = error.what();
            effects.clear();
        }
    }

    ~DensityFixture() {
        effects.clear();
        QVDllCleanUp();
        qv::memoryServiceSlot() = nullptr;
    }

    static SampledEffect make(const std::string& type) {
        const std::string text = R"({"effects": [{"type": ")" + type +
                                 R"(", "parameters": {"lightingMode": "Opt0"}}]})";
        const SceneDescription scene = readSceneText(text, "bench_density");
        SampledEffect e;
        e.built = buildEffect(scene.effects.at(0), 0.0, createFromModule);
        e.built.effect.object->QueryInterface(brumo::IID_IDensitySampler,
                                              reinterpret_cast<void**>(e.sampler.slot()));
        Ref<I3DExGeometricPrimitive> geometry;
        e.built.effect.object->QueryInterface(qv::IID_I3DExGeometricPrimitive,
                                              reinterpret_cast<void**>(geometry.slot()));
        if (!e.sampler || !geometry) throw std::runtime_error(type + " has no density sampler");
        QVBox box{{0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}};
        geometry->queryBounds(&box);
        std::mt19937 random(20240607);
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        e.points.resize(kPointCount);
        for (QVVector3& p : e.points)
            p = {box.min.x + (box.max.x - box.min.x) * unit(random),
                 box.min.y + (box.max.y - box.min.y) * unit(random),
                 box.min.z + (box.max.z - box.min.z) * unit(random)};
        e.densities.assign(kPointCount, 0.0f);
        // The first call prepares the effect (lattice, modifiers); it is not timed.
        if (e.sampler->sampleMany(kPointCount, e.points.data(), e.densities.data(), nullptr,
                                  nullptr) != qv::kOk)
            throw std::runtime_error(type + " cannot be sampled");
        return e;
    }
};

DensityFixture& fixture() {
    static DensityFixture instance;
    return instance;
}

void BM_Density(benchmark::State& state, size_t effect, const std::string& target) {
    DensityFixture& f = fixture();
    if (!brumo::bench::readyToRun(state, effect < f.effects.size(), f.problem, target)) return;
    SampledEffect& e = f.effects[effect];
    double sum = 0.0;
    for (auto _ : state) {
        e.sampler->sampleMany(kPointCount, e.points.data(), e.densities.data(), nullptr, nullptr);
        benchmark::DoNotOptimize(e.densities.data());
        benchmark::ClobberMemory();
    }
    for (float d : e.densities) sum += d;
    brumo::selectVectorTarget("auto");
    state.SetItemsProcessed(state.iterations() * kPointCount);
    state.counters["per_sample"] = benchmark::Counter(
        double(kPointCount), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    // The mean density, the same in every mode: a glance shows that all paths did the same work.
    state.counters["mean_density"] = sum / kPointCount;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    std::string targets;
    for (int32_t i = 0; i < brumo::vectorTargetCount(); ++i)
        targets += std::string(i > 0 ? " " : "") + brumo::vectorTargetAt(i);
    benchmark::AddCustomContext("vector_target", brumo::vectorTargetName());
    benchmark::AddCustomContext("vector_targets", targets);
    for (size_t e = 0; e < sizeof kEffects / sizeof kEffects[0]; ++e)
        for (int32_t i = 0; i < brumo::vectorTargetCount(); ++i) {
            const std::string target = brumo::vectorTargetAt(i);
            benchmark::RegisterBenchmark(
                ("BM_Density/" + std::string(kEffects[e]) + "/" + target).c_str(),
                [e, target](benchmark::State& state) { BM_Density(state, e, target); });
        }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
