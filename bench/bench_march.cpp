// Cost of the ray-segment march on a default Smog, one thread: every iteration integrates a grid
// of rays straight through the primitive's cube, as the orthographic renderer sends them.
// Reported as rays per second and density samples per second. The samples are counted once
// beforehand with a colour shader that counts its calls (the march colours every sample it
// takes), then the timed runs use the default gradient colouring.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <vector>

#include "brumo/class_ids.h"
#include "brumo/parameter_blocks.h"
#include "host/scene/shaders.h"
#include "host/services/host_services.h"
#include "qv/class_factory.h"
#include "qv/data_exchanger.h"
#include "qv/entry_points.h"
#include "qv/memory.h"
#include "qv/volume_primitive.h"

namespace {

using namespace brumo::host;

constexpr int kRaysAcross = 16;
constexpr char kCounterName[] = "Sample counter";

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

struct Segment {
    QVVector3 start;
    QVVector3 end;
};

// The module, initialised once with a reference host, and one default Smog.
struct MarchFixture {
    Ref<HostServices> services = HostServices::create();
    Ref<CountingShader> counter = Ref<CountingShader>::adopt(new CountingShader);
    Ref<IVolumePrimitive> volume;
    Ref<IExDataExchanger> exchanger;
    std::vector<Segment> rays;
    double samplesPerPass = 0.0;
    bool ready = false;

    MarchFixture() {
        qv::memoryServiceSlot() = &services->memory();
        QVDllInit(services.get());
        services->scene().addShader(counter.get());
        Ref<IQVClassFactory> factory;
        if (QVDllGetClassObject(brumo::CLSID_Smog, qv::IID_IClassFactory,
                                reinterpret_cast<void**>(factory.slot())) != qv::kOk ||
            !factory ||
            factory->CreateInstance(nullptr, qv::IID_IVolumePrimitive,
                                    reinterpret_cast<void**>(volume.slot())) != qv::kOk ||
            !volume) {
            std::fprintf(stderr, "bench_march: the module cannot create Smog\n");
            return;
        }
        volume->QueryInterface(qv::IID_IExDataExchanger,
                               reinterpret_cast<void**>(exchanger.slot()));
        auto& parameters = *static_cast<brumo::EffectParameters*>(exchanger->parameterBlock());

        // Rays down the z axis through a grid of points of the front face, eye side first.
        const float size = parameters.size;
        for (int j = 0; j < kRaysAcross; ++j)
            for (int i = 0; i < kRaysAcross; ++i) {
                const float x = size * ((float(i) + 0.5f) * 2.0f / kRaysAcross - 1.0f);
                const float y = size * ((float(j) + 0.5f) * 2.0f / kRaysAcross - 1.0f);
                rays.push_back({{x, y, size}, {x, y, -size}});
            }

        // Count the samples of one pass through the counting colour shader...
        parameters.colourShaderName->setText(kCounterName);
        parameters.colourFromGradient = 0;
        exchanger->parametersChanged();
        pass();
        samplesPerPass = double(counter->calls.load());
        // ...then go back to the default colouring, and let the first call prepare the caches.
        parameters.colourFromGradient = 1;
        exchanger->parametersChanged();
        pass();
        ready = samplesPerPass > 0.0;
    }

    ~MarchFixture() {
        exchanger.reset();
        volume.reset();
        services->scene().clear();
        QVDllCleanUp();
        qv::memoryServiceSlot() = nullptr;
    }

    float pass() {
        float alpha = 0.0f;
        for (const Segment& ray : rays) {
            QVColourRecord colour{0.0f, 0.0f, 0.0f, 1.0f};
            volume->integrateSegment(&ray.start, &ray.end, &colour, nullptr, 0, 0);
            alpha += colour.alpha;
        }
        return alpha;
    }
};

MarchFixture& fixture() {
    static MarchFixture instance;
    return instance;
}

void BM_IntegrateSegmentDefaultSmog(benchmark::State& state) {
    MarchFixture& f = fixture();
    if (!f.ready) {
        state.SkipWithError("the module cannot create Smog");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(f.pass());
    const double passes = double(state.iterations());
    state.counters["rays/s"] =
        benchmark::Counter(passes * double(f.rays.size()), benchmark::Counter::kIsRate);
    state.counters["samples/s"] =
        benchmark::Counter(passes * f.samplesPerPass, benchmark::Counter::kIsRate);
    state.counters["samples/ray"] = f.samplesPerPass / double(f.rays.size());
}
BENCHMARK(BM_IntegrateSegmentDefaultSmog)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
