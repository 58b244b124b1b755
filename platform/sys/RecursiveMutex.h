#pragma once
// A process-local mutex that its holder may take again, with a try-lock that never waits.

#include <mutex>

namespace plat::sys {

class RecursiveMutex {
public:
    void Lock() { mutex_.lock(); }
    bool TryLock() { return mutex_.try_lock(); }
    void Unlock() { mutex_.unlock(); }

    // For std::lock_guard / std::unique_lock.
    void lock() { Lock(); }
    bool try_lock() { return TryLock(); }
    void unlock() { Unlock(); }

private:
    std::recursive_mutex mutex_;
};

} // namespace plat::sys
