// What a panel that polls costs the host while it does nothing else: one and three clients that
// each ask their receiver's level every 20 ms, as a panel's meter does, against the host as its
// own process (lxq745d). The figures are the host's processor time (in % of one core) and its
// context switches a second while they poll, from the host's threads' own counters, less what
// the same host costs in a window right before with the clients connected but quiet (the
// virtual sound card's feed ticks on in every host). The clients keep their connections for the
// whole run, as a panel does.
//
// With LXQ_BENCH_BEFORE_HOST naming another build's lxq745d, that host is measured in the same
// run, in windows alternating with this build's, so that the machine's other work weighs on both
// alike: the counters with the "before_" prefix are that host's, and the ratios compare the two.

#include "api/DeviceControl.h"
#include "bench/driverhost/HostProcess.h"
#include "platform/sys/DeviceChannel.h"

#include <benchmark/benchmark.h>


#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace lxq;
using lxq::bench::HostCounters;
using lxq::bench::HostProcess;
using lxq::bench::ReadCounters;
using Clock = std::chrono::steady_clock;

constexpr auto kPollPeriod = std::chrono::milliseconds(20);
constexpr auto kWindow = std::chrono::milliseconds(1500);
constexpr int kRounds = 4;
constexpr int kMaxClients = 3;

struct Figures {
    double corePercent = 0;
    double switchesPerSecond = 0;
};

std::vector<std::string> Devices() {
    std::vector<std::string> devices;
    for (int i = 0; i < kMaxClients; ++i) devices.push_back("test:rx" + std::to_string(i));
    return devices;
}

// Clients that each hold a receiver of the host open.
struct Clients {
    Clients(const HostProcess& host, int count) {
        setenv("LXQ745_NS", host.Namespace().c_str(), 1);
        for (int c = 0; c < count; ++c) {
            auto handle = std::make_unique<plat::sys::DeviceHandle>();
            if (handle->Open(host.Paths()[static_cast<std::size_t>(c)]) != 0) return;
            handles.push_back(std::move(handle));
        }
        opened = true;
    }
    bool opened = false;
    std::vector<std::unique_ptr<plat::sys::DeviceHandle>> handles;
};

Figures Measure(pid_t host, Clock::duration window) {
    const HostCounters before = ReadCounters(host);
    const auto start = Clock::now();
    std::this_thread::sleep_for(window);
    const HostCounters after = ReadCounters(host);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return {(after.cpuNs - before.cpuNs) / 1e9 / seconds * 100.0, (after.switches - before.switches) / seconds};
}

// A quiet window, then one in which every client asks its level every 20 ms: the second's
// figures less the first's.
Figures PollWindow(const HostProcess& host, Clients& clients) {
    // The host's loops linger a quarter of a second after the last poll of the window before:
    // the quiet window starts after that tail.
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    const Figures quiet = Measure(host.Pid(), kWindow);
    std::atomic<bool> stop{false};
    std::vector<std::thread> pollers;
    for (auto& handle : clients.handles) {
        pollers.emplace_back([&stop, h = handle.get()] {
            auto next = Clock::now();
            while (!stop) {
                std::uint32_t level = 25;
                std::uint64_t bytes = 0;
                h->Control(IOCTL_LXQ745_GET_SIGNAL_STRENGTH, &level, 4, &level, 4, 0, &bytes);
                next += kPollPeriod;
                std::this_thread::sleep_until(next);
            }
        });
    }
    // The first polls may find a loop started for a client: the window begins once they run steadily.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const Figures polling = Measure(host.Pid(), kWindow);
    stop = true;
    for (auto& poller : pollers) poller.join();
    return {polling.corePercent - quiet.corePercent, polling.switchesPerSecond - quiet.switchesPerSecond};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : (n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

void PollingPanelsHostCost(benchmark::State& state) {
    const int clients = static_cast<int>(state.range(0));
    const std::string folder = std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
    const char* beforePath = std::getenv("LXQ_BENCH_BEFORE_HOST");
    const std::string tag = std::to_string(getpid()) + "-" + std::to_string(clients);
    HostProcess ours(folder + "/lxq745d", "bench-poll" + tag, Devices());
    std::unique_ptr<HostProcess> before;
    if (beforePath != nullptr && *beforePath != '\0')
        before = std::make_unique<HostProcess>(beforePath, "bench-poll-before" + tag, Devices());
    if (ours.Paths().size() != kMaxClients || (before && before->Paths().size() != kMaxClients)) {
        state.SkipWithError("a host did not start with its receivers");
        return;
    }
    Clients ourClients(ours, clients);
    std::unique_ptr<Clients> beforeClients;
    if (before) beforeClients = std::make_unique<Clients>(*before, clients);
    if (!ourClients.opened || (beforeClients && !beforeClients->opened)) {
        state.SkipWithError("a receiver did not open");
        return;
    }
    std::vector<double> ourCpu, ourSwitches, beforeCpu, beforeSwitches;
    for (auto _ : state) {
        for (int round = 0; round < kRounds; ++round) {
            // Which goes first alternates, so that neither always follows the other.
            for (int side = 0; side < 2; ++side) {
                const bool oursNow = (side + round) % 2 == 0;
                if (!oursNow && !before) continue;
                const Figures figures =
                    oursNow ? PollWindow(ours, ourClients) : PollWindow(*before, *beforeClients);
                (oursNow ? ourCpu : beforeCpu).push_back(figures.corePercent);
                (oursNow ? ourSwitches : beforeSwitches).push_back(figures.switchesPerSecond);
            }
        }
    }
    // What the polling adds to the host: % of a core in all and per client, switches a second.
    state.counters["core_percent"] = Median(ourCpu);
    state.counters["core_percent_per_client"] = Median(ourCpu) / clients;
    state.counters["switches_per_s"] = Median(ourSwitches);
    if (before) {
        state.counters["before_core_percent"] = Median(beforeCpu);
        state.counters["before_core_percent_per_client"] = Median(beforeCpu) / clients;
        state.counters["before_switches_per_s"] = Median(beforeSwitches);
        if (Median(ourCpu) > 0) state.counters["before_vs_ours_cpu"] = Median(beforeCpu) / Median(ourCpu);
    }
    unsetenv("LXQ745_NS");
}
BENCHMARK(PollingPanelsHostCost)->Arg(1)->Arg(3)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
