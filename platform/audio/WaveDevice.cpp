#include "platform/audio/WaveDevice.h"

namespace plat::audio {

void WaveDevice::Open() {
    thread_ = std::thread([this] { Run(); });
}

void WaveDevice::Close() {
    Reset();
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void WaveDevice::WaitIdle(std::unique_lock<std::mutex>& lock) {
    cv_.wait(lock, [this] { return !busy_; });
}

Result WaveDevice::Queue(WaveHeader& header) {
    if (!(LoadHeaderFlags(header) & kHeaderPrepared)) return Result::Unprepared;
    {
        std::lock_guard lock(mutex_);
        if (removed_) return Result::NoDriver;
        if (LoadHeaderFlags(header) & kHeaderInQueue) return Result::StillPlaying;
        MarkHeaderQueued(header);
        queue_.push_back(&header);
    }
    cv_.notify_all();
    return Result::NoError;
}

Result WaveDevice::Reset() {
    std::unique_lock lock(mutex_);
    WaitIdle(lock);
    const bool any = !queue_.empty();
    for (WaveHeader* h : queue_) CompleteHeader(*h, 0);
    queue_.clear();
    lock.unlock();
    if (any && notify_ != nullptr) notify_->Set();
    return Result::NoError;
}

void WaveDevice::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        cv_.wait(lock, [this] { return closing_ || (!queue_.empty() && Ready() && (!removed_ || DrainsAfterRemoval())); });
        if (closing_) return;
        WaveHeader* h = queue_.front();
        busy_ = true;
        const bool gone = removed_;
        lock.unlock();
        std::uint32_t bytes = 0;
        const Result r = Serve(*h, gone, bytes);
        lock.lock();
        busy_ = false;
        queue_.pop_front();
        if (r == Result::NoDriver) removed_ = true;
        Served(r, *h, bytes);
        CompleteHeader(*h, bytes);
        cv_.notify_all();
        if (notify_ != nullptr) notify_->Set();
    }
}

} // namespace plat::audio
