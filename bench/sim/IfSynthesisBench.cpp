// Cost of the simulated receiver's IF: ten stations of every modulation within reach of the
// tuned frequency plus the noise, rendered in the blocks the USB simulator uses (16 packets of 64
// samples) at the codec's 64 kHz and at the sound card's 48 kHz. The figure that matters is CPU
// seconds per second of IF, the counter "cpu_s_per_if_s": 0.05 would be 5 % of one core.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "driver/sim/SceneIfSynthesizer.h"

namespace {

using namespace lxq::sim;

const BandScene& TenInReach() {
    static const BandScene scene = *BandScene::Parse(R"(
noise -120
station 50000000 -60 am
station 50002000 -70 fm tone=800 ctcss=88.5
station 50004000 -75 fm tone=600 dcs=023
station 50006000 -80 usb tone=1200
station 50008000 -85 lsb tone=900
station 49998000 -65 cw
station 49996000 -90 carrier
station 49994000 -72 am depth=0.8 tone=400
station 49992000 -78 fm deviation=3000
station 50009000 -95 fm
)");
    return scene;
}

void IfSynthesis(benchmark::State& state) {
    const double rate = static_cast<double>(state.range(0));
    SceneIfSynthesizer synth(rate);
    IfTuning tuning;
    tuning.tunedHz = 50'000'000;
    tuning.ifCentreHz = 12000.0;
    constexpr std::size_t kBlock = 16 * 64;
    std::vector<std::int16_t> out(kBlock);
    for (auto _ : state) {
        synth.Render(tuning, TenInReach(), out.data(), out.size());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kBlock));
    // Seconds of IF rendered, as a rate and inverted: CPU seconds per IF second.
    state.counters["cpu_s_per_if_s"] = benchmark::Counter(static_cast<double>(state.iterations() * kBlock) / rate,
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(IfSynthesis)->Arg(64000)->Arg(48000);

// A band as dense as a scene file within its bound makes it: 45,217 AM stations within 5 kHz of
// the tuned frequency, rendered in the sound card feeder's 10 ms blocks at 48 kHz. Above 1.0 the
// feeder cannot keep time.
void DenseBand(benchmark::State& state) {
    static const BandScene scene = [] {
        BandScene s;
        for (std::uint32_t i = 0; i < 45'217; ++i) {
            SceneStation st;
            st.frequencyHz = 995'000 + i % 10'000;
            st.levelDbm = -60.0;
            st.modulation = Modulation::Am;
            s.stations.push_back(st);
        }
        return s;
    }();
    constexpr double kRate = 48'000.0;
    SceneIfSynthesizer synth(kRate);
    IfTuning tuning;
    tuning.tunedHz = 1'000'000;
    constexpr std::size_t kBlock = 480;
    std::vector<std::int16_t> out(kBlock);
    for (auto _ : state) {
        synth.Render(tuning, scene, out.data(), out.size());
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["cpu_s_per_if_s"] = benchmark::Counter(static_cast<double>(state.iterations() * kBlock) / kRate,
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(DenseBand);

} // namespace
