// Sweep points per second: the front panel's sweep step as the idle loop runs it, over the API
// library's simulated receiver (the form, the pipelined calls, calibration and the graph) and
// over the driver host's stand-in receiver in the same process (each step's pipelined tune and
// read then cross the host's socket, as with a receiver on the bus).

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "app/controls/TmyFreqGraph2.h"
#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/TQ7form.h"
#include "app/receiver/MainThread.h"
#include "app/receiver/TmyQ745.h"
#include "driver/host/BuiltInKinds.h"
#include "driver/host/ChannelServer.h"
#include "platform/components/TApplication.h"

namespace {

using namespace lxq;

void Sweep(benchmark::State& state, bool throughHost) {
    const std::string tag = std::to_string(getpid()) + (throughHost ? "-host" : "-sim");
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("bench-sweep-" + tag);
    std::filesystem::create_directories(folder);
    setenv("XDG_DOCUMENTS_DIR", folder.c_str(), 1);
    setenv("LXQ745_NS", ("bench-sweep-" + tag).c_str(), 1);
    RecordMainThread();
    host::DeviceKinds kinds;
    host::RegisterBuiltInKinds(kinds);
    host::Bus bus([&](const std::string& k, const std::string& id, std::string& error) { return kinds.Make(k, id, error); });
    host::ChannelServer server(bus);
    if (throughHost) {
        server.Start();
        std::string message;
        bus.Plug("test", "rx1", message);
    }
    {
        auto form = std::make_unique<TQ7form>(nullptr);
        form->ShowMessageBox = [](const std::string&, const std::string&, std::uint32_t) { return 1; };
        form->DoCreate();
        if (form->Q7->Demo() == throughHost) state.SkipWithError("not the receiver asked for");
        // About 10^6 points, wrapping at the end: the graph's lines hold every one.
        form->myFrequencyEdit3->SetValue(1'000'000);
        form->myFrequencyEdit4->SetValue(1'000'000'000);
        form->myFrequencyEdit5->SetValue(1'000);
        form->stSpeedButton33->SetDown(true);
        form->stSpeedButton30->SetDown(true);
        form->stSpeedButton30Click(form->stSpeedButton30);
        for (auto _ : state) {
            form->Q7BlockScan(form.get(), 0, false);
            // The step's reading comes as an answer of the receiver's requests.
            do {
                form->Q7->FinishRequests();
                plat::comp::Application().ProcessMessages();
            } while (form->SweepStepWaiting());
        }
        state.SetItemsProcessed(state.iterations());
        state.counters["points"] = static_cast<double>(form->SweepPoints);
        form->stSpeedButton31Click(form->stSpeedButton31);
    }
    if (throughHost) server.Stop();
    bus.RemoveAll();
    plat::comp::Application().ProcessMessages();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    unsetenv("LXQ745_NS");
}

void BM_SweepStepSimulatedReceiver(benchmark::State& state) { Sweep(state, false); }
void BM_SweepStepThroughDriverHost(benchmark::State& state) { Sweep(state, true); }
BENCHMARK(BM_SweepStepSimulatedReceiver)->UseRealTime();
BENCHMARK(BM_SweepStepThroughDriverHost)->UseRealTime();

} // namespace
