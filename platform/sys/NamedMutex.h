#pragma once
// A mutex shared by every process that opens the same name. It is recursive for the thread that
// holds it. When its holder dies the kernel releases it (an abandoned mutex), so the next waiter
// simply gets it.

#include "platform/sys/LockFile.h"

#include <mutex>
#include <string_view>
#include <thread>

namespace plat::sys {

class NamedMutex {
public:
    explicit NamedMutex(std::string_view name);
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    bool Valid() const { return file_.Valid(); }
    void Lock();
    bool TryLock();
    void Unlock();

    // For std::lock_guard / std::unique_lock.
    void lock() { Lock(); }
    bool try_lock() { return TryLock(); }
    void unlock() { Unlock(); }

private:
    std::recursive_mutex local_; // orders the threads of this process
    int depth_ = 0;              // recursion depth of the holding thread (guarded by local_)
    LockFile file_;              // orders the processes
};

} // namespace plat::sys
