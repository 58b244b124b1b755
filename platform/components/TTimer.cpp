#include "platform/components/TTimer.h"

#include "platform/components/HiddenWindow.h"
#include "platform/win/TimerApi.h"

namespace plat::comp {
namespace {

constexpr std::uintptr_t kTimerId = 1;

} // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
    window_ = AllocateHWnd([this](TMessage& m) {
        if (m.Msg != win::WM_TIMER || m.WParam != kTimerId || !onTimer_) return;
        // A handler may free the timer; nothing of it is touched afterwards.
        TNotifyEvent handler = onTimer_;
        handler(this);
    });
}

TTimer::~TTimer() {
    BeginDestroy();
    DeallocateHWnd(window_);
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

} // namespace plat::comp
