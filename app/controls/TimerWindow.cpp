#include "app/controls/TimerWindow.h"

#include "platform/components/HiddenWindow.h"
#include "platform/sys/Clock.h"
#include "platform/win/Messages.h"
#include "platform/win/TimerApi.h"
#include "platform/win/WindowApi.h"

namespace lxq {

namespace win = plat::win;

TimerWindow::TimerWindow(std::function<void(std::uintptr_t)> onTimer)
    : window_(plat::comp::AllocateHWnd([onTimer = std::move(onTimer)](plat::comp::TMessage& m) {
          if (m.Msg == win::WM_TIMER && onTimer) onTimer(static_cast<std::uintptr_t>(m.WParam));
      })) {}

TimerWindow::~TimerWindow() { plat::comp::DeallocateHWnd(window_); }

void TimerWindow::Start(std::uintptr_t id, std::uint32_t periodMs) {
    if (window_ != 0) win::SetTimer(window_, id, periodMs, nullptr);
}

void TimerWindow::Stop(std::uintptr_t id) {
    if (window_ != 0) win::KillTimer(window_, id);
}

std::uint32_t TickCount() {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(plat::sys::ActiveClock().NowMs()));
}

} // namespace lxq
