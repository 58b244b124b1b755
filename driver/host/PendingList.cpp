#include "driver/host/PendingList.h"

#include <algorithm>

namespace lxq::host {

void PendingList::Hold(const RequestPtr& request) {
    request->ReleaseCount();  // a held request is not in flight; replay counts it again
    if (request->IsCancelled()) {
        request->Complete(kStatusCancelled);
        return;
    }
    std::lock_guard lock(mutex_);
    held_.push_back(request);
}

void PendingList::CancelHandle(std::uint64_t handle) {
    std::deque<RequestPtr> cancelled;
    {
        std::lock_guard lock(mutex_);
        auto split = std::stable_partition(held_.begin(), held_.end(),
                                           [&](const RequestPtr& r) { return r->handle != handle; });
        cancelled.assign(split, held_.end());
        held_.erase(split, held_.end());
    }
    // Completion answers a client, which must happen outside the list's lock.
    for (auto& request : cancelled) request->Complete(kStatusCancelled);
}

void PendingList::CompleteAll(NtStatus status) {
    for (auto& request : TakeAll()) request->Complete(status);
}

std::deque<RequestPtr> PendingList::TakeAll() {
    std::lock_guard lock(mutex_);
    std::deque<RequestPtr> all;
    all.swap(held_);
    return all;
}

std::size_t PendingList::Size() const {
    std::lock_guard lock(mutex_);
    return held_.size();
}

} // namespace lxq::host
