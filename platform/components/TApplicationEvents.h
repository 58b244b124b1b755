#pragma once
// A component that hears the application's events, so a form can bind its own handlers to the
// idle loop, the message hook, minimize and restore without replacing anyone else's.
// Each handler set is raised in turn; the application's own handlers come first.

#include "platform/components/TApplication.h"

namespace plat::comp {

class TApplicationEvents : public TComponent, public TApplicationHandlers {
public:
    explicit TApplicationEvents(TComponent* owner);
    ~TApplicationEvents() override;
    const char* ClassName() const override { return "TApplicationEvents"; }
};

} // namespace plat::comp
