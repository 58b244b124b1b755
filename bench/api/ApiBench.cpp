// Costs of the receiver API library: the spectrum inverter per block (fixed-point kernel against
// the plain sum), a cached get export, and block-scan throughput over a simulated receiver.

#include "api/FirFilter16.h"
#include "api/ReceiverApi.h"
#include "api/SpectrumInverter.h"
#include "api/Lxq745Api.h"
#include "platform/sys/Module.h"
#include "platform/win/MessageApi.h"
#include "platform/win/WindowApi.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace lxq::api;

// A provider without devices: every receiver is a demonstration receiver.
class NoDevices final : public DeviceProvider {
public:
    std::vector<std::string> List() override { return {}; }
    std::unique_ptr<DeviceLink> Open(const std::string&) override { return nullptr; }
    void Watch(Watcher) override {}
    void StopWatching() override {}
};

std::unique_ptr<ReceiverApi> MakeApi() {
    static int n = 0;
    const std::string ns = "bench-" + std::to_string(getpid()) + "-" + std::to_string(++n);
    setenv("LXQ745_NS", ns.c_str(), 1);
    RadioLibrary::Options options;
    options.devices = std::make_unique<NoDevices>();
    options.configPath = "/nonexistent/LXQ745.INI";
    return std::make_unique<ReceiverApi>(std::move(options));
}

void BM_InvertSpectrumBlock(benchmark::State& state) {
    SpectrumInverter inverter;
    inverter.SetMixingFrequency(3'500.0f);
    inverter.SetSampleRate(11'025.0f);
    const auto n = static_cast<std::size_t>(state.range(0));
    std::vector<std::int16_t> block(n);
    for (std::size_t k = 0; k < n; ++k)
        block[k] = static_cast<std::int16_t>(8000 * std::sin(0.37 * double(k)));
    for (auto _ : state) {
        inverter.Process(block.data(), n);
        benchmark::DoNotOptimize(block.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * n));
}
BENCHMARK(BM_InvertSpectrumBlock)->Arg(512)->Arg(1024)->Arg(4096);

void BM_DotQ15Vector(benchmark::State& state) {
    std::vector<std::int16_t> a(128, 1234), b(128, -321);
    for (auto _ : state) benchmark::DoNotOptimize(DotQ15(a.data(), b.data(), 128));
}
BENCHMARK(BM_DotQ15Vector);

void BM_DotQ15Plain(benchmark::State& state) {
    std::vector<std::int16_t> a(128, 1234), b(128, -321);
    for (auto _ : state) {
        benchmark::DoNotOptimize(a.data());
        benchmark::DoNotOptimize(DotQ15Plain(a.data(), b.data(), 128));
    }
}
BENCHMARK(BM_DotQ15Plain);

void BM_CachedGetFrequency(benchmark::State& state) {
    auto api = MakeApi();
    const int i = api->Library().Open(nullptr);
    api->Control().SetFrequency(i, 145'000'000);
    for (auto _ : state) benchmark::DoNotOptimize(api->Control().GetFrequency(i));
}
BENCHMARK(BM_CachedGetFrequency);

// The same through the exported library, as a client calls it by a pointer found by name.
void BM_CachedGetFrequencyExport(benchmark::State& state) {
    const std::string ns = "bench-export-" + std::to_string(getpid());
    setenv("LXQ745_NS", ns.c_str(), 1);
    auto lib = plat::sys::Module::Load("lxq745api.dll");
    if (!lib) {
        state.SkipWithError("liblxq745api.so not found next to the benchmark");
        return;
    }
    auto open = reinterpret_cast<decltype(&Q7Open)>(lib->Symbol("Q7Open"));
    auto set = reinterpret_cast<decltype(&SetFrequency)>(lib->Symbol("SetFrequency"));
    auto get = reinterpret_cast<decltype(&GetFrequency)>(lib->Symbol("GetFrequency"));
    const int i = open(nullptr);
    set(i, 145'000'000);
    for (auto _ : state) benchmark::DoNotOptimize(get(i));
}
BENCHMARK(BM_CachedGetFrequencyExport);

void BM_BlockScanSimulated(benchmark::State& state) {
    auto api = MakeApi();
    const int i = api->Library().Open(nullptr);
    const plat::win::Hwnd window = plat::win::CreateMessageWindow(
        [](plat::win::Hwnd, std::uint32_t, plat::win::WParam, plat::win::LParam)
            -> plat::win::LResult { return 0; });
    const auto n = static_cast<std::uint32_t>(state.range(0));
    std::vector<std::uint32_t> list(n);
    for (auto _ : state) {
        for (std::uint32_t k = 0; k < n; ++k) list[k] = 10'000'000 + 5'000 * k;
        api->Scanner().Start(i, list.data(), n, 256, 1'000'000, window, 0x401);
        plat::win::Msg msg;
        while (plat::win::GetMessage(&msg, 0, 0, 0)) {
            if (msg.message == 0x401 && msg.wParam == 0 && msg.lParam == 0) break;
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * n));
    plat::win::DestroyWindow(window);
}
BENCHMARK(BM_BlockScanSimulated)->Arg(10'000)->UseRealTime();

} // namespace
