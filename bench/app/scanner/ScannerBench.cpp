// Scan steps per second: the channel walk alone, and whole scanner steps of the front panel over
// the API library's simulated receiver and over the driver host's test receiver (in-process
// host, socket round trips included). The fake clock keeps the start's settle from waiting.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/controls/TstFrequencyEdit.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/ScanChannel.h"
#include "app/forms/TQ7form.h"
#include "app/receiver/MainThread.h"
#include "app/receiver/TmyQ745.h"
#include "driver/host/BuiltInKinds.h"
#include "driver/host/Bus.h"
#include "driver/host/ChannelServer.h"
#include "driver/host/DeviceKinds.h"
#include "platform/components/TApplication.h"
#include "platform/sys/Clock.h"

namespace {

using namespace lxq;

void BM_RangeWalk(benchmark::State& state) {
    RangeList ranges;
    for (int i = 0; i < 10; ++i) {
        auto r = std::make_unique<TRangeRecord>();
        *r = TRangeRecord{};
        r->lower = 100'000'000LL * (i + 1);
        r->upper = r->lower + 10'000'000;
        r->step = 12'500;
        ranges.push_back(std::move(r));
    }
    std::vector<TExclusionRecord> exclusions{{150'000'000, 160'000'000, 0}};
    ScanSources s;
    s.kind = ScanKind::Range;
    s.ranges = &ranges;
    s.exclusions = &exclusions;
    s.exclusionsEnabled = true;
    ScanChannel ch;
    std::int32_t changes = 0;
    for (auto _ : state) benchmark::DoNotOptimize(NextChannel(ch, s, changes));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RangeWalk);

// A front panel scanning upwards in 25 kHz steps with every channel squelched.
struct Panel {
    explicit Panel(bool host) {
        RecordMainThread();
        std::filesystem::create_directories(folder);
        setenv("XDG_DOCUMENTS_DIR", folder.c_str(), 1);
        setenv("LXQ745_NS", ("scanbench" + std::to_string(::getpid())).c_str(), 1);
        if (host) {
            host::RegisterBuiltInKinds(kinds);
            server.Start();
            std::string message;
            bus.Plug("test", "rx1", message);
        }
        form = std::make_unique<TQ7form>(nullptr);
        form->ShowMessageBox = [](const std::string&, const std::string&, std::uint32_t) { return 1; };
        form->DoCreate();
        form->Q7->Timer(false);
        form->Q7->SetSquelch(-30);
        form->Q7->SetFreq(100'000'000);
        form->myFrequencyEdit2->SetValue(25'000);
        form->stSpeedButton20Click(form->stSpeedButton20);
    }
    ~Panel() {
        form.reset();
        server.Stop();
        bus.RemoveAll();
        std::filesystem::remove_all(folder);
    }
    void Step() {
        if (form->ScannerState != 3) form->stSpeedButton20Click(form->stSpeedButton20);
        form->ScanTimerTimer(form.get());
        // The step's reading comes as an answer of the receiver's requests; then the wake-up
        // message each step posts.
        do {
            form->Q7->FinishRequests();
            plat::comp::Application().ProcessMessages();
        } while (form->ScanStepWaiting());
    }
    plat::sys::FakeClock clock;
    plat::sys::ScopedClock scoped{clock};
    std::string folder = "/tmp/bench_scanner_" + std::to_string(::getpid());
    host::DeviceKinds kinds;
    host::Bus bus{[this](const std::string& kind, const std::string& id, std::string& error) {
        return kinds.Make(kind, id, error);
    }};
    host::ChannelServer server{bus};
    std::unique_ptr<TQ7form> form;
};

void BM_ScanStepSimulatedReceiver(benchmark::State& state) {
    Panel panel(false);
    for (auto _ : state) panel.Step();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ScanStepSimulatedReceiver);

void BM_ScanStepThroughDriverHost(benchmark::State& state) {
    Panel panel(true);
    for (auto _ : state) panel.Step();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ScanStepThroughDriverHost);

} // namespace
