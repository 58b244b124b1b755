// Clients that each drive a receiver of their own as fast as the host answers, beside a Unix
// socket echo server (a thread per client, the fastest a socket round trip gets) in the same run:
// round trips per second in all and one client's median round trip, ours and the echo's, and
// their ratios. Both alternate in short phases, so a busy machine weighs on both alike; the
// ratios are the median over the rounds, with the lowest and highest beside them. The processor
// time a round trip takes (client and server, user and kernel) tells what the machine's load
// does not: what each round trip costs, and so what share of the echo's rate ours reaches once
// the clients keep every core busy (cpu_vs_echo, the echo's cost over ours). On a machine that
// other work shares, the rates of two phases differ by what the others did meanwhile; the costs
// hardly do.
//
// A phase counts the round trips that ended before it was over, in the time until then: a
// client that the machine's scheduler kept from finishing its last round trip does not stretch
// the phase it is counted in. A round in which either side finished no round trip at all (one
// client kept from running for a whole phase) compares nothing: it is left out of the ratios
// and counted as empty_rounds.

#include "driver/host/BuiltInKinds.h"
#include "driver/host/ChannelServer.h"
#include "platform/sys/DeviceChannel.h"

#include <benchmark/benchmark.h>

#include <sched.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace lxq;
using namespace lxq::host;
using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kFrequencies[2] = {145'500'000, 433'920'000};
constexpr auto kPhase = std::chrono::milliseconds(50);
constexpr int kRounds = 48;

struct Figures {
    double perSecond = 0;
    double medianUs = 0;
    double cpuUsPerTrip = 0;
};

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : (n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

double Lowest(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

double Highest(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

// One thread per client for the whole benchmark, each calling its own round trip while a phase
// of its side runs and sleeping in between, so that a phase starts no thread and the two sides
// can alternate in short phases: the machine's other work then weighs on two neighbouring phases
// alike.
class Clients {
public:
    explicit Clients(std::vector<std::function<void(std::size_t)>> trips)
        : trips_(std::move(trips)), samples_(trips_.size()) {
        for (std::size_t c = 0; c < trips_.size(); ++c) threads_.emplace_back([this, c] { Serve(c); });
    }
    ~Clients() {
        ending_ = true;
        generation_.fetch_add(1);
        generation_.notify_all();
        for (auto& t : threads_) t.join();
    }

    // Runs every client for kPhase: round trips per second and the median of all round trips.
    Figures Phase() {
        for (auto& s : samples_) s.clear();
        parked_ = 0;
        stop_ = false;
        const double cpuBefore = ProcessCpuSeconds();
        const auto start = Clock::now();
        generation_.fetch_add(1);
        generation_.notify_all();
        std::this_thread::sleep_for(kPhase);
        stop_ = true;
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        const double cpu = ProcessCpuSeconds() - cpuBefore;
        for (std::size_t parked; (parked = parked_.load()) < threads_.size();) parked_.wait(parked);
        std::vector<float> all;
        for (auto& s : samples_) all.insert(all.end(), s.begin(), s.end());
        Figures figures;
        figures.perSecond = static_cast<double>(all.size()) / seconds;
        if (!all.empty()) {
            figures.cpuUsPerTrip = cpu * 1e6 / static_cast<double>(all.size());
            std::nth_element(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(all.size() / 2), all.end());
            figures.medianUs = all[all.size() / 2];
        }
        return figures;
    }

private:
    void Serve(std::size_t c) {
        samples_[c].reserve(200'000);
        std::uint64_t seen = 0;
        std::size_t i = 0;
        for (;;) {
            generation_.wait(seen);
            seen = generation_.load();
            if (ending_) return;
            while (!stop_) {
                const auto before = Clock::now();
                trips_[c](++i);
                // A round trip that ended after the phase was over is not the phase's.
                if (stop_) break;
                samples_[c].push_back(std::chrono::duration<float, std::micro>(Clock::now() - before).count());
            }
            parked_.fetch_add(1);
            parked_.notify_one();
        }
    }

    std::vector<std::function<void(std::size_t)>> trips_;
    std::vector<std::vector<float>> samples_;  // each client's own during a phase, the runner's after
    std::atomic<std::uint64_t> generation_{0};  // one more for every phase, and for the end
    std::atomic<bool> stop_{false}, ending_{false};
    std::atomic<std::size_t> parked_{0};  // clients done with the phase
    std::vector<std::thread> threads_;
};

// A Unix socket echo server: one thread per connection, blocking reads and writes.
class EchoServer {
public:
    EchoServer() : name_("bench-echo" + std::to_string(getpid())) {
        listen_ = plat::sys::ListenOnChannel(name_, SOMAXCONN, false);
        acceptor_ = std::thread([this] {
            for (;;) {
                const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd < 0) return;
                fds_.push_back(fd);
                workers_.emplace_back([fd] {
                    char buffer[256];
                    for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
                        ::send(fd, buffer, 36, MSG_NOSIGNAL);
                });
            }
        });
    }
    ~EchoServer() {
        ::shutdown(listen_, SHUT_RDWR);
        acceptor_.join();
        for (int fd : fds_) ::shutdown(fd, SHUT_RDWR);
        for (auto& w : workers_) w.join();
        for (int fd : fds_) ::close(fd);
        ::close(listen_);
    }
    const std::string& Name() const { return name_; }

private:
    std::string name_;
    int listen_ = -1;
    std::thread acceptor_;
    std::vector<int> fds_;
    std::vector<std::thread> workers_;
};

void ParallelClientsAgainstEcho(benchmark::State& state) {
    const auto clients = static_cast<std::size_t>(state.range(0));
    setenv("LXQ745_NS", ("bench-par" + std::to_string(getpid())).c_str(), 1);
    DeviceKinds kinds;
    RegisterBuiltInKinds(kinds);
    Bus bus{[&kinds](const std::string& k, const std::string& id, std::string& e) { return kinds.Make(k, id, e); }};
    ChannelServer server{bus};
    server.Start();
    std::vector<std::unique_ptr<plat::sys::DeviceHandle>> handles;
    for (std::size_t c = 0; c < clients; ++c) {
        std::string path;
        bus.Plug("test", "rx" + std::to_string(c), path);
        auto handle = std::make_unique<plat::sys::DeviceHandle>();
        if (handle->Open(path) != 0) {
            state.SkipWithError("a receiver did not open");
            return;
        }
        std::uint64_t bytes;
        std::uint32_t on = 1;
        handle->Control(IOCTL_LXQ745_SET_POWER, &on, 4, &on, 4, 0, &bytes);
        handles.push_back(std::move(handle));
    }
    std::vector<std::function<void(std::size_t)>> ourTrips;
    for (auto& handle : handles) {
        ourTrips.emplace_back([h = handle.get()](std::size_t i) {
            FreqRequest request{kFrequencies[i & 1], 0, kFreqWaitPush | kFreqWaitLock};
            std::uint64_t bytes;
            h->Control(IOCTL_LXQ745_SET_FREQUENCY, &request, 12, &request, 12, 0, &bytes);
        });
    }
    EchoServer echo;
    std::vector<plat::sys::ChannelSocket> sockets;
    for (std::size_t c = 0; c < clients; ++c) sockets.push_back(plat::sys::ChannelSocket::ConnectTo(echo.Name()));
    std::vector<std::function<void(std::size_t)>> echoTrips;
    for (auto& socket : sockets) {
        echoTrips.emplace_back([fd = socket.Fd()](std::size_t) {
            char request[56] = {}, answer[256];
            ::send(fd, request, sizeof request, MSG_NOSIGNAL);
            ::recv(fd, answer, sizeof answer, 0);
        });
    }
    Clients ourClients(std::move(ourTrips)), echoClients(std::move(echoTrips));
    auto ours = [&] { return ourClients.Phase(); };
    auto theirs = [&] { return echoClients.Phase(); };
    std::vector<double> ourRate, echoRate, rateRatio, ourP50, echoP50, p50Ratio, ourCpu, echoCpu, cpuRatio;
    int emptyRounds = 0;
    // A phase of each first, unrecorded: the host starts its loops for the clients in the first
    // (a thread each), which no recorded phase is to pay for.
    ours();
    theirs();
    for (auto _ : state) {
        for (int round = 0; round < kRounds; ++round) {
            // Which goes first alternates too, so that neither always follows the other's threads.
            Figures a, b;
            if (round % 2 == 0) {
                a = ours();
                b = theirs();
            } else {
                b = theirs();
                a = ours();
            }
            if (a.perSecond == 0 || b.perSecond == 0) {
                ++emptyRounds;
                continue;
            }
            ourRate.push_back(a.perSecond);
            echoRate.push_back(b.perSecond);
            rateRatio.push_back(a.perSecond / b.perSecond);
            ourP50.push_back(a.medianUs);
            echoP50.push_back(b.medianUs);
            p50Ratio.push_back(a.medianUs / b.medianUs);
            ourCpu.push_back(a.cpuUsPerTrip);
            echoCpu.push_back(b.cpuUsPerTrip);
            cpuRatio.push_back(b.cpuUsPerTrip / a.cpuUsPerTrip);
        }
    }
    state.counters["ours_per_s"] = Median(ourRate);
    state.counters["echo_per_s"] = Median(echoRate);
    state.counters["rate_vs_echo"] = Median(rateRatio);
    state.counters["rate_vs_echo_lo"] = Lowest(rateRatio);
    state.counters["rate_vs_echo_hi"] = Highest(rateRatio);
    state.counters["ours_p50_us"] = Median(ourP50);
    state.counters["echo_p50_us"] = Median(echoP50);
    state.counters["p50_vs_echo"] = Median(p50Ratio);
    state.counters["p50_vs_echo_lo"] = Lowest(p50Ratio);
    state.counters["p50_vs_echo_hi"] = Highest(p50Ratio);
    state.counters["ours_cpu_us"] = Median(ourCpu);
    state.counters["echo_cpu_us"] = Median(echoCpu);
    state.counters["cpu_vs_echo"] = Median(cpuRatio);
    state.counters["cpu_vs_echo_lo"] = Lowest(cpuRatio);
    state.counters["cpu_vs_echo_hi"] = Highest(cpuRatio);
    state.counters["empty_rounds"] = emptyRounds;
    state.counters["host_loops"] = static_cast<double>(server.LoopCount());
    cpu_set_t cores;
    CPU_ZERO(&cores);
    if (sched_getaffinity(0, sizeof cores, &cores) == 0) state.counters["cores"] = CPU_COUNT(&cores);
    handles.clear();
    server.Stop();
    bus.RemoveAll();
}
BENCHMARK(ParallelClientsAgainstEcho)->Arg(1)->Arg(8)->Arg(16)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
