#include "app/controls/TimerWindow.h"

#include "platform/sys/Clock.h"
#include "platform/win/MessageApi.h"
#include "platform/win/TimerApi.h"
#include "platform/win/WindowApi.h"

namespace lxq {

namespace win = plat::win;

TimerWindow::TimerWindow(std::function<void(std::uintptr_t)> onTimer)
    : onTimer_(std::move(onTimer)),
      window_(win::CreateMessageWindow(&TimerWindow::Proc, reinterpret_cast<win::LParam>(this))) {}

TimerWindow::~TimerWindow() {
    if (window_ != 0) win::DestroyWindow(window_);
}

void TimerWindow::Start(std::uintptr_t id, std::uint32_t periodMs) {
    if (window_ != 0) win::SetTimer(window_, id, periodMs, nullptr);
}

void TimerWindow::Stop(std::uintptr_t id) {
    if (window_ != 0) win::KillTimer(window_, id);
}

win::LResult TimerWindow::Proc(win::Hwnd hwnd, std::uint32_t msg, win::WParam wParam,
                               win::LParam lParam) {
    if (msg == win::WM_TIMER) {
        auto* self = reinterpret_cast<TimerWindow*>(win::GetWindowLongPtr(hwnd, win::GWLP_USERDATA));
        if (self && self->onTimer_) self->onTimer_(static_cast<std::uintptr_t>(wParam));
        return 0;
    }
    return win::DefWindowProc(hwnd, msg, wParam, lParam);
}

std::uint32_t TickCount() {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(plat::sys::ActiveClock().NowMs()));
}

} // namespace lxq
