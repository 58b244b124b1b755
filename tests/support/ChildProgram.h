#pragma once
// The one way tests start another program: a program of the build (a name without a '/'), an
// installed one, or the test itself again. A child started on the test's main thread gets a
// signal when the test process dies, however it dies (a crash, a time-out's SIGKILL), so no host
// or panel outlives a broken run. (The kernel sends it when the starting thread ends, so a child
// started on another thread goes without: it would be ended with that thread.) The object kills
// and reaps a child that is still running when it goes.
//
// Everything the child needs (arguments, environment, folder) is prepared before the fork: the
// child of a threaded test may only call what is safe after a fork before it runs the program.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

namespace lxq_test {

// The folder of the running test, where the build puts its programs and libraries.
inline std::string ProgramFolder() { return std::filesystem::read_symlink("/proc/self/exe").parent_path().string(); }

// Reads a descriptor to its end.
inline std::string ReadAll(int fd) {
    std::string text;
    char chunk[4096];
    for (;;) {
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text.append(chunk, static_cast<std::size_t>(n));
    }
    return text;
}

// Reads one line (without its end) from a descriptor, a byte at a time so nothing after it is
// taken from the next reader.
inline std::string ReadLine(int fd) {
    std::string line;
    char c;
    for (;;) {
        const ssize_t n = read(fd, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n != 1 || c == '\n') break;
        line.push_back(c);
    }
    return line;
}

struct ChildSetup {
    // args[0]: a program of the build when it has no '/', else a path; a bare name found on the
    // PATH is given as "PATH:<name>".
    std::vector<std::string> args;
    // Variables set ("NAME=value") or, written as "NAME" alone, removed in the child's environment.
    std::vector<std::string> environment;
    std::string folder;           // the child's working folder; empty: the test's
    bool input = false;           // a pipe to the child's standard input
    bool output = true;           // a pipe from its standard output
    bool errors = false;          // a pipe from its standard error
    bool errorsToOutput = false;  // standard error into the output pipe
    int deathSignal = SIGTERM;    // what the child gets when the test process ends
};

class ChildProgram {
public:
    explicit ChildProgram(ChildSetup setup) {
        std::vector<std::string> args = std::move(setup.args);
        bool searchPath = false;
        if (args[0].rfind("PATH:", 0) == 0) {
            args[0].erase(0, 5);
            searchPath = true;
        } else if (args[0].find('/') == std::string::npos) {
            args[0] = ProgramFolder() + "/" + args[0];
        }
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> env = Environment(setup.environment);
        std::vector<char*> envp;
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);

        int in[2] = {-1, -1}, out[2] = {-1, -1}, err[2] = {-1, -1};
        if (setup.input) MakePipe(in);
        if (setup.output || setup.errorsToOutput) MakePipe(out);
        if (setup.errors) MakePipe(err);
        const pid_t parent = getpid();
        const bool mainThread = gettid() == parent;
        pid_ = fork();
        if (pid_ == 0) {
            if (mainThread) {
                prctl(PR_SET_PDEATHSIG, setup.deathSignal);
                if (getppid() != parent) _exit(127); // the test ended before the signal was asked for
            }
            if (in[0] >= 0) dup2(in[0], STDIN_FILENO);
            if (out[1] >= 0 && (setup.output || setup.errorsToOutput)) {
                if (setup.output) dup2(out[1], STDOUT_FILENO);
                if (setup.errorsToOutput) dup2(out[1], STDERR_FILENO);
            }
            if (err[1] >= 0) dup2(err[1], STDERR_FILENO);
            if (!setup.folder.empty() && chdir(setup.folder.c_str()) != 0) _exit(127);
            if (searchPath)
                execvpe(argv[0], argv.data(), envp.data());
            else
                execve(argv[0], argv.data(), envp.data());
            _exit(127);
        }
        for (int fd : {in[0], out[1], err[1]})
            if (fd >= 0) close(fd);
        input_ = in[1];
        output_ = out[0];
        errors_ = err[0];
    }
    ~ChildProgram() {
        Kill();
        for (int fd : {input_, output_, errors_})
            if (fd >= 0) close(fd);
    }
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    // -1 once it has been reaped.
    pid_t Pid() const { return pid_; }
    int Input() const { return input_; }
    int Output() const { return output_; }
    int Errors() const { return errors_; }
    // Closes the pipe to the child's standard input (it reads its end).
    void CloseInput() {
        if (input_ >= 0) close(input_);
        input_ = -1;
    }
    std::string OutputLine() { return ReadLine(output_); }

    void Signal(int signal) {
        if (pid_ > 0) kill(pid_, signal);
    }
    // Waits for the child's end: its wait status (WIFEXITED and the rest).
    int WaitStatus() {
        if (pid_ <= 0) return status_;
        while (waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        return status_;
    }
    // Waits for the child's end: its exit code, or -1 when a signal ended it.
    int Wait() { return ExitCode(WaitStatus()); }
    // Its wait status once it has ended, without waiting.
    std::optional<int> Ended() {
        if (pid_ <= 0) return status_;
        if (waitpid(pid_, &status_, WNOHANG) != pid_) return std::nullopt;
        pid_ = -1;
        return status_;
    }
    // Ends a child that still runs (SIGKILL) and reaps it.
    void Kill() {
        Signal(SIGKILL);
        WaitStatus();
    }

    static int ExitCode(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

private:
    static void MakePipe(int fds[2]) {
        // Close-on-exec: a pipe of one child must not stay open in the next child, or its reader
        // never sees the end.
        if (pipe2(fds, O_CLOEXEC) != 0) fds[0] = fds[1] = -1;
    }
    static std::vector<std::string> Environment(const std::vector<std::string>& changes) {
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
        for (const auto& change : changes) {
            const auto eq = change.find('=');
            const std::string prefix = change.substr(0, eq) + "=";
            std::erase_if(env, [&](const std::string& e) { return e.compare(0, prefix.size(), prefix) == 0; });
            if (eq != std::string::npos) env.push_back(change);
        }
        return env;
    }

    pid_t pid_ = -1;
    int status_ = -1;
    int input_ = -1, output_ = -1, errors_ = -1;
};

// Runs a program to its end: its exit code (-1 after a signal) and what it wrote to each stream.
struct Ran {
    int status = -1;
    std::string out, err;
};
inline Ran RunToEnd(std::vector<std::string> args, std::vector<std::string> environment = {}, std::string folder = {}) {
    ChildSetup setup;
    setup.args = std::move(args);
    setup.environment = std::move(environment);
    setup.folder = std::move(folder);
    setup.errors = true;
    ChildProgram child(std::move(setup));
    Ran ran;
    // Both pipes are read together, so a child that fills one never blocks while the other is read.
    pollfd fds[2] = {{child.Output(), POLLIN, 0}, {child.Errors(), POLLIN, 0}};
    std::string* texts[2] = {&ran.out, &ran.err};
    int open = 2;
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char chunk[4096];
            const ssize_t n = read(fds[i].fd, chunk, sizeof chunk);
            if (n > 0) {
                texts[i]->append(chunk, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    ran.status = child.Wait();
    return ran;
}

} // namespace lxq_test
