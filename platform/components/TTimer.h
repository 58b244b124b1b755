#pragma once
// A timer component: raises OnTimer every Interval milliseconds while Enabled and a handler is
// set, through a hidden window of the thread that made it (so on that thread's message loop, on
// the active clock). Changing Interval or Enabled starts the period again.

#include <cstdint>

#include "platform/components/Events.h"
#include "platform/components/TComponent.h"
#include "platform/win/Types.h"

namespace plat::comp {

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;
    const char* ClassName() const override { return "TTimer"; }

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool v);
    std::uint32_t Interval() const { return interval_; }
    void SetInterval(std::uint32_t ms);
    void SetOnTimer(TNotifyEvent handler);
    const TNotifyEvent& OnTimer() const { return onTimer_; }

private:
    void Update();
    static win::LResult WindowProc(win::Hwnd hwnd, std::uint32_t msg, win::WParam wParam,
                                   win::LParam lParam);

    bool enabled_ = true;
    std::uint32_t interval_ = 1000;
    TNotifyEvent onTimer_;
    win::Hwnd window_ = 0;
};

} // namespace plat::comp
