// FIR throughput per routine (0 scalar, 1 SSE2, 2 AVX2 where the processor has it) and tap count:
// samples filtered per second over blocks of 1,024.

#include "demod/dsp/RC_FirFilter16.h"
#include "demod/dsp/RC_FirFilter32.h"
#include "demod/dsp/RC_Runtime.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

constexpr std::uint32_t kBlock = 1024;

template <typename Filter>
void FilterBlock(benchmark::State& state) {
    const auto taps = static_cast<std::uint32_t>(state.range(0));
    const auto routine = static_cast<RC_Routine>(state.range(1));
    if (routine == RC_Routine::kAvx2 && !RC_GetCpuInfo().HasAvx2()) {
        state.SkipWithError("no AVX2 on this processor");
        return;
    }
    Filter f(routine);
    f.SetSampleRate(48000.0f);
    f.SetType(kRC_FirLowPass);
    f.SetLength(taps);
    f.SetBlockSize(kBlock);
    std::mt19937 random(5);
    std::vector<std::int16_t> input(kBlock);
    for (auto& x : input) {
        x = static_cast<std::int16_t>(random());
    }
    using Out = std::remove_pointer_t<decltype(f.Output())>;
    std::vector<Out> output(kBlock);
    for (auto _ : state) {
        f.FilterStrided(output.data(), input.data(), kBlock, 1, 1);
        benchmark::DoNotOptimize(output.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kBlock);
}

void Lengths(benchmark::internal::Benchmark* b) {
    b->ArgNames({"taps", "routine"});
    for (int taps : {31, 127, 255, 511}) {
        for (int routine : {0, 1, 2}) {
            b->Args({taps, routine});
        }
    }
}

BENCHMARK(FilterBlock<RC_FirFilter16>)->Apply(Lengths)->Unit(benchmark::kMicrosecond);
BENCHMARK(FilterBlock<RC_FirFilter32>)->Apply(Lengths)->Unit(benchmark::kMicrosecond);

} // namespace
