#pragma once
// Where a process hears of the computer going to sleep and waking up: from the login manager on
// the system bus where the system has one, and from the driver host, which relays sleep and wake
// to its clients (`lxq745ctl sleep` / `wake` make it do so on demand). The callback runs on a
// thread of this object's own; while no host runs, nothing is heard from it, and a host that
// starts later is found.

#include "platform/sys/DeviceChannel.h"
#include "platform/sys/LogindSleepSignal.h"

#include <chrono>
#include <functional>
#include <mutex>

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
    // Whether the driver host hears this process for its sleep and wake notices now.
    bool HostListening() const { return notices_.Listening(); }
    void Stop() {
        logind_.Stop();
        notices_.Stop();
    }

private:
    void Deliver(Event event);

    std::mutex mutex_;
    Callback callback_;
    bool asleep_ = false;
    DeviceNotifications notices_;
    LogindSleepSignal logind_;
};

} // namespace plat::sys
