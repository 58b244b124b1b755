// The squelch detectors per 1,024-sample block of 48 kHz audio (which lasts 21.3 ms), and per
// block of varying size about as long.

#include "demod/dsp/RC_CtcssDecoder.h"
#include "demod/dsp/RC_DcsDecoder.h"
#include "demod/dsp/RC_VoiceDetector.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

std::vector<std::int16_t> Audio() {
    std::mt19937 random(3);
    std::normal_distribution<double> noise(0.0, 3000.0);
    std::vector<std::int16_t> x(1024 * 16);
    for (std::size_t k = 0; k < x.size(); ++k) {
        x[k] = static_cast<std::int16_t>(1000.0 * std::sin(0.013 * k) + noise(random));
    }
    return x;
}

template <typename Feed>
void RunBlocks(benchmark::State& state, Feed feed) {
    const auto x = Audio();
    std::size_t at = 0;
    for (auto _ : state) {
        feed(x.data() + at);
        at = (at + 1024) % x.size();
    }
}

// Blocks of 900 to 1,098 samples, as a sound card may hand them over: the decoders follow the
// size of each.
template <typename Feed>
void RunRaggedBlocks(benchmark::State& state, Feed feed) {
    const auto x = Audio();
    std::mt19937 random(5);
    std::uniform_int_distribution<std::uint32_t> size(450, 549);
    std::vector<std::uint32_t> sizes(64);
    for (auto& n : sizes) n = 2 * size(random);
    std::size_t at = 0;
    std::size_t next = 0;
    for (auto _ : state) {
        const std::uint32_t n = sizes[next];
        next = (next + 1) % sizes.size();
        if (at + n > x.size()) at = 0;
        feed(x.data() + at, n);
        at += n;
    }
}

void CtcssRagged(benchmark::State& state) {
    RC_CtcssDecoder d;
    d.SetSampleRate(48000.0f);
    RunRaggedBlocks(state, [&](const std::int16_t* block, std::uint32_t n) {
        d.Process(block, n, 1);
        benchmark::DoNotOptimize(d.Result());
    });
}

void DcsRagged(benchmark::State& state) {
    RC_DcsDecoder d;
    d.SetSampleRate(48000.0f);
    RunRaggedBlocks(state, [&](const std::int16_t* block, std::uint32_t n) {
        d.Process(block, n, 1);
        d.ClearFound();
    });
}

void Ctcss(benchmark::State& state) {
    RC_CtcssDecoder d(state.range(0) != 0 ? RC_Routine::kSse2 : RC_Routine::kScalar);
    d.SetSampleRate(48000.0f);
    RunBlocks(state, [&](const std::int16_t* block) {
        d.Process(block, 1024, 1);
        benchmark::DoNotOptimize(d.Result());
    });
}

void Dcs(benchmark::State& state) {
    RC_DcsDecoder d(state.range(0) != 0 ? RC_Routine::kSse2 : RC_Routine::kScalar);
    d.SetSampleRate(48000.0f);
    RunBlocks(state, [&](const std::int16_t* block) {
        d.Process(block, 1024, 1);
        d.ClearFound();
    });
}

void Voice(benchmark::State& state) {
    RC_VoiceDetector d;
    d.SetSampleRate(48000.0f);
    d.SetLength(24000);
    RunBlocks(state, [&](const std::int16_t* block) {
        d.AddSamples(block, 1024, 1);
        benchmark::DoNotOptimize(d.State());
    });
}

BENCHMARK(Ctcss)->ArgName("sse2")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(Dcs)->ArgName("sse2")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(CtcssRagged)->Unit(benchmark::kMicrosecond);
BENCHMARK(DcsRagged)->Unit(benchmark::kMicrosecond);
BENCHMARK(Voice)->Unit(benchmark::kMicrosecond);

} // namespace
