#include "platform/sys/Event.h"

#include <chrono>

namespace plat::sys {

Event::Event(Reset reset, bool initiallySet)
    : manual_(reset == Reset::Manual), set_(initiallySet) {}

void Event::Set() {
    // Notified under the lock: a waiter that wakes may destroy the event at once, so nothing of
    // it may be touched after the lock is given back.
    std::lock_guard lock(mutex_);
    set_ = true;
    if (manual_) cv_.notify_all();
    else cv_.notify_one();
}

void Event::ResetEvent() {
    std::lock_guard lock(mutex_);
    set_ = false;
}

bool Event::IsSet() const {
    std::lock_guard lock(mutex_);
    return set_;
}

void Event::Wait() {
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [this] { return set_; });
    if (!manual_) set_ = false;
}

bool Event::WaitFor(Nanoseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!cv_.wait_for(lock, std::chrono::nanoseconds(timeout), [this] { return set_; }))
        return false;
    if (!manual_) set_ = false;
    return true;
}

} // namespace plat::sys
