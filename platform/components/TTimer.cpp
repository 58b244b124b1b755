#include "platform/components/TTimer.h"

#include "platform/win/MessageApi.h"
#include "platform/win/TimerApi.h"
#include "platform/win/WindowApi.h"

namespace plat::comp {
namespace {

constexpr std::uintptr_t kTimerId = 1;

} // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
    window_ = win::CreateMessageWindow(&TTimer::WindowProc, reinterpret_cast<win::LParam>(this));
}

TTimer::~TTimer() {
    BeginDestroy();
    if (window_ != 0) win::DestroyWindow(window_);
}

void TTimer::SetEnabled(bool v) {
    if (v == enabled_) return;
    enabled_ = v;
    Update();
}

void TTimer::SetInterval(std::uint32_t ms) {
    if (ms == interval_) return;
    interval_ = ms;
    Update();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
    onTimer_ = std::move(handler);
    Update();
}

void TTimer::Update() {
    if (window_ == 0) return;
    win::KillTimer(window_, kTimerId);
    if (enabled_ && interval_ != 0 && onTimer_) win::SetTimer(window_, kTimerId, interval_, nullptr);
}

win::LResult TTimer::WindowProc(win::Hwnd hwnd, std::uint32_t msg, win::WParam wParam,
                                win::LParam lParam) {
    if (msg == win::WM_TIMER && wParam == kTimerId) {
        auto* timer = reinterpret_cast<TTimer*>(win::GetWindowLongPtr(hwnd, win::GWLP_USERDATA));
        // A handler may free the timer; it must not be touched afterwards.
        if (timer && timer->onTimer_) {
            TNotifyEvent handler = timer->onTimer_;
            handler(timer);
        }
        return 0;
    }
    return win::DefWindowProc(hwnd, msg, wParam, lParam);
}

} // namespace plat::comp
