#pragma once
// The driver host lxq745d as a process of its own for the benchmarks that measure what the host
// itself spends: started from a path (this build's, or another build's for a before-and-after in
// one run) in a namespace of its own with the devices given, and its threads' counters read from
// /proc.

#include "platform/sys/DeviceChannel.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace lxq::bench {

class HostProcess {
public:
    // devices: "<kind>:<id>" each. Ready once the host says so; its device paths in order.
    HostProcess(const std::string& program, const std::string& ns, const std::vector<std::string>& devices) : ns_(ns) {
        setenv("LXQ745_NS", ns_.c_str(), 1);
        int ready[2];
        if (pipe(ready) != 0) return;
        std::vector<std::string> args{program};
        for (const auto& device : devices) {
            args.push_back("--device");
            args.push_back(device);
        }
        std::vector<char*> argv;
        for (auto& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ready[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, ready[0]);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(ready[1]);
        char c;
        while (read(ready[0], &c, 1) == 1 && c != '\n') {
        }
        close(ready[0]);
        if (pid_ > 0) paths_ = plat::sys::ListDeviceInterfaces();
        std::sort(paths_.begin(), paths_.end());
    }
    ~HostProcess() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    pid_t Pid() const { return pid_; }
    const std::string& Namespace() const { return ns_; }
    const std::vector<std::string>& Paths() const { return paths_; }

private:
    std::string ns_;
    pid_t pid_ = -1;
    std::vector<std::string> paths_;
};

// The host's processor time (ns) and context switches so far, summed over its threads. A thread
// that ended meanwhile takes its counts along; the host's loops stay while clients keep them
// busy, so a window loses none that matter.
struct HostCounters {
    double cpuNs = 0;
    double switches = 0;
};

inline HostCounters ReadCounters(pid_t pid) {
    HostCounters counters;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream schedstat(task.path() / "schedstat");
        double onCpu = 0;
        if (schedstat >> onCpu) counters.cpuNs += onCpu;
        std::ifstream status(task.path() / "status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0 || line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                counters.switches += std::stod(line.substr(line.find(':') + 1));
    }
    return counters;
}

} // namespace lxq::bench
