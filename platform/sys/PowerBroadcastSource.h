#pragma once
// Where a process hears of the computer going to sleep and waking up: the driver host relays the
// system's sleep and wake to its clients (and `lxq745ctl sleep` / `wake` make it do so on
// demand). The callback runs on a thread of this object's own; while no host runs, nothing is
// heard, and a host that starts later is found.

#include "platform/sys/DeviceChannel.h"

#include <chrono>
#include <functional>

namespace plat::sys {

class PowerBroadcastSource {
public:
    enum class Event { Suspend, Resume };
    using Callback = std::function<void(Event)>;

    PowerBroadcastSource() = default;
    ~PowerBroadcastSource() { Stop(); }
    PowerBroadcastSource(const PowerBroadcastSource&) = delete;
    PowerBroadcastSource& operator=(const PowerBroadcastSource&) = delete;

    // Starts listening, without waiting for the host: it is asked on this object's thread.
    void Start(Callback callback, std::chrono::milliseconds retryInterval = std::chrono::seconds(1));
    // Stops listening; no callback runs after it returns.
    void Stop() { notices_.Stop(); }

private:
    DeviceNotifications notices_;
};

} // namespace plat::sys
