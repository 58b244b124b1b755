// The stop signals as a program meets them: sent by another process, to a child of the test that
// has started a thread of its own after blocking them (as any library would).

#include "platform/sys/StopSignals.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

namespace plat::sys {
namespace {

// A child that reports each signal its callback hears on a pipe, then waits to be ended.
struct Child {
    pid_t pid = -1;
    int heard = -1;

    explicit Child(bool sigintIgnored = false) {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid = fork();
        if (pid == 0) {
            close(fds[0]);
            if (sigintIgnored) signal(SIGINT, SIG_IGN); // as for a program started in the background
            StopSignals stop;
            std::thread busy([] { pause(); }); // a thread that would otherwise take the signal
            busy.detach();
            stop.Start([out = fds[1]](int signal) {
                const char c = static_cast<char>(signal);
                [[maybe_unused]] auto n = write(out, &c, 1);
            });
            const char ready = 'r';
            [[maybe_unused]] auto n = write(fds[1], &ready, 1);
            for (;;) pause();
        }
        close(fds[1]);
        heard = fds[0];
    }
    ~Child() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (heard >= 0) close(heard);
    }
    int Next() {
        char c = 0;
        return read(heard, &c, 1) == 1 ? c : -1;
    }
    // How the child ended: the signal that ended it, or -1.
    int EndedBy() {
        int status = 0;
        if (waitpid(pid, &status, 0) != pid) return -1;
        pid = -1;
        return WIFSIGNALED(status) ? WTERMSIG(status) : -1;
    }
};

TEST(StopSignals, TheFirstSignalIsARequestAndTheSecondEndsTheProcess) {
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        Child child;
        ASSERT_GT(child.pid, 0);
        ASSERT_EQ(child.Next(), 'r');
        kill(child.pid, signal);
        EXPECT_EQ(child.Next(), signal) << "the callback hears it; the process lives on";
        kill(child.pid, signal);
        EXPECT_EQ(child.EndedBy(), signal) << "a second one ends it as the signal would";
    }
}

TEST(StopSignals, ASignalIgnoredFromTheStartStaysIgnored) {
    Child child(true);
    ASSERT_GT(child.pid, 0);
    ASSERT_EQ(child.Next(), 'r');
    kill(child.pid, SIGINT);
    kill(child.pid, SIGTERM);
    EXPECT_EQ(child.Next(), SIGTERM) << "the interrupt was never heard";
}

TEST(StopSignals, ASignalBeforeTheListenerStartsIsHeldForIt) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        StopSignals stop;
        kill(getpid(), SIGTERM); // blocked: it waits, as one from another process would
        stop.Start([out = fds[1]](int signal) {
            const char c = static_cast<char>(signal);
            [[maybe_unused]] auto n = write(out, &c, 1);
            _exit(0);
        });
        for (;;) pause();
    }
    close(fds[1]);
    char c = 0;
    EXPECT_EQ(read(fds[0], &c, 1), 1);
    EXPECT_EQ(c, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    close(fds[0]);
}

} // namespace
} // namespace plat::sys
