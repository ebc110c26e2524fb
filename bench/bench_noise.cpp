// Cost of one noise sample: each single-octave gradient noise, and each octave sum at the band
// the effects use (footprint width 0.002, maxFrequency 100 and 64). Reported per call.
#include <benchmark/benchmark.h>

#include "host/services/utility_service.h"
#include "math/noise_lattice.h"

namespace {

using brumo::NoiseLattice;
using brumo::Vector3;

constexpr int kPointCount = 4096;

struct Fixture {
    NoiseLattice lattice;
    Vector3 points[kPointCount];

    Fixture() {
        auto* random = new brumo::host::UtilityService();
        lattice.create(random);
        lattice.seed = 20240607;
        lattice.buildLattice(random);
        random->Release();
        // Points spread through a few cells in every direction, as a march through a volume.
        for (int i = 0; i < kPointCount; ++i) {
            const float t = static_cast<float>(i);
            points[i] = {-3.0f + t * 0.00173f, 1.25f + t * 0.00091f, 0.5f - t * 0.00057f};
        }
    }
};

Fixture& fixture() {
    static Fixture instance;
    return instance;
}

template <class Sample>
void run(benchmark::State& state, int32_t maxFrequency, Sample sample) {
    Fixture& f = fixture();
    f.lattice.maxFrequency = maxFrequency;
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(sample(f.lattice, f.points[i]));
        i = (i + 1) & (kPointCount - 1);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_GradientNoiseLinear(benchmark::State& state) {
    run(state, 100, [](NoiseLattice& l, const Vector3& p) { return l.gradientNoiseLinear(p); });
}
void BM_GradientNoiseCubic(benchmark::State& state) {
    run(state, 100, [](NoiseLattice& l, const Vector3& p) { return l.gradientNoiseCubic(p); });
}
void BM_GradientNoiseQuintic(benchmark::State& state) {
    run(state, 100, [](NoiseLattice& l, const Vector3& p) { return l.gradientNoiseQuintic(p); });
}
void BM_FractalSumScaled(benchmark::State& state) {
    run(state, static_cast<int32_t>(state.range(0)),
        [](NoiseLattice& l, const Vector3& p) { return l.fractalSumScaled(p, 0.5f, 0.002f); });
}
void BM_TurbulenceScaled(benchmark::State& state) {
    run(state, static_cast<int32_t>(state.range(0)),
        [](NoiseLattice& l, const Vector3& p) { return l.turbulenceScaled(p, 0.5f, 0.002f); });
}
void BM_FractalSumSpectral(benchmark::State& state) {
    run(state, static_cast<int32_t>(state.range(0)),
        [](NoiseLattice& l, const Vector3& p) { return l.fractalSumSpectral(p, 0.5f, 0.002f); });
}
void BM_RidgedSum(benchmark::State& state) {
    run(state, static_cast<int32_t>(state.range(0)),
        [](NoiseLattice& l, const Vector3& p) { return l.ridgedSum(p, 0.002f); });
}

BENCHMARK(BM_GradientNoiseLinear);
BENCHMARK(BM_GradientNoiseCubic);
BENCHMARK(BM_GradientNoiseQuintic);
BENCHMARK(BM_FractalSumScaled)->ArgName("maxFrequency")->Arg(100)->Arg(64);
BENCHMARK(BM_TurbulenceScaled)->ArgName("maxFrequency")->Arg(100)->Arg(64);
BENCHMARK(BM_FractalSumSpectral)->ArgName("maxFrequency")->Arg(100)->Arg(64);
BENCHMARK(BM_RidgedSum)->ArgName("maxFrequency")->Arg(100)->Arg(64);

}  // namespace

BENCHMARK_MAIN();
