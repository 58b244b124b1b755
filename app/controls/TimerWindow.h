#pragma once
// A hidden window that receives window timers for a control without a window of its own (or one
// whose window may not exist yet). The timers run on the active clock of the calling thread.

#include <cstdint>
#include <functional>

#include "platform/win/Types.h"

namespace lxq {

class TimerWindow {
public:
    explicit TimerWindow(std::function<void(std::uintptr_t id)> onTimer);
    ~TimerWindow();
    TimerWindow(const TimerWindow&) = delete;
    TimerWindow& operator=(const TimerWindow&) = delete;

    // Starts (or restarts) timer `id` with the period.
    void Start(std::uintptr_t id, std::uint32_t periodMs);
    void Stop(std::uintptr_t id);

private:
    static plat::win::LResult Proc(plat::win::Hwnd hwnd, std::uint32_t msg,
                                   plat::win::WParam wParam, plat::win::LParam lParam);

    std::function<void(std::uintptr_t)> onTimer_;
    plat::win::Hwnd window_ = 0;
};

// Milliseconds of the active clock, as a wrapping 32-bit tick count.
std::uint32_t TickCount();

} // namespace lxq
