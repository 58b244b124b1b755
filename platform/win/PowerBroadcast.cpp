#include "platform/win/PowerBroadcast.h"

#include "platform/win/MessageApi.h"

namespace plat::win {

PowerBroadcast::PowerBroadcast() {
    source_.Start([](sys::PowerBroadcastSource::Event event) {
        // Posted: the windows' threads handle it in turn, and this thread never waits for them.
        PostMessage(HWND_BROADCAST, WM_POWERBROADCAST,
                    event == sys::PowerBroadcastSource::Event::Suspend ? PBT_APMSUSPEND : PBT_APMRESUMESUSPEND, 0);
    });
}

PowerBroadcast::~PowerBroadcast() { source_.Stop(); }

} // namespace plat::win
