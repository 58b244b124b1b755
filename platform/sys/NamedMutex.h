#pragma once
// A mutex shared by every process that opens the same name. It is recursive for the thread that
// holds it. When its holder dies the kernel releases it (an abandoned mutex), so the next waiter
// simply gets it. The last user may remove the name while holding the mutex; a waiter that then
// gets the lock of the removed file notices and takes the name's new file instead.

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
    // Removes the name's file (call while holding the mutex, as its last user).
    void RemoveName() { file_.RemoveName(); }

    // For std::lock_guard / std::unique_lock.
    void lock() { Lock(); }
    bool try_lock() { return TryLock(); }
    void unlock() { Unlock(); }

private:
    bool LockFileOfTheName(bool wait);

    std::recursive_mutex local_; // orders the threads of this process
    int depth_ = 0;              // recursion depth of the holding thread (guarded by local_)
    LockFile file_;              // orders the processes
};

} // namespace plat::sys
