#include "driver/transport/ClockedEvent.h"

#include "driver/transport/ClockedWait.h"

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
    std::unique_lock lock(mutex_);
    return ClockedWait(lock, changed_, timeout, [this] { return set_; });
}

} // namespace lxq::transport
