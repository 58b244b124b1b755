#pragma once
// Handles every message waiting for the calling thread (due timers included) without blocking;
// stops at a quit message, which a test may want to see.

#include "platform/win/MessageApi.h"

namespace lxq_test {

inline void PumpMessages() {
    plat::win::Msg msg;
    while (plat::win::PeekMessage(&msg, 0, 0, 0, plat::win::PM_REMOVE)) {
        if (msg.message == plat::win::WM_QUIT) break;
        plat::win::TranslateMessage(msg);
        plat::win::DispatchMessage(msg);
    }
}

} // namespace lxq_test
