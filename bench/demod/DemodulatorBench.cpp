// Cost of one block of 1,024 IF frames in each reception kind, at the plug-in's three input
// rates, with either routine; reported as a fraction of the block's own period (1024 / rate).
// Set up as the plug-in's window sets it up: 511-tap channel and audio filters, decimation 2,
// interpolation 2 (64 kHz: interpolation 3, divisor 2), AGC on, noise squelch on in FM.

#include "demod/dsp/RC_Demodulator.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr std::uint32_t kBlock = 1024;

void DemodulateBlock(benchmark::State& state) {
    const auto kind = static_cast<std::uint8_t>(state.range(0));
    const auto rate = static_cast<std::uint32_t>(state.range(1));
    const auto routine = state.range(2) != 0 ? RC_Routine::kSse2 : RC_Routine::kScalar;
    RC_Demodulator d(routine);
    d.SetSampleRate(rate);
    if (rate == 64000) {
        d.SetInterpolation(3);
        d.SetOutputDivisor(2);
    }
    d.ifCentre = 12000;
    d.kind = kind;
    d.halfBandwidth = kind == kRC_KindCw ? 250.0f : 3000.0f;
    d.tone = (kind == kRC_KindLsb || kind == kRC_KindUsb) ? 3000 : 800;
    d.SetPostMixerFilterLength(511);
    d.SetAudioFilterLength(511);
    d.SetHilbertLength(255);
    d.NoiseFilter().SetLength(127);
    d.agcOn = true;
    d.noiseSquelchOn = true;
    d.UpdateFilters();

    std::mt19937 random(3);
    std::normal_distribution<double> noise(0.0, 300.0);
    std::vector<std::int16_t> input(kBlock);
    for (std::uint32_t k = 0; k < kBlock; ++k) {
        input[k] = static_cast<std::int16_t>(8000.0 * std::cos(2.0 * 3.14159265 * 12100.0 * k / rate) + noise(random));
    }
    std::vector<std::int16_t> output(2 * d.OutputFrames(kBlock));
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        d.Process(input.data(), output.data(), kBlock, 1);
        benchmark::DoNotOptimize(output.data());
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const double period = static_cast<double>(kBlock) / rate;
    state.counters["pct_of_block_period"] =
        100.0 * elapsed.count() / (static_cast<double>(state.iterations()) * period);
}

void Modes(benchmark::internal::Benchmark* b) {
    b->ArgNames({"kind", "rate", "sse2"});
    for (int kind = 0; kind <= kRC_KindFm; ++kind) {
        for (int rate : {48000, 44100, 64000}) {
            for (int sse2 : {0, 1}) {
                b->Args({kind, rate, sse2});
            }
        }
    }
}

BENCHMARK(DemodulateBlock)->Apply(Modes)->Unit(benchmark::kMicrosecond);

} // namespace
