#include "driver/transport/ClockedEvent.h"

#include <chrono>

namespace lxq::transport {

void ClockedEvent::Set() {
    {
        std::lock_guard lock(mutex_);
        set_ = true;
    }
    changed_.notify_all();
}

void ClockedEvent::Reset() {
    std::lock_guard lock(mutex_);
    set_ = false;
}

bool ClockedEvent::IsSet() const {
    std::lock_guard lock(mutex_);
    return set_;
}

bool ClockedEvent::Wait(plat::sys::Nanoseconds timeout) {
    plat::sys::Clock& clock = plat::sys::ActiveClock();
    std::unique_lock lock(mutex_);
    if (set_) return true;
    if (clock.IsFake()) {
        lock.unlock();
        clock.Sleep(timeout);
        lock.lock();
        return set_;
    }
    return changed_.wait_for(lock, std::chrono::nanoseconds(timeout), [this] { return set_; });
}

} // namespace lxq::transport
