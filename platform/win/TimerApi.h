#pragma once
// Window and thread timers on the active clock. A due timer shows up as WM_TIMER when its thread
// looks for messages and nothing else is waiting; one that fell behind skips its missed periods.

#include <cstdint>

#include "platform/win/Types.h"

namespace plat::win {

// With a window (of the calling thread) the id is the caller's and the answer is nonzero on
// success; without one (hwnd 0) a fresh id is returned, or the given one when it names an existing
// thread timer, which is restarted. Setting an existing timer again restarts it with the new period.
std::uintptr_t SetTimer(Hwnd hwnd, std::uintptr_t id, std::uint32_t elapseMs, TimerProc proc);
bool KillTimer(Hwnd hwnd, std::uintptr_t id);

} // namespace plat::win
