#include "demod/dsp/RC_Lock.h"

void RC_Lock::Lock() {
    mutex_.lock();
    owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
    ++depth_;
}

bool RC_Lock::TryLock() {
    if (!mutex_.try_lock()) {
        return false;
    }
    owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
    ++depth_;
    return true;
}

void RC_Lock::Unlock() {
    if (!HeldByCaller()) {
        return;
    }
    if (--depth_ == 0) {
        owner_.store(std::thread::id{}, std::memory_order_relaxed);
    }
    mutex_.unlock();
}

bool RC_Lock::HeldByCaller() const {
    return owner_.load(std::memory_order_relaxed) == std::this_thread::get_id();
}
