#pragma once
// A signal that one thread sets and another waits for with a time-out measured on the active
// clock (see ClockedWait: with a fake clock a wait that would time out advances the fake time).

#include <condition_variable>
#include <mutex>

#include "platform/sys/Clock.h"

namespace lxq::transport {

class ClockedEvent {
public:
    void Set();
    void Reset();
    bool IsSet() const;
    // True when the event is (or becomes) set within timeout; a set event stays set.
    bool Wait(plat::sys::Nanoseconds timeout);

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool set_ = false;
};

} // namespace lxq::transport
