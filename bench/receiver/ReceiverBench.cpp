// The receiver component's per-poll work: calibrating a level by the fixed scale and through the
// calibration library's table, an export kept after its first lookup against a lookup each time,
// and the simulated receiver's level read along the whole road.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "app/receiver/LibraryBinding.h"
#include "app/receiver/TmyQ745.h"

namespace {

std::string WriteCalFile() {
    const std::string path = "/tmp/bench_receiver_" + std::to_string(::getpid()) + ".cal";
    std::ofstream out(path);
    out << "[LX-Q745]\ntable -1\n";
    for (int i = 0; i < 200; ++i)
        out << 100'000 + i * 10'000'000LL << " 0:-130 64:-110 128:-80 192:-55 255:-30\n";
    return path;
}

void BM_CalibrateFixedScale(benchmark::State& state) {
    lxq::TmyQ745 rx(nullptr);
    int raw = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(rx.Calibrate(raw, 145'000'000));
        raw = (raw + 1) & 255;
    }
}
BENCHMARK(BM_CalibrateFixedScale);

void BM_CalibrateThroughTable(benchmark::State& state) {
    const std::string file = WriteCalFile();
    lxq::TmyQ745 rx(nullptr);
    rx.LoadDLL("no-such-api.dll", "dbmtable.dll");
    rx.SetCalFile(file);
    int raw = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(rx.Calibrate(raw, 1'145'000'000));
        raw = (raw + 1) & 255;
    }
    std::remove(file.c_str());
}
BENCHMARK(BM_CalibrateThroughTable);

void BM_ExportKept(benchmark::State& state) {
    lxq::LibraryBinding lib;
    lib.Load("lxq745api.dll");
    for (auto _ : state) benchmark::DoNotOptimize(lib.Find("GetRawSignalStrength"));
}
BENCHMARK(BM_ExportKept);

void BM_ExportLookedUpEachTime(benchmark::State& state) {
    lxq::LibraryBinding lib;
    lib.Load("lxq745api.dll");
    for (auto _ : state) benchmark::DoNotOptimize(lib.FindNow("GetRawSignalStrength"));
}
BENCHMARK(BM_ExportLookedUpEachTime);

void BM_PollSimulatedReceiver(benchmark::State& state) {
    lxq::TmyQ745 rx(nullptr);
    rx.SetInit(true);
    if (!rx.Open(std::string())) {
        state.SkipWithError("no simulated receiver");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(rx.GetSS());
}
BENCHMARK(BM_PollSimulatedReceiver);

} // namespace
