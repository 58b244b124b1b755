#include "demod/ui/toolkit/RC_MessagePump.h"

#include "platform/win/MessageApi.h"

void RC_PumpPendingMessages(std::uint32_t hwnd) {
    plat::win::Msg msg;
    while (plat::win::PeekMessage(&msg, hwnd, 0, 0, plat::win::PM_REMOVE)) {
        if (msg.message == plat::win::WM_QUIT) {
            // Leave the quit request for the loop that owns it.
            plat::win::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        plat::win::TranslateMessage(msg);
        plat::win::DispatchMessage(msg);
    }
}
