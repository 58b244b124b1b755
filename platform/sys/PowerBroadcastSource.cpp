#include "platform/sys/PowerBroadcastSource.h"

#include <utility>

namespace plat::sys {

void PowerBroadcastSource::Start(Callback callback, std::chrono::milliseconds retryInterval) {
    notices_.StartInBackground(
        [callback = std::move(callback)](DeviceEvent event, const std::string&) {
            if (event == DeviceEvent::SystemSleep) callback(Event::Suspend);
            else if (event == DeviceEvent::SystemWake) callback(Event::Resume);
        },
        retryInterval);
}

} // namespace plat::sys
