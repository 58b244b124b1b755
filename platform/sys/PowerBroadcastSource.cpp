#include "platform/sys/PowerBroadcastSource.h"

#include <utility>

namespace plat::sys {

bool PowerBroadcastSource::Start(Callback callback, std::chrono::milliseconds retryInterval) {
    return notices_.Start(
        [callback = std::move(callback)](DeviceEvent event, const std::string&) {
            if (event == DeviceEvent::SystemSleep) callback(Event::Suspend);
            else if (event == DeviceEvent::SystemWake) callback(Event::Resume);
        },
        retryInterval);
}

} // namespace plat::sys
