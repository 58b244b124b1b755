// The driver host with many idle clients: 10,000 connections that opened nothing and say nothing.
// The host runs as its own process (lxq745d), so that its threads and memory are its own; the
// listing round trip is timed with the idle crowd and without it, in the same run, and the
// counters give the host's threads and resident memory before and after the crowd arrived.

#include "platform/sys/DeviceChannel.h"

#include <benchmark/benchmark.h>

#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int kIdleConnections = 10'000;

// One value from /proc/<pid>/status ("Threads", "VmRSS" in kB).
long StatusValue(pid_t pid, const std::string& key) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key + ":", 0) == 0) return std::stol(line.substr(key.size() + 1));
    return -1;
}

long OpenDescriptors(pid_t pid) {
    long count = 0;
    std::error_code error;
    for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error))
        ++count;
    return count;
}

class ChildHost {
public:
    ChildHost() {
        setenv("LXQ745_NS", ("bench-idle" + std::to_string(getpid())).c_str(), 1);
        const std::string path = std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/lxq745d";
        int ready[2];
        if (pipe(ready) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ready[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, ready[0]);
        char* argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>("--device"),
                        const_cast<char*>("test:rx"), nullptr};
        if (posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv, environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(ready[1]);
        char c;
        while (read(ready[0], &c, 1) == 1 && c != '\n') {
        }
        close(ready[0]);
    }
    ~ChildHost() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    pid_t Pid() const { return pid_; }

private:
    pid_t pid_ = -1;
};

void ListingRoundTrip(benchmark::State& state) {
    const int idle = static_cast<int>(state.range(0));
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
    if (files.rlim_cur < static_cast<rlim_t>(idle + 64)) {
        state.SkipWithError("not enough descriptors for the idle connections (ulimit -n)");
        return;
    }
    ChildHost host;
    if (host.Pid() <= 0) {
        state.SkipWithError("lxq745d did not start");
        return;
    }
    const long rssBefore = StatusValue(host.Pid(), "VmRSS");
    std::vector<plat::sys::ChannelSocket> crowd;
    crowd.reserve(static_cast<std::size_t>(idle));
    for (int i = 0; i < idle; ++i) crowd.push_back(plat::sys::ChannelSocket::Connect());
    // Every one of them accepted: the host holds a descriptor for each.
    while (OpenDescriptors(host.Pid()) < idle) std::this_thread::yield();
    for (auto _ : state) {
        auto paths = plat::sys::ListDeviceInterfaces();
        if (paths.size() != 1) state.SkipWithError("the host did not answer");
        benchmark::DoNotOptimize(paths);
    }
    const long rssAfter = StatusValue(host.Pid(), "VmRSS");
    state.counters["host_threads"] = static_cast<double>(StatusValue(host.Pid(), "Threads"));
    state.counters["host_rss_MB"] = static_cast<double>(rssAfter) / 1024.0;
    state.counters["rss_growth_MB"] = static_cast<double>(rssAfter - rssBefore) / 1024.0;
    if (idle > 0)
        state.counters["bytes_per_connection"] = static_cast<double>(rssAfter - rssBefore) * 1024.0 / idle;
}
BENCHMARK(ListingRoundTrip)->Arg(0)->Arg(kIdleConnections)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace
