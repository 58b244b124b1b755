// Power spectrum per size and butterfly routine. One 1,024-frame block at 48 kHz lasts 21.3 ms:
// a time divided by that is the share of the audio path it takes.

#include "demod/dsp/RC_Fft.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

void Transform(benchmark::State& state) {
    const auto size = static_cast<std::uint32_t>(state.range(0));
    RC_Fft fft(state.range(1) != 0 ? RC_Routine::kSse2 : RC_Routine::kScalar);
    fft.SetSize(size);
    fft.SetWindow(kRC_WindowBlackman);
    std::mt19937 random(1);
    std::vector<std::int16_t> x(size);
    for (auto& v : x) {
        v = static_cast<std::int16_t>(random());
    }
    for (auto _ : state) {
        fft.Transform16(x.data(), size);
        benchmark::DoNotOptimize(fft.Power());
    }
}

BENCHMARK(Transform)
    ->ArgNames({"size", "sse2"})
    ->ArgsProduct({{256, 1024, 4096, 32768}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

} // namespace
