// The driver host's heap under hours of traffic, compressed: a client tunes and reads one
// simulated receiver for a few hundred thousand loops, and the heap in use is sampled after a
// warm-up and at the end. Counters: loops a second, and heap bytes gained per 100,000 loops after
// the warm-up (flat is 0; the serial receiver once kept a byte of every command it took).
//   bench_hostmemory --benchmark_filter=HostHeap/serial   (the loop count is the argument)

#include "tests/driver/host/ServedHost.h"

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

using lxq::host::test::ServedHost;

void HostHeap(benchmark::State& state, const char* kind) {
    const std::int64_t loops = state.range(0);
    constexpr std::int64_t kWarmUp = 2000;
    for (auto _ : state) {
        ServedHost host(kind);
        if (!host.Ready()) {
            state.SkipWithError("the simulated receiver did not open");
            return;
        }
        for (std::int64_t i = 0; i < kWarmUp; ++i) host.Loop();
        const std::int64_t before = ServedHost::HeapInUse();
        std::int64_t failed = 0;
        const auto start = std::chrono::steady_clock::now();
        for (std::int64_t i = 0; i < loops; ++i) failed += host.Loop() ? 0 : 1;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const std::int64_t after = ServedHost::HeapInUse();
        state.counters["loops_per_s"] = static_cast<double>(loops) / seconds;
        state.counters["heap_bytes_per_100k_loops"] =
            static_cast<double>(after - before) * 100000.0 / static_cast<double>(loops);
        state.counters["heap_kB_after_warmup"] = static_cast<double>(before) / 1024.0;
        state.counters["failed_loops"] = static_cast<double>(failed);
    }
}

BENCHMARK_CAPTURE(HostHeap, serial, "sim-serial")->Arg(300000)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(HostHeap, usb, "sim-usb")->Arg(300000)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(HostHeap, pci, "sim-pci")->Arg(300000)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
