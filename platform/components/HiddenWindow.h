#pragma once
// A hidden window whose messages go to a handler: how a non-visual component gets timers and
// messages posted from other threads on its own thread (the receiver's polling, block-scan
// results). The handler answers through TMessage::Result; what it leaves alone it can pass to
// win::DefWindowProc.

#include <functional>

#include "platform/components/Messages.h"

namespace plat::comp {

using TWindowMethod = std::function<void(TMessage& message)>;

// Makes the window on the calling thread; 0 when the window system refuses.
win::Hwnd AllocateHWnd(TWindowMethod method);
// Destroys the window and its handler; messages still queued for it are dropped.
void DeallocateHWnd(win::Hwnd hwnd);

} // namespace plat::comp
