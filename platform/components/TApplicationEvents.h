#pragma once
// A component that hears the application's events, so a form can bind its own handlers to the
// idle loop, the message hook, minimize and restore without replacing anyone else's.

#include "platform/components/TApplication.h"

namespace plat::comp {

class TApplicationEvents : public TComponent {
public:
    explicit TApplicationEvents(TComponent* owner);
    ~TApplicationEvents() override;
    const char* ClassName() const override { return "TApplicationEvents"; }

    TIdleEvent OnIdle;
    TMessageEvent OnMessage;
    TNotifyEvent OnMinimize;
    TNotifyEvent OnRestore;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
};

} // namespace plat::comp
