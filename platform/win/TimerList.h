#pragma once
// The timers of one thread, on the active clock. A timer fires at most once per pass: one that fell
// behind (the thread was busy) skips the periods it missed instead of firing a burst.

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/sys/Clock.h"
#include "platform/win/Types.h"

namespace plat::win {

class TimerList {
public:
    // Shortest period; smaller requests are raised to it so a zero period cannot spin the loop.
    static constexpr std::uint32_t kMinimumMs = 10;

    // Starts or restarts a timer; returns its id (a fresh one for a thread timer with an unknown id).
    std::uintptr_t Set(Hwnd hwnd, std::uintptr_t id, std::uint32_t periodMs, TimerProc proc,
                       sys::Nanoseconds now);
    bool Kill(Hwnd hwnd, std::uintptr_t id);
    void KillAllOf(Hwnd hwnd);
    std::optional<sys::Nanoseconds> NextDue() const;
    // Reports the timer that is due first (matching the window filter, 0 = any); with `take` it
    // is rescheduled as well.
    bool TakeDue(sys::Nanoseconds now, Hwnd filter, Msg& out, bool take = true);
    // The callback a timer was set with; null for an unknown timer.
    TimerProc ProcOf(Hwnd hwnd, std::uintptr_t id) const;
    std::size_t Count() const { return timers_.size(); }

private:
    struct Timer {
        Hwnd hwnd;
        std::uintptr_t id;
        sys::Nanoseconds period;
        sys::Nanoseconds due;
        TimerProc proc;
    };

    std::vector<Timer> timers_;
    std::uintptr_t nextThreadTimerId_ = 1;
};

} // namespace plat::win
