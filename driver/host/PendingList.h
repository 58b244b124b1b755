#pragma once
// Requests held while the device cannot serve them (not started, removal pending, powered down
// or in a power transition). They are replayed in arrival order when the device can serve again,
// failed when it goes away, and can be cancelled one handle at a time or all together.

#include "driver/host/IoRequest.h"

#include <deque>
#include <mutex>

namespace lxq::host {

class PendingList {
public:
    // Holds a request; one whose cancellation was asked already completes with the cancelled status.
    void Hold(const RequestPtr& request);
    // Completes with the cancelled status the held requests of one open handle (cleanup, cancel).
    void CancelHandle(std::uint64_t handle);
    // Completes every held request with the given status.
    void CompleteAll(NtStatus status);
    // Takes every held request out, oldest first, for replay.
    std::deque<RequestPtr> TakeAll();
    std::size_t Size() const;

private:
    mutable std::mutex mutex_;
    std::deque<RequestPtr> held_;
};

} // namespace lxq::host
