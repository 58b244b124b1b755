// The driver host's heap and resident memory through a hundred sleeps, wakes and scene changes,
// with a program that closes and reopens its receivers around each sleep (tests/driver/host/
// CyclingHost.h): sampled after a warm-up and at the end. Counters: heap and resident bytes gained
// per cycle after the warm-up (flat is 0), and the cycles' pace.
//   bench_hostmemory --benchmark_filter=HostEventsHeap

#include "tests/driver/host/CyclingHost.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace {

using lxq::host::test::CyclingHost;

// This process's resident memory in kB.
long ResidentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

void HostEventsHeap(benchmark::State& state) {
    const int cycles = static_cast<int>(state.range(0));
    constexpr int kWarmUp = 10;
    constexpr auto kSettle = std::chrono::milliseconds(1500);
    for (auto _ : state) {
        CyclingHost host;
        if (!host.Ready()) {
            state.SkipWithError(host.Failure().c_str());
            return;
        }
        for (int n = 0; n < kWarmUp; ++n)
            if (!host.Cycle(n)) state.SkipWithError(host.Failure().c_str());
        // The host's spare event loops (each with a record buffer of its own) end a second after
        // the last request: both samples are taken once they have, so that a loop more or less at
        // either does not count as growth.
        std::this_thread::sleep_for(kSettle);
        const std::int64_t heapBefore = CyclingHost::HeapInUse();
        const long rssBefore = ResidentKb();
        const auto start = std::chrono::steady_clock::now();
        int failed = 0;
        for (int n = 0; n < cycles; ++n) failed += host.Cycle(n) ? 0 : 1;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::this_thread::sleep_for(kSettle);
        state.counters["heap_bytes_per_cycle"] =
            static_cast<double>(CyclingHost::HeapInUse() - heapBefore) / cycles;
        state.counters["rss_bytes_per_cycle"] = static_cast<double>(ResidentKb() - rssBefore) * 1024.0 / cycles;
        state.counters["heap_kB_after_warmup"] = static_cast<double>(heapBefore) / 1024.0;
        state.counters["cycles_per_s"] = cycles / seconds;
        state.counters["failed_cycles"] = failed;
    }
}
BENCHMARK(HostEventsHeap)->Arg(100)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
