#include "platform/sys/StopSignals.h"

#include <cerrno>
#include <cstdint>
#include <csignal>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace plat::sys {
namespace {

// A signal the parent set to be ignored (SIGINT for a program a script starts in the background)
// stays ignored: blocked, it would be held and heard.
sigset_t StopSet() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : {SIGINT, SIGTERM}) {
        struct sigaction now {};
        if (sigaction(signal, nullptr, &now) == 0 && now.sa_handler == SIG_IGN) continue;
        sigaddset(&set, signal);
    }
    return set;
}

// Ends the process by the signal itself, so whoever waits for it sees how it ended.
[[noreturn]] void DieBy(int signal) {
    std::signal(signal, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    raise(signal);
    _exit(128 + signal);
}

} // namespace

StopSignals::StopSignals() : set_(StopSet()) { pthread_sigmask(SIG_BLOCK, &set_, nullptr); }

bool StopSignals::Start(Callback callback) {
    Stop();
    callback_ = std::move(callback);
    signals_ = ::signalfd(-1, &set_, SFD_CLOEXEC | SFD_NONBLOCK);
    stopEvent_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (signals_ < 0 || stopEvent_ < 0) {
        Stop();
        return false;
    }
    thread_ = std::thread([this] { Run(); });
    return true;
}

void StopSignals::Run() {
    int heard = 0;
    for (;;) {
        pollfd waits[2] = {{signals_, POLLIN, 0}, {stopEvent_, POLLIN, 0}};
        if (::poll(waits, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (waits[1].revents != 0) return;
        signalfd_siginfo info{};
        while (::read(signals_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            const int signal = static_cast<int>(info.ssi_signo);
            if (++heard > 1) DieBy(signal);
            callback_(signal);
        }
    }
}

void StopSignals::Stop() {
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(stopEvent_, &one, sizeof one);
        thread_.join();
    }
    if (signals_ >= 0) ::close(signals_);
    if (stopEvent_ >= 0) ::close(stopEvent_);
    signals_ = stopEvent_ = -1;
}

} // namespace plat::sys
