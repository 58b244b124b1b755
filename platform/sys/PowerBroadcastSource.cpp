#include "platform/sys/PowerBroadcastSource.h"

#include <utility>

namespace plat::sys {

void PowerBroadcastSource::Start(Callback callback, std::chrono::milliseconds retryInterval) {
    {
        std::lock_guard lock(mutex_);
        callback_ = std::move(callback);
        asleep_ = false;
    }
    logind_.Start([this](bool sleeping) { Deliver(sleeping ? Event::Suspend : Event::Resume); });
    notices_.StartInBackground(
        [this](DeviceEvent event, const std::string&) {
            if (event == DeviceEvent::SystemSleep) Deliver(Event::Suspend);
            else if (event == DeviceEvent::SystemWake) Deliver(Event::Resume);
        },
        retryInterval);
}

void PowerBroadcastSource::Deliver(Event event) {
    std::lock_guard lock(mutex_);
    // Both sources may tell of the same sleep: each sleep and each wake is told once.
    const bool sleeping = event == Event::Suspend;
    if (sleeping == asleep_) return;
    asleep_ = sleeping;
    if (callback_) callback_(event);
}

} // namespace plat::sys
