#pragma once
// The driver host lxq745d as a child process, ready once it says so, for the road tests that need
// it in a process of its own; started like every child program of the tests.

#include "tests/support/ChildProgram.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <vector>

namespace lxq::host::test {

using lxq_test::ProgramFolder;
using lxq_test::Ran;
using lxq_test::ReadAll;
using lxq_test::RunToEnd;

// A host started through a shell (for a resource limit) is given as
// {"/bin/sh", "-c", "... exec <path of lxq745d> ..."}.
class ChildHost {
public:
    explicit ChildHost(const std::string& device) : ChildHost(std::vector<std::string>{"lxq745d", "--device", device}) {}
    explicit ChildHost(const std::vector<std::string>& args) {
        lxq_test::ChildSetup setup;
        setup.args = args;
        setup.errors = true;
        process_.emplace(std::move(setup));
        EXPECT_EQ(process_->OutputLine(), "lxq745d: ready");
    }
    ~ChildHost() { Stop(); }
    // Ends the host with SIGTERM; true when it ended cleanly. What it logged stays readable.
    bool Stop() {
        if (process_->Pid() < 0) return stoppedCleanly_;
        process_->Signal(SIGTERM);
        stoppedCleanly_ = process_->Wait() == 0;
        EXPECT_TRUE(stoppedCleanly_) << "lxq745d ends cleanly on SIGTERM";
        return stoppedCleanly_;
    }
    // Ends the host with SIGKILL, as a crash would: what it made stays behind.
    void Kill() { process_->Kill(); }
    pid_t Pid() const { return process_->Pid(); }
    // What the host wrote to standard error; only whole once it has stopped.
    std::string Log() {
        logged_ += ReadAll(process_->Errors());
        return logged_;
    }

private:
    std::optional<lxq_test::ChildProgram> process_;
    bool stoppedCleanly_ = false;
    std::string logged_;
};

} // namespace lxq::host::test
