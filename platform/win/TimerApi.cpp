#include "platform/win/TimerApi.h"

#include "platform/win/MessageApi.h"
#include "platform/win/WindowSystem.h"

namespace plat::win {

std::uintptr_t SetTimer(Hwnd hwnd, std::uintptr_t id, std::uint32_t elapseMs, TimerProc proc) {
    auto& ws = WindowSystem::Instance();
    if (hwnd != 0) {
        auto w = ws.Find(hwnd);
        if (!w || w->thread != GetCurrentThreadId()) return 0;
    }
    return ws.CurrentQueue().Timers().Set(hwnd, id, elapseMs, proc, sys::ActiveClock().Now());
}

bool KillTimer(Hwnd hwnd, std::uintptr_t id) {
    return WindowSystem::Instance().CurrentQueue().Timers().Kill(hwnd, id);
}

} // namespace plat::win
