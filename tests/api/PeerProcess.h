#pragma once
// The helper program of the two-process tests (api_peer), started as a child process that loads
// the exported library like any client and answers one command line at a time.

#include "tests/support/ChildProgram.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace lxq::api::testing {

// The helper process, driven one command line at a time.
class Peer {
public:
    Peer() : process_(Setup()) {
        in_ = fdopen(fcntl(process_.Input(), F_DUPFD_CLOEXEC, 0), "w");
        process_.CloseInput();
        EXPECT_EQ(ReadLine(), "ready");
    }
    ~Peer() {
        Kill();
        if (in_) std::fclose(in_);
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
        process_.WaitStatus();
    }
    void Kill() { process_.Kill(); }
    pid_t Pid() const { return process_.Pid(); }

private:
    static lxq_test::ChildSetup Setup() {
        lxq_test::ChildSetup setup;
        setup.args = {LXQ_PEER_PROGRAM};
        setup.input = true;
        return setup;
    }
    std::string ReadLine() {
        std::string s = lxq_test::ReadLine(process_.Output());
        while (!s.empty() && s.back() == '\r') s.pop_back();
        return s;
    }
    lxq_test::ChildProgram process_;
    FILE* in_ = nullptr;
};

} // namespace lxq::api::testing
