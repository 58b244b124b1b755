// The demodulator window playing with its window shown: each block of IF frames goes through the
// window's audio path (as the sound card's thread hands it over), then the window's messages are
// handled and it paints what the block changed, as the program's loop would. On a real X display
// when DISPLAY is set (the window is an X window of its own), else headless.
//
// Reported per block: the process's CPU time over the block's period (CPU per second of audio,
// every thread of the process counted), the paints that reached the screen and the pixels they
// carried. Run it with the same arguments on two builds to compare them side by side.
//
// With LXQ_BENCH_HOLD_MS set, the window stays on the screen that long after a fixed run of 200
// blocks, so that a screenshot can be taken of it (the signal is the same every run).

#include "bench/demod/BenchFileCard.h"
#include "demod/ui/DemodWindow.h"
#include "platform/audio/AudioSystem.h"
#include "platform/audio/FileAudioBackend.h"
#include "platform/audio/WavFile.h"
#include "platform/win/BackendChoice.h"
#include "platform/win/HeadlessBackend.h"
#include "platform/win/MessageApi.h"
#include "platform/win/WindowApi.h"
#include "platform/win/WindowSystem.h"
#include "platform/win/X11Backend.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <random>
#include <thread>
#include <vector>

namespace {

namespace win = plat::win;

constexpr std::uint32_t kReceiver = 1;
constexpr std::uint32_t kFrames = 1024;
constexpr double kRate = 48000.0;
constexpr std::size_t kSignalBlocks = 64;

// The chosen back end, counting what reaches the screen.
class CountingBackend final : public win::Backend {
public:
    explicit CountingBackend(std::unique_ptr<win::Backend> inner) : inner_(std::move(inner)) {}
    const char* Name() const override { return inner_->Name(); }
    bool Wait(int wakeFd, plat::sys::Nanoseconds timeout) override { return inner_->Wait(wakeFd, timeout); }
    void Pump() override { inner_->Pump(); }
    void SurfaceChanged(std::uint32_t top, const plat::gdi::Rect& area) override {
        ++paints;
        pixels += area.IsEmpty() ? 0 : static_cast<std::uint64_t>(area.Width()) * static_cast<std::uint64_t>(area.Height());
        inner_->SurfaceChanged(top, area);
    }
    void TopLevelChanged(std::uint32_t top) override { inner_->TopLevelChanged(top); }
    void TopLevelDestroyed(std::uint32_t top) override { inner_->TopLevelDestroyed(top); }
    void TopLevelRaised(std::uint32_t top) override { inner_->TopLevelRaised(top); }
    void ConfinePointer(const plat::gdi::Rect* screen) override { inner_->ConfinePointer(screen); }

    std::atomic<std::uint64_t> paints{0};
    std::atomic<std::uint64_t> pixels{0};

private:
    std::unique_ptr<win::Backend> inner_;
};

CountingBackend& Screen() {
    static CountingBackend* counting = [] {
        std::unique_ptr<win::Backend> inner;
        const char* display = std::getenv("DISPLAY");
        std::string error;
        if (display != nullptr && *display != '\0') inner = win::X11Backend::Open(display, &error);
        if (!inner) inner = std::make_unique<win::HeadlessBackend>();
        auto made = std::make_unique<CountingBackend>(std::move(inner));
        CountingBackend* raw = made.get();
        win::WindowSystem::Instance().SetBackend(std::move(made));
        return raw;
    }();
    return *counting;
}

using bench_demod::FileCard;
using bench_demod::DemoWindow;

// An AM station (a 1 kHz tone) over noise, in the right channel: the IF graph's trace moves every
// block. The same samples every run.
std::vector<std::int16_t> Station() {
    std::vector<std::int16_t> frames(2 * kFrames * kSignalBlocks);
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 300.0);
    for (std::size_t k = 0; k < frames.size() / 2; ++k) {
        const double t = static_cast<double>(k) / kRate;
        const double am = 6000.0 * (1.0 + 0.5 * std::sin(2 * M_PI * 1000.0 * t)) * std::sin(2 * M_PI * 12000.0 * t);
        frames[2 * k + 1] = static_cast<std::int16_t>(std::lround(am + noise(random)));
    }
    return frames;
}

double ProcessCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void HandleMessages() {
    win::Msg msg;
    while (win::PeekMessage(&msg, 0, 0, 0, win::PM_REMOVE)) {
        win::TranslateMessage(msg);
        win::DispatchMessage(msg);
    }
}

// range(0): 1 the window shown, 0 hidden (minimised away: nothing of it is on the screen).
void PlayingWithTheWindow(benchmark::State& state) {
    CountingBackend& screen = Screen();
    FileCard card;
    DemoWindow demo(card, kReceiver);
    std::unique_ptr<DemodWindow>& window = demo.window;
    constexpr std::uint32_t kHostAm = 1;
    window->Notify(kReceiver, KVR_NOTIFY_MODE, kHostAm, 0, nullptr);
    const bool shown = state.range(0) != 0;
    if (!shown) win::ShowWindow(window->Handle(), win::SW_HIDE);
    HandleMessages();

    const std::vector<std::int16_t> frames = Station();
    RC_AudioWave& wave = window->Wave();
    const char* hold = std::getenv("LXQ_BENCH_HOLD_MS");
    std::size_t block = 0;
    const auto oneBlock = [&] {
        window->OnAudioBlock(frames.data() + 2 * kFrames * block, 4 * kFrames);
        block = (block + 1) % kSignalBlocks;
        HandleMessages();
    };
    // The files play as fast as they are written; a free buffer is waited for outside the
    // measurement, so that no block is dropped.
    const auto waitForBuffer = [&] {
        while (wave.QueuedOutCount() + 2 >= wave.OutBufferCount()) std::this_thread::yield();
    };
    double cpu = 0.0;
    std::uint64_t paints = 0, pixels = 0, blocks = 0;
    for (auto _ : state) {
        const std::uint64_t paintsBefore = screen.paints.load(), pixelsBefore = screen.pixels.load();
        const double before = ProcessCpuSeconds();
        oneBlock();
        cpu += ProcessCpuSeconds() - before;
        paints += screen.paints.load() - paintsBefore;
        pixels += screen.pixels.load() - pixelsBefore;
        ++blocks;
        state.PauseTiming();
        waitForBuffer();
        state.ResumeTiming();
    }
    const double audioSeconds = static_cast<double>(blocks) * kFrames / kRate;
    state.counters["cpu_ms_per_audio_s"] = cpu * 1e3 / audioSeconds;
    state.counters["paints_per_block"] = static_cast<double>(paints) / static_cast<double>(blocks);
    state.counters["kpixels_per_block"] = static_cast<double>(pixels) / static_cast<double>(blocks) / 1e3;

    if (hold != nullptr && shown) {
        // A fixed run from the start of the signal: the same picture on every build.
        block = 0;
        for (int b = 0; b < 200; ++b) {
            oneBlock();
            waitForBuffer();
        }
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::atoi(hold));
        while (std::chrono::steady_clock::now() < until) {
            HandleMessages();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
}

} // namespace

BENCHMARK(PlayingWithTheWindow)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond)->MinTime(2.0);
