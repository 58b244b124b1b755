#include "driver/host/ProcessShares.h"

#include <algorithm>

namespace lxq::host {

ProcessShares::SharePtr ProcessShares::For(pid_t process) {
    std::lock_guard lock(mutex_);
    std::weak_ptr<Share>& entry = shares_[process];
    if (SharePtr share = entry.lock()) return share;
    auto share = std::make_shared<Share>();
    entry = share;
    if (shares_.size() >= sweepAt_) {
        std::erase_if(shares_, [](const auto& item) { return item.second.expired(); });
        sweepAt_ = std::max(kFirstSweep, 2 * shares_.size());
    }
    return share;
}

std::size_t ProcessShares::Size() {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(
        std::count_if(shares_.begin(), shares_.end(), [](const auto& item) { return !item.second.expired(); }));
}

} // namespace lxq::host
