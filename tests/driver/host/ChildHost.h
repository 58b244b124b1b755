#pragma once
// Programs of the build as other processes: the driver host lxq745d (ready once it says so) and
// the small clients the road tests start beside it.

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace lxq::host::test {

inline std::string ProgramFolder() { return std::filesystem::read_symlink("/proc/self/exe").parent_path().string(); }

// Starts a program with its standard output on a pipe; returns its pid. A program name without a
// '/' is one of the build's; `errorOutput`, when given, receives standard error the same way.
inline pid_t Spawn(const std::vector<std::string>& args, int& output, int* errorOutput = nullptr) {
    int pipeFds[2], errorFds[2] = {-1, -1};
    EXPECT_EQ(pipe(pipeFds), 0);
    if (errorOutput != nullptr) {
        EXPECT_EQ(pipe(errorFds), 0);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    if (errorOutput != nullptr) {
        posix_spawn_file_actions_adddup2(&actions, errorFds[1], STDERR_FILENO);
        posix_spawn_file_actions_addclose(&actions, errorFds[0]);
    }
    std::vector<std::string> resolved = args;
    if (resolved[0].find('/') == std::string::npos) resolved[0] = ProgramFolder() + "/" + resolved[0];
    std::vector<char*> argv;
    for (auto& arg : resolved) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0) << argv[0];
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    output = pipeFds[0];
    if (errorOutput != nullptr) {
        close(errorFds[1]);
        *errorOutput = errorFds[0];
    }
    return pid;
}

inline std::string ReadAll(int fd) {
    std::string text;
    char chunk[256];
    for (ssize_t n; (n = read(fd, chunk, sizeof chunk)) > 0;) text.append(chunk, static_cast<std::size_t>(n));
    close(fd);
    return text;
}

// Runs a program to its end: its exit status and what it wrote to each stream.
struct Ran {
    int status = -1;
    std::string out, err;
};
inline Ran RunToEnd(const std::vector<std::string>& args) {
    int out = -1, err = -1;
    const pid_t pid = Spawn(args, out, &err);
    Ran ran;
    ran.out = ReadAll(out);
    ran.err = ReadAll(err);
    int status = 0;
    waitpid(pid, &status, 0);
    ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return ran;
}

// The driver host as a child process, ready once it has said so. A host started through a shell
// (for a resource limit) is given as {"/bin/sh", "-c", "... exec <path of lxq745d> ..."}.
class ChildHost {
public:
    explicit ChildHost(const std::string& device) : ChildHost(std::vector<std::string>{"lxq745d", "--device", device}) {}
    explicit ChildHost(const std::vector<std::string>& args) {
        int output = -1;
        pid_ = Spawn(args, output, &errors_);
        std::string line;
        char c;
        while (read(output, &c, 1) == 1 && c != '\n') line.push_back(c);
        close(output);
        EXPECT_EQ(line, "lxq745d: ready");
    }
    ~ChildHost() {
        Stop();
        close(errors_);
    }
    // Ends the host with SIGTERM; true when it ended cleanly. What it logged stays readable.
    bool Stop() {
        if (pid_ < 0) return stoppedCleanly_;
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        stoppedCleanly_ = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        EXPECT_TRUE(stoppedCleanly_) << "lxq745d ends cleanly on SIGTERM";
        return stoppedCleanly_;
    }
    pid_t Pid() const { return pid_; }
    // What the host wrote to standard error; only whole once it has stopped.
    std::string Log() {
        logged_ += ReadAll(dup(errors_));
        return logged_;
    }

private:
    pid_t pid_ = -1;
    int errors_ = -1;
    bool stoppedCleanly_ = false;
    std::string logged_;
};

} // namespace lxq::host::test
