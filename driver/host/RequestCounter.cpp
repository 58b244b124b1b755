#include "driver/host/RequestCounter.h"

namespace lxq::host {

void RequestCounter::Increment() {
    std::lock_guard lock(mutex_);
    ++count_;
}

void RequestCounter::Decrement() {
    {
        std::lock_guard lock(mutex_);
        if (count_ > 0) --count_;
    }
    changed_.notify_all();
}

void RequestCounter::DropOwnReference() {
    {
        std::lock_guard lock(mutex_);
        if (!ownReferenceHeld_) return;
        ownReferenceHeld_ = false;
        if (count_ > 0) --count_;
    }
    changed_.notify_all();
}

void RequestCounter::RestoreOwnReference() {
    std::lock_guard lock(mutex_);
    if (ownReferenceHeld_) return;
    ownReferenceHeld_ = true;
    ++count_;
}

bool RequestCounter::WaitIdle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return InFlightLocked() <= 1; });
}

bool RequestCounter::WaitRemovable(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return count_ == 0; });
}

int RequestCounter::Count() const {
    std::lock_guard lock(mutex_);
    return count_;
}

int RequestCounter::InFlight() const {
    std::lock_guard lock(mutex_);
    return InFlightLocked();
}

} // namespace lxq::host
