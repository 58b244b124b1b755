#pragma once
// The lock of every shared plug-in object: recursive, so that an object's own operations may
// nest, and a real mutual exclusion from the first use on (no window in which two threads could
// both believe they own it).

#include <atomic>
#include <mutex>
#include <thread>

class RC_Lock {
public:
    RC_Lock() = default;
    RC_Lock(const RC_Lock&) = delete;
    RC_Lock& operator=(const RC_Lock&) = delete;

    void Lock();
    bool TryLock();
    // Releases one level of ownership; a call by a thread that does not own the lock is ignored,
    // so an unbalanced Unlock can never release another thread's hold.
    void Unlock();

    // True while the calling thread holds the lock.
    bool HeldByCaller() const;

    // The standard lockable interface, for std::lock_guard and std::unique_lock.
    void lock() { Lock(); }
    bool try_lock() { return TryLock(); }
    void unlock() { Unlock(); }

private:
    std::recursive_mutex mutex_;
    std::atomic<std::thread::id> owner_{};
    unsigned depth_ = 0; // written only by the owner
};
