#pragma once
// Waits on a condition variable for a predicate, with the time-out measured on the active clock.
// With a fake clock installed, the wait gives other threads a short real moment to make the
// predicate true and then moves the fake time on by the whole time-out instead of blocking, so
// that time-out paths in tests run at once.

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/sys/Clock.h"

namespace lxq::transport {

inline constexpr std::chrono::milliseconds kFakeClockGrace{20};

template <typename Predicate>
bool ClockedWait(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, plat::sys::Nanoseconds timeout,
                 Predicate pred) {
    plat::sys::Clock& clock = plat::sys::ActiveClock();
    if (!clock.IsFake()) return cv.wait_for(lock, std::chrono::nanoseconds(timeout), pred);
    if (cv.wait_for(lock, kFakeClockGrace, pred)) return true;
    clock.Sleep(timeout);
    return pred();
}

} // namespace lxq::transport
