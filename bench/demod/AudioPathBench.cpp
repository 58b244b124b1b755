// One audio block (1,024 IF frames) through the demodulator window's whole per-block path: input
// selection, the host hand-overs, the demodulator, the secondary squelch types and the output
// queue; reported as a fraction of the block's own period (1024 / 48000 s). The sound card is a
// pair of files; the receiver is a demonstration one, which processes every block in full and
// plays silence.

#include "bench/demod/BenchFileCard.h"
#include "demod/ui/DemodWindow.h"
#include "demod/ui/ModeTable.h"
#include "platform/audio/AudioSystem.h"
#include "platform/audio/FileAudioBackend.h"
#include "platform/audio/WavFile.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr std::uint32_t kReceiver = 1;
constexpr std::uint32_t kFrames = 1024;
constexpr double kRate = 48000.0;

using bench_demod::FileCard;
using bench_demod::DemoWindow;

// range(0): host mode code; range(1): secondary squelch flags.
void AudioBlock(benchmark::State& state) {
    FileCard card;
    DemoWindow demo(card, kReceiver);
    std::unique_ptr<DemodWindow>& window = demo.window;
    window->Notify(kReceiver, KVR_NOTIFY_MODE, static_cast<std::uint32_t>(state.range(0)), 0, nullptr);
    const auto flags = static_cast<std::uint32_t>(state.range(1));
    std::int32_t record[7] = {0, 50, 100000, 0, 0, 30, 19};
    window->Notify(kReceiver, KVR_NOTIFY_SQUELCH, flags, sizeof record, record);
    window->SetSagcSpeed(2);

    // An FM carrier with a 100 Hz tone and speech-band audio, in the right channel.
    std::vector<std::int16_t> frames(2 * kFrames * 64);
    double phase = 0.0;
    for (std::size_t k = 0; k < frames.size() / 2; ++k) {
        const double t = static_cast<double>(k) / kRate;
        phase += 2 * M_PI * (12000.0 + 400.0 * std::sin(2 * M_PI * 100.0 * t) + 2000.0 * std::sin(2 * M_PI * 800.0 * t)) / kRate;
        frames[2 * k + 1] = static_cast<std::int16_t>(8000 * std::sin(phase));
    }
    RC_AudioWave& wave = window->Wave();
    std::size_t block = 0;
    for (auto _ : state) {
        window->OnAudioBlock(frames.data() + 2 * kFrames * block, 4 * kFrames);
        block = (block + 1) % 64;
        // The files play as fast as they are written; wait outside the measurement until a
        // buffer is free again, so that no block is dropped.
        state.PauseTiming();
        while (wave.QueuedOutCount() + 2 >= wave.OutBufferCount()) std::this_thread::yield();
        state.ResumeTiming();
    }
    // The time per block over the block's period is the fraction of real time the path takes.
    state.counters["block_period_us"] = kFrames / kRate * 1e6;
}

} // namespace

// AM without secondary squelch; FMN with noise, CTCSS and DCS; FMN with voice.
BENCHMARK(AudioBlock)->Args({1, 0})->Args({2, 0x2 | 0x4 | 0x200})->Args({2, 0x100})->Unit(benchmark::kMicrosecond);
