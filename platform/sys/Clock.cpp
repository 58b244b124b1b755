#include "platform/sys/Clock.h"

#include <cerrno>
#include <ctime>

namespace plat::sys {
namespace {

RealClock g_realClock;
std::atomic<Clock*> g_activeClock{&g_realClock};

} // namespace

Nanoseconds RealClock::Now() const {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return Nanoseconds{ts.tv_sec} * kNsPerSecond + ts.tv_nsec;
}

void RealClock::Sleep(Nanoseconds duration) {
    if (duration <= 0) return;
    timespec ts{static_cast<time_t>(duration / kNsPerSecond),
                static_cast<long>(duration % kNsPerSecond)};
    while (nanosleep(&ts, &ts) == -1 && errno == EINTR) {
    }
}

Clock& ActiveClock() { return *g_activeClock.load(std::memory_order_acquire); }

ScopedClock::ScopedClock(Clock& clock)
    : previous_(g_activeClock.exchange(&clock, std::memory_order_acq_rel)) {}

ScopedClock::~ScopedClock() { g_activeClock.store(previous_, std::memory_order_release); }

} // namespace plat::sys
