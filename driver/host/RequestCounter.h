#pragma once
// Counts the requests in flight on a device, plus the device's own reference that keeps the count
// above zero until removal. Stop and removal wait on it: idle when nothing but the device's own
// reference (or the waiting request itself) remains, removable when nothing remains.
//
// Every request counts in and out from whichever thread runs it; that costs no lock while nobody
// waits (the count is atomic), and only a change that a waiter may be looking for wakes it.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace lxq::host {

class RequestCounter {
public:
    void Increment();
    void Decrement();

    // Drops the device's own reference. Only the first call counts: query-remove and remove both
    // ask for it, and a second drop would let the count run below zero.
    void DropOwnReference();
    // Takes the own reference back (a cancelled removal); does nothing when it is held.
    void RestoreOwnReference();

    // Waits until no request but the waiting one is in flight; false after the time-out.
    bool WaitIdle(std::chrono::milliseconds timeout);
    // Waits until the count, own reference included, reaches zero; false after the time-out.
    bool WaitRemovable(std::chrono::milliseconds timeout);

    int Count() const;
    // Requests in flight other than the device's own reference.
    int InFlight() const;

private:
    // Lowers the count unless it is zero.
    void Lower();
    void WakeWaiters();
    int InFlightLocked() const { return count_.load() - (ownReferenceHeld_ ? 1 : 0); }

    // Waits and ownReferenceHeld_ are under the mutex; a waiter is counted in waiters_ before it
    // first looks at the count, so a change it does not see wakes it.
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::atomic<int> count_{1};
    std::atomic<int> waiters_{0};
    bool ownReferenceHeld_ = true;
};

} // namespace lxq::host
