#include "driver/host/RequestCounter.h"

namespace lxq::host {

void RequestCounter::Increment() {
    count_.fetch_add(1);
}

void RequestCounter::Decrement() {
    Lower();
    WakeWaiters();
}

void RequestCounter::Lower() {
    int now = count_.load();
    while (now > 0 && !count_.compare_exchange_weak(now, now - 1)) {
    }
}

void RequestCounter::WakeWaiters() {
    if (waiters_.load() == 0) return;
    // The waiter holds the mutex from counting itself in until it sleeps on the condition: taking
    // the mutex here means it sleeps already, or has not looked at the count yet.
    { std::lock_guard lock(mutex_); }
    changed_.notify_all();
}

void RequestCounter::DropOwnReference() {
    {
        std::lock_guard lock(mutex_);
        if (!ownReferenceHeld_) return;
        ownReferenceHeld_ = false;
        Lower();
    }
    WakeWaiters();
}

void RequestCounter::RestoreOwnReference() {
    std::lock_guard lock(mutex_);
    if (ownReferenceHeld_) return;
    ownReferenceHeld_ = true;
    count_.fetch_add(1);
}

bool RequestCounter::WaitIdle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    ++waiters_;
    const bool idle = changed_.wait_for(lock, timeout, [&] { return InFlightLocked() <= 1; });
    --waiters_;
    return idle;
}

bool RequestCounter::WaitRemovable(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    ++waiters_;
    const bool removable = changed_.wait_for(lock, timeout, [&] { return count_.load() == 0; });
    --waiters_;
    return removable;
}

int RequestCounter::Count() const {
    return count_.load();
}

int RequestCounter::InFlight() const {
    std::lock_guard lock(mutex_);
    return InFlightLocked();
}

} // namespace lxq::host
