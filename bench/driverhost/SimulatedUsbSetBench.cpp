// A set-frequency request on an idle simulated USB receiver (powered, no audio stream), as
// `scripts/run` and the system tests drive it, beside a level request on the same receiver: what
// each costs the host (processor time and context switches per request, from the host's threads'
// counters) with the host as its own process, and their ratio. A set tunes for real: two
// frequencies a band apart, in turn, each waiting for the push and the lock.
//
// With LXQ_BENCH_BEFORE_HOST naming another build's lxq745d, that host is measured in the same
// run, alternating with this build's (counters with the "before_" prefix).

#include "api/DeviceControl.h"
#include "bench/driverhost/HostProcess.h"
#include "platform/sys/DeviceChannel.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace lxq;
using lxq::bench::HostCounters;
using lxq::bench::HostProcess;
using lxq::bench::ReadCounters;

constexpr std::uint32_t kFrequencies[2] = {145'500'000, 433'920'000};
constexpr int kRequests = 1000;
constexpr int kRounds = 5;

struct Cost {
    double cpuUs = 0;
    double switches = 0;
};

// A receiver of the host, opened and powered as a program does before it tunes.
struct Receiver {
    explicit Receiver(const HostProcess& host) : pid(host.Pid()) {
        setenv("LXQ745_NS", host.Namespace().c_str(), 1);
        if (host.Paths().empty() || handle.Open(host.Paths().front()) != 0) return;
        std::uint64_t bytes;
        std::uint32_t clock[3] = {0, kRefSourceInternal, kRefClockKeepHz};
        handle.Control(IOCTL_LXQ745_SET_REF_CLOCK, clock, 12, clock, 12, 0, &bytes);
        std::uint32_t on = 1;
        opened = IsSuccess(handle.Control(IOCTL_LXQ745_SET_POWER, &on, 4, &on, 4, 0, &bytes));
    }

    bool Set(std::size_t i) {
        FreqRequest request{kFrequencies[i & 1], 0, kFreqWaitPush | kFreqWaitLock};
        std::uint64_t bytes;
        return IsSuccess(handle.Control(IOCTL_LXQ745_SET_FREQUENCY, &request, 12, &request, 12, 0, &bytes));
    }
    bool Level(std::size_t) {
        std::uint32_t level = 25;
        std::uint64_t bytes;
        return IsSuccess(handle.Control(IOCTL_LXQ745_GET_SIGNAL_STRENGTH, &level, 4, &level, 4, 0, &bytes));
    }

    // The host's cost per request of kRequests in a row.
    Cost PerRequest(bool (Receiver::*request)(std::size_t)) {
        const HostCounters before = ReadCounters(pid);
        for (int i = 0; i < kRequests; ++i)
            if (!(this->*request)(++sent)) failed = true;
        const HostCounters after = ReadCounters(pid);
        return {(after.cpuNs - before.cpuNs) / 1e3 / kRequests, (after.switches - before.switches) / kRequests};
    }

    pid_t pid;
    plat::sys::DeviceHandle handle;
    bool opened = false;
    bool failed = false;
    std::size_t sent = 0;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : (n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

struct Side {
    std::vector<double> setCpu, setSwitches, levelCpu, levelSwitches;
    void Round(Receiver& receiver) {
        const Cost set = receiver.PerRequest(&Receiver::Set);
        const Cost level = receiver.PerRequest(&Receiver::Level);
        setCpu.push_back(set.cpuUs);
        setSwitches.push_back(set.switches);
        levelCpu.push_back(level.cpuUs);
        levelSwitches.push_back(level.switches);
    }
    void Report(benchmark::State& state, const std::string& prefix) const {
        state.counters[prefix + "set_cpu_us"] = Median(setCpu);
        state.counters[prefix + "set_switches"] = Median(setSwitches);
        state.counters[prefix + "level_cpu_us"] = Median(levelCpu);
        state.counters[prefix + "level_switches"] = Median(levelSwitches);
        if (Median(levelCpu) > 0) state.counters[prefix + "set_vs_level_cpu"] = Median(setCpu) / Median(levelCpu);
    }
};

void SimulatedUsbSetHostCost(benchmark::State& state) {
    const std::string folder = std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
    const char* beforePath = std::getenv("LXQ_BENCH_BEFORE_HOST");
    const std::string tag = std::to_string(getpid());
    HostProcess ours(folder + "/lxq745d", "bench-usbset" + tag, {"sim-usb:rx"});
    std::unique_ptr<HostProcess> before;
    if (beforePath != nullptr && *beforePath != '\0')
        before = std::make_unique<HostProcess>(beforePath, "bench-usbset-before" + tag, std::vector<std::string>{"sim-usb:rx"});
    Receiver ourReceiver(ours);
    std::unique_ptr<Receiver> beforeReceiver;
    if (before) beforeReceiver = std::make_unique<Receiver>(*before);
    if (!ourReceiver.opened || (beforeReceiver && !beforeReceiver->opened)) {
        state.SkipWithError("the simulated USB receiver did not open");
        return;
    }
    Side ourSide, beforeSide;
    for (auto _ : state) {
        for (int round = 0; round < kRounds; ++round) {
            if (beforeReceiver && round % 2 == 1) beforeSide.Round(*beforeReceiver);
            ourSide.Round(ourReceiver);
            if (beforeReceiver && round % 2 == 0) beforeSide.Round(*beforeReceiver);
        }
    }
    if (ourReceiver.failed || (beforeReceiver && beforeReceiver->failed)) state.SkipWithError("a request failed");
    ourSide.Report(state, "");
    if (before) beforeSide.Report(state, "before_");
    unsetenv("LXQ745_NS");
}
BENCHMARK(SimulatedUsbSetHostCost)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
