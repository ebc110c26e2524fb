// Cost of the ray-segment march of each effect (Smog, Fire, Clouds, RisingSmoke with their
// default parameters, unlit), one thread, one point at a time ("point"), in one lane ("scalar",
// the path of the 32-bit builds) and on the best vector target: every iteration integrates a
// grid of rays straight through the primitive's cube, as the orthographic renderer sends them.
// Reported as rays per second and density samples per second. The samples are counted once
// beforehand on a copy coloured by a shader that counts its calls (the march colours every sample
// it takes); the timed runs use the default gradient.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "host/common/host_object.h"
#include "host/scene/shaders.h"
#include "host/scene_file/scene_builder.h"
#include "host/scene_file/scene_description.h"
#include "host/services/host_services.h"
#include "math/vector_lanes.h"
#include "qv/class_factory.h"
#include "qv/entry_points.h"
#include "qv/geometric_primitive.h"
#include "qv/memory.h"
#include "qv/volume_primitive.h"

namespace {

using namespace brumo::host;

constexpr int kRaysAcross = 16;
constexpr char kCounterName[] = "Sample counter";
const char* const kEffects[] = {"Smog", "Fire", "Clouds", "RisingSmoke"};

// A colour shader that counts how often it is evaluated.
class CountingShader final : public ProceduralShader {
public:
    CountingShader() : ProceduralShader(kCounterName) {}
    float valueAt(const QVVector3&) const override { return 1.0f; }
    QVColourRecord colourAt(const QVVector3&) const override {
        calls.fetch_add(1, std::memory_order_relaxed);
        return {1.0f, 1.0f, 1.0f, 1.0f};
    }
    mutable std::atomic<long long> calls{0};
};

using brumo::bench::createFromModule;

struct Segment {
    QVVector3 start;
    QVVector3 end;
};

struct MarchedEffect {
    BuiltEffect built;
    Ref<IVolumePrimitive> volume;
    std::vector<Segment> rays;
    double samplesPerPass = 0.0;
};

float pass(IVolumePrimitive& volume, const std::vector<Segment>& rays) {
    float alpha = 0.0f;
    for (const Segment& ray : rays) {
        QVColourRecord colour{0.0f, 0.0f, 0.0f, 1.0f};
        volume.integrateSegment(&ray.start, &ray.end, &colour, nullptr, 0, 0);
        alpha += colour.alpha;
    }
    return alpha;
}

// The module, initialised once with a reference host holding the counting shader, and the
// four effects.
struct MarchFixture {
    Ref<HostServices> services = HostServices::create();
    Ref<CountingShader> counter = Ref<CountingShader>::adopt(new CountingShader);
    std::vector<MarchedEffect> effects;
    std::string problem;

    MarchFixture() {
        qv::memoryServiceSlot() = &services->memory();
        QVDllInit(services.get());
        services->scene().addShader(counter.get());
        try {
            for (const char* type : kEffects) effects.push_back(make(type));
        } catch (const std::exception& error) {
            problem = error.what();
            effects.clear();
        }
    }

    ~MarchFixture() {
        effects.clear();
        services->scene().clear();
        QVDllCleanUp();
        qv::memoryServiceSlot() = nullptr;
    }

    static BuiltEffect build(const std::string& type, const std::string& extra) {
        const std::string text = R"({"effects": [{"type": ")" + type +
                                 R"(", "parameters": {"lightingMode": "Opt0")" + extra + "}}]}";
        return buildEffect(readSceneText(text, "bench_march").effects.at(0), 0.0, createFromModule);
    }

    static Ref<IVolumePrimitive> volumeOf(const BuiltEffect& built) {
        Ref<IVolumePrimitive> volume;
        built.effect.object->QueryInterface(qv::IID_IVolumePrimitive,
                                            reinterpret_cast<void**>(volume.slot()));
        if (!volume) throw std::runtime_error("an effect has no volume interface");
        return volume;
    }

    MarchedEffect make(const std::string& type) {
        MarchedEffect e;
        e.built = build(type, "");
        e.volume = volumeOf(e.built);
        Ref<I3DExGeometricPrimitive> geometry;
        e.built.effect.object->QueryInterface(qv::IID_I3DExGeometricPrimitive,
                                              reinterpret_cast<void**>(geometry.slot()));
        QVBox box{{0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}};
        if (geometry) geometry->queryBounds(&box);
        // Rays along +y, as the scenes' cameras look, through a grid over the front face.
        for (int j = 0; j < kRaysAcross; ++j)
            for (int i = 0; i < kRaysAcross; ++i) {
                const float u = (float(i) + 0.5f) / kRaysAcross, v = (float(j) + 0.5f) / kRaysAcross;
                const float x = box.min.x + (box.max.x - box.min.x) * u;
                const float z = box.min.z + (box.max.z - box.min.z) * v;
                e.rays.push_back({{x, box.min.y, z}, {x, box.max.y, z}});
            }

        // The same effect coloured by the counting shader takes the same samples.
        const BuiltEffect counted =
            build(type, std::string(R"(, "colourFromGradient": 0, "colourShaderName": ")") +
                            kCounterName + "\"");
        counter->calls = 0;
        pass(*volumeOf(counted), e.rays);
        e.samplesPerPass = double(counter->calls.load());
        if (!(e.samplesPerPass > 0.0)) throw std::runtime_error(type + " takes no samples");
        pass(*e.volume, e.rays);  // lets the first call prepare the caches
        return e;
    }
};

MarchFixture& fixture() {
    static MarchFixture instance;
    return instance;
}

void BM_IntegrateSegment(benchmark::State& state, size_t effect, const std::string& target) {
    MarchFixture& f = fixture();
    if (!brumo::bench::readyToRun(state, effect < f.effects.size(), f.problem, target)) return;
    MarchedEffect& e = f.effects[effect];
    for (auto _ : state) benchmark::DoNotOptimize(pass(*e.volume, e.rays));
    brumo::selectVectorTarget("auto");
    const double passes = double(state.iterations());
    state.counters["rays/s"] =
        benchmark::Counter(passes * double(e.rays.size()), benchmark::Counter::kIsRate);
    state.counters["samples/s"] = benchmark::Counter(passes * e.samplesPerPass, benchmark::Counter::kIsRate);
    state.counters["samples/ray"] = e.samplesPerPass / double(e.rays.size());
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    std::vector<std::string> targets{"point", "scalar"};
    const std::string best = brumo::vectorTargetAt(0);  // "scalar" in a build without lanes
    if (best != "scalar") targets.push_back(best);
    benchmark::AddCustomContext("vector_target", brumo::vectorTargetName());
    for (size_t e = 0; e < sizeof kEffects / sizeof kEffects[0]; ++e)
        for (const std::string& target : targets) {
            benchmark::RegisterBenchmark(
                ("BM_IntegrateSegment/" + std::string(kEffects[e]) + "/" + target).c_str(),
                [e, target](benchmark::State& state) { BM_IntegrateSegment(state, e, target); })
                ->Unit(benchmark::kMillisecond);
        }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
