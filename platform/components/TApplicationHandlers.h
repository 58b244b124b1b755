#pragma once
// The handlers an application raises: its own set, and one set per TApplicationEvents component.

#include <functional>

#include "platform/components/Events.h"
#include "platform/win/Types.h"

namespace plat::comp {

// Sees every message taken from the queue before it is dispatched; Handled stops it there.
using TMessageEvent = std::function<void(win::Msg& msg, bool& handled)>;

struct TApplicationHandlers {
    TIdleEvent OnIdle;
    TMessageEvent OnMessage;
    TNotifyEvent OnMinimize;
    TNotifyEvent OnRestore;
};

} // namespace plat::comp
