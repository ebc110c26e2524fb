// Cost of one noise sample. One point at a time: each single-octave gradient noise, and each
// octave sum at the band the effects use (footprint width 0.002, maxFrequency 100 and 64).
// In batches, for every vector target and the one-point path ("scalar"), AVX-512 also with each
// way of reading the gradients ("/gathers", "/rows"): the single noises and the octave sums at
// detail 2 and detail 6 (maxFrequency 2 * 2^detail: 3 and 7 octaves at width 0.002). For scale,
// a plain improved-noise loop written here (one octave and seven) and, when built with it,
// libnoise's Perlin module with seven octaves. items_per_second and the per_sample counter read
// as the cost of one sample.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "host/services/utility_service.h"
#include "math/noise_lattice.h"
#include "math/vector_lanes.h"

#if BRUMO_BENCH_LIBNOISE
#include <noise.h>
#endif

namespace {

using brumo::NoiseLattice;
using brumo::Vector3;

constexpr int kPointCount = 4096;
constexpr int kBatch = 256;

struct Fixture {
    NoiseLattice lattice;
    Vector3 points[kPointCount];
    // Points each in a cell of its own: the lanes of a vector share no gradients.
    Vector3 scattered[kPointCount];

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
        std::mt19937 rng(99);
        std::uniform_real_distribution<float> spread(-40.0f, 40.0f);
        for (Vector3& p : scattered) p = {spread(rng), spread(rng), spread(rng)};
    }
};

Fixture& fixture() {
    static Fixture instance;
    return instance;
}

void countSamples(benchmark::State& state, int64_t perIteration) {
    state.SetItemsProcessed(state.iterations() * perIteration);
    state.counters["per_sample"] = benchmark::Counter(static_cast<double>(perIteration),
                                                      benchmark::Counter::kIsIterationInvariantRate |
                                                          benchmark::Counter::kInvert);
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
    countSamples(state, 1);
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

// ---- batches, per vector target

enum class Batch { linear, cubic, quintic, scaled, turbulence, spectral, ridged };

// reads: how AVX-512 reads the gradients, or null for the CPU's choice.
void runBatch(benchmark::State& state, const std::string& target, Batch kind, int32_t maxFrequency,
              const brumo::GradientReads* reads, bool scattered = false) {
    if (!brumo::selectVectorTarget(target.c_str())) {
        state.SkipWithError("target not available");
        return;
    }
    const brumo::GradientReads chosen = brumo::gradientReads();
    if (reads != nullptr) brumo::setGradientReads(*reads);
    Fixture& f = fixture();
    NoiseLattice& l = f.lattice;
    l.maxFrequency = maxFrequency;
    float out[kBatch];
    int first = 0;
    for (auto _ : state) {
        const Vector3* p = (scattered ? f.scattered : f.points) + first;
        switch (kind) {
        case Batch::linear: l.gradientNoiseLinearMany(kBatch, p, out); break;
        case Batch::cubic: l.gradientNoiseCubicMany(kBatch, p, out); break;
        case Batch::quintic: l.gradientNoiseQuinticMany(kBatch, p, out); break;
        case Batch::scaled: l.fractalSumScaledMany(kBatch, p, 0.5f, 0.002f, out); break;
        case Batch::turbulence: l.turbulenceScaledMany(kBatch, p, 0.5f, 0.002f, out); break;
        case Batch::spectral: l.fractalSumSpectralMany(kBatch, p, 0.5f, 0.002f, out); break;
        case Batch::ridged: l.ridgedSumMany(kBatch, p, 0.002f, out); break;
        }
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
        first = (first + kBatch) & (kPointCount - 1);
    }
    countSamples(state, kBatch);
    brumo::selectVectorTarget("auto");
    brumo::setGradientReads(chosen);
}

void registerBatches() {
    static const struct {
        const char* name;
        Batch kind;
    } singles[] = {{"linear", Batch::linear}, {"cubic", Batch::cubic}, {"quintic", Batch::quintic}},
      sums[] = {{"scaled", Batch::scaled},
                {"turbulence", Batch::turbulence},
                {"spectral", Batch::spectral},
                {"ridged", Batch::ridged}};
    // AVX-512 also with each way of reading the gradients, named after the target.
    static const brumo::GradientReads gathers = brumo::GradientReads::gathers, rows = brumo::GradientReads::rows;
    for (int32_t i = 0; i < brumo::vectorTargetCount(); ++i) {
        const std::string name = brumo::vectorTargetAt(i);
        std::vector<std::pair<std::string, const brumo::GradientReads*>> variants = {{name, nullptr}};
        if (name.rfind("AVX3", 0) == 0) {
            variants.emplace_back(name + "/gathers", &gathers);
            variants.emplace_back(name + "/rows", &rows);
        }
        benchmark::RegisterBenchmark(("BM_BatchScattered/quintic/" + name).c_str(), [name](benchmark::State& state) {
            runBatch(state, name, Batch::quintic, 100, nullptr, true);
        });
        benchmark::RegisterBenchmark(("BM_BatchScattered/spectral/detail:6/" + name).c_str(),
                                     [name](benchmark::State& state) {
                                         runBatch(state, name, Batch::spectral, 2 << 6, nullptr, true);
                                     });
        for (const auto& [label, reads] : variants) {
            for (const auto& s : singles)
                benchmark::RegisterBenchmark(("BM_Batch/" + std::string(s.name) + "/" + label).c_str(),
                                             [name, kind = s.kind, reads = reads](benchmark::State& state) {
                                                 runBatch(state, name, kind, 100, reads);
                                             });
            for (int detail : {2, 6})
                for (const auto& s : sums)
                    benchmark::RegisterBenchmark(
                        ("BM_Batch/" + std::string(s.name) + "/detail:" + std::to_string(detail) + "/" + label).c_str(),
                        [name, kind = s.kind, detail, reads = reads](benchmark::State& state) {
                            runBatch(state, name, kind, 2 << detail, reads);
                        });
        }
    }
}

// ---- references: Perlin's improved noise as a plain loop, and libnoise

class ImprovedNoise {
public:
    ImprovedNoise() {
        std::mt19937 rng(1234);
        for (int i = 0; i < 256; ++i) p[i] = i;
        for (int i = 255; i > 0; --i) std::swap(p[i], p[std::uniform_int_distribution<int>(0, i)(rng)]);
        for (int i = 0; i < 256; ++i) p[256 + i] = p[i];
    }

    float noise(float x, float y, float z) const {
        const float fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
        const int X = static_cast<int>(fx) & 255, Y = static_cast<int>(fy) & 255, Z = static_cast<int>(fz) & 255;
        x -= fx;
        y -= fy;
        z -= fz;
        const float u = fade(x), v = fade(y), w = fade(z);
        const int A = p[X] + Y, AA = p[A] + Z, AB = p[A + 1] + Z;
        const int B = p[X + 1] + Y, BA = p[B] + Z, BB = p[B + 1] + Z;
        return lerp(w,
                    lerp(v, lerp(u, grad(p[AA], x, y, z), grad(p[BA], x - 1, y, z)),
                         lerp(u, grad(p[AB], x, y - 1, z), grad(p[BB], x - 1, y - 1, z))),
                    lerp(v, lerp(u, grad(p[AA + 1], x, y, z - 1), grad(p[BA + 1], x - 1, y, z - 1)),
                         lerp(u, grad(p[AB + 1], x, y - 1, z - 1), grad(p[BB + 1], x - 1, y - 1, z - 1))));
    }

    float octaves(float x, float y, float z, int count) const {
        float sum = 0.0f, amp = 1.0f, f = 1.0f;
        for (int i = 0; i < count; ++i) {
            sum += amp * noise(x * f, y * f, z * f);
            amp *= 0.5f;
            f *= 2.0f;
        }
        return sum;
    }

private:
    static float fade(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }
    static float lerp(float t, float a, float b) { return a + t * (b - a); }
    static float grad(int hash, float x, float y, float z) {
        const int h = hash & 15;
        const float u = h < 8 ? x : y;
        const float v = h < 4 ? y : (h == 12 || h == 14 ? x : z);
        return ((h & 1) == 0 ? u : -u) + ((h & 2) == 0 ? v : -v);
    }

    int p[512];
};

void BM_PlainImprovedNoise(benchmark::State& state) {
    static const ImprovedNoise noise;
    const Fixture& f = fixture();
    const int octaves = static_cast<int>(state.range(0));
    int i = 0;
    for (auto _ : state) {
        const Vector3& p = f.points[i];
        benchmark::DoNotOptimize(octaves == 1 ? noise.noise(p.x, p.y, p.z) : noise.octaves(p.x, p.y, p.z, octaves));
        i = (i + 1) & (kPointCount - 1);
    }
    countSamples(state, 1);
}
BENCHMARK(BM_PlainImprovedNoise)->ArgName("octaves")->Arg(1)->Arg(7);

#if BRUMO_BENCH_LIBNOISE
void BM_LibnoisePerlin(benchmark::State& state) {
    noise::module::Perlin perlin;
    perlin.SetOctaveCount(7);
    const Fixture& f = fixture();
    int i = 0;
    for (auto _ : state) {
        const Vector3& p = f.points[i];
        benchmark::DoNotOptimize(perlin.GetValue(p.x, p.y, p.z));
        i = (i + 1) & (kPointCount - 1);
    }
    countSamples(state, 1);
}
BENCHMARK(BM_LibnoisePerlin)->ArgName("octaves")->Arg(7);
#endif

}  // namespace

int main(int argc, char** argv) {
    registerBatches();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
