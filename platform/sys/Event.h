#pragma once
// An event object: set, reset, wait. An automatic-reset event lets exactly one waiter through per
// Set and resets itself; a manual-reset event stays set and lets every waiter through until Reset.

#include "platform/sys/Clock.h"

#include <condition_variable>
#include <mutex>

namespace plat::sys {

class Event {
public:
    enum class Reset { Automatic, Manual };

    Event(Reset reset, bool initiallySet);
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void ResetEvent();
    bool IsSet() const;
    // Waits until set; false when the time-out (if any) ran out first.
    void Wait();
    bool WaitFor(Nanoseconds timeout);

private:
    const bool manual_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool set_;
};

} // namespace plat::sys
