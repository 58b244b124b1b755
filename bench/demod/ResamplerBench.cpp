// Resampling of one 1,024-sample block per rate pair the plug-in uses, with the tolerance it uses
// (a 1,024-frame block at 48 kHz lasts 21.3 ms).

#include "demod/dsp/RC_Resampler.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

void Resample(benchmark::State& state) {
    RC_Resampler r;
    r.SetRates(127, static_cast<double>(state.range(0)), static_cast<double>(state.range(1)), state.range(2) * 1e-4);
    r.SetBlockSize(1024);
    std::mt19937 random(2);
    std::vector<std::int16_t> x(1024);
    for (auto& v : x) {
        v = static_cast<std::int16_t>(random() % 20000);
    }
    std::vector<std::int16_t> y(4096);
    for (auto _ : state) {
        benchmark::DoNotOptimize(r.Process(y.data(), x.data(), 1024, 1));
    }
    state.SetLabel(std::to_string(r.Interpolation()) + "/" + std::to_string(r.Decimation()));
}

BENCHMARK(Resample)
    ->ArgNames({"in", "out", "tolerance_e4"})
    ->Args({64000, 48000, 25})
    ->Args({48000, 44100, 10})
    ->Args({48000, 2688, 10})
    ->Args({48000, 1378, 10})
    ->Unit(benchmark::kMicrosecond);

} // namespace
