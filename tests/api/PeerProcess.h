#pragma once
// The helper program of the two-process tests (api_peer), started as a child process that loads
// the exported library like any client and answers one command line at a time.

#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace lxq::api::testing {

// The helper process, driven one command line at a time.
class Peer {
public:
    Peer() {
        int toPeer[2], fromPeer[2];
        EXPECT_EQ(pipe(toPeer), 0);
        EXPECT_EQ(pipe(fromPeer), 0);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(toPeer[0], 0);
            dup2(fromPeer[1], 1);
            close(toPeer[1]);
            close(fromPeer[0]);
            execl(LXQ_PEER_PROGRAM, LXQ_PEER_PROGRAM, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(toPeer[0]);
        close(fromPeer[1]);
        in_ = fdopen(toPeer[1], "w");
        out_ = fdopen(fromPeer[0], "r");
        EXPECT_EQ(ReadLine(), "ready");
    }
    ~Peer() {
        Kill();
        if (in_) std::fclose(in_);
        if (out_) std::fclose(out_);
    }
    long long Ask(const std::string& command) {
        std::fprintf(in_, "%s\n", command.c_str());
        std::fflush(in_);
        const std::string answer = ReadLine();
        return answer.empty() ? -12345 : std::stoll(answer);
    }
    void Quit() {
        std::fprintf(in_, "quit\n");
        std::fflush(in_);
        Wait();
    }
    void Kill() {
        if (pid_ > 0) kill(pid_, SIGKILL);
        Wait();
    }
    pid_t Pid() const { return pid_; }

private:
    std::string ReadLine() {
        char line[128] = {};
        if (!std::fgets(line, sizeof line, out_)) return {};
        std::string s(line);
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
        return s;
    }
    void Wait() {
        if (pid_ > 0) waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    pid_t pid_ = -1;
    FILE* in_ = nullptr;
    FILE* out_ = nullptr;
};

} // namespace lxq::api::testing
