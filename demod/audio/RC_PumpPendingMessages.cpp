#include "demod/audio/RC_PumpPendingMessages.h"

#include "platform/win/MessageApi.h"

void RC_PumpPendingMessages(std::uint32_t window) {
    plat::win::Msg msg;
    while (plat::win::PeekMessage(&msg, window, 0, 0, plat::win::PM_REMOVE)) {
        plat::win::TranslateMessage(msg);
        plat::win::DispatchMessage(msg);
    }
}
