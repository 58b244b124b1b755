// The audio thread's cost per block: recorded blocks copied to the output, on the null devices
// with a fake clock, so only the buffer hand-over between the threads is measured.
#include "demod/audio/RC_AudioWave.h"
#include "platform/audio/AudioSystem.h"
#include "platform/audio/NullAudioBackend.h"
#include "platform/sys/Clock.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstring>

namespace {

struct Loop {
    std::uint32_t bytesWanted = 0;
    std::uint32_t bytesIn = 0;
    std::uint32_t dropped = 0;
    plat::sys::Event done{plat::sys::Event::Reset::Manual, false};
};

void OnInput(void* user, RC_AudioWave* wave, const void* data, std::uint32_t bytes) {
    auto* loop = static_cast<Loop*>(user);
    if (void* out = wave->GetFreeOutBuffer()) {
        std::memcpy(out, data, bytes);
        wave->Write(out, bytes);
    } else {
        ++loop->dropped;
    }
    loop->bytesIn += bytes;
    if (loop->bytesIn >= loop->bytesWanted) loop->done.Set();
}

void BM_AudioWavePassThrough(benchmark::State& state) {
    plat::sys::FakeClock clock;
    plat::sys::ScopedClock useClock(clock);
    plat::audio::ScopedAudioBackend backend(std::make_shared<plat::audio::NullAudioBackend>());
    const auto block = static_cast<std::uint32_t>(state.range(0));
    constexpr std::uint32_t kBlocks = 512;
    RC_AudioWave wave(2, 16, 48000, RC_AudioWave::kBoth);
    wave.ClearFlags(RC_AudioWave::kFlagMessages, 0);
    wave.SetInBufferCount(8);
    wave.SetInBufferSize(block);
    wave.SetOutBufferSize(block);
    wave.SetInDevice(0);
    wave.SetOutDevice(0);
    std::uint32_t dropped = 0;
    for (auto _ : state) {
        Loop loop;
        loop.bytesWanted = block * kBlocks;
        wave.SetInputCallback(&OnInput, &loop);
        wave.Start();
        loop.done.Wait();
        wave.Stop();
        dropped += loop.dropped;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * block * kBlocks);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kBlocks);
    state.counters["dropped"] = dropped;
}
BENCHMARK(BM_AudioWavePassThrough)->Arg(256)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
