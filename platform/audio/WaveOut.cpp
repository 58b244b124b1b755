#include "platform/audio/WaveOut.h"

#include "platform/audio/AudioSystem.h"

#include <atomic>

namespace plat::audio {

std::uint32_t WaveOut::DeviceCount() { return DeviceCountOf(Direction::Playback); }

Result WaveOut::GetCaps(std::uint32_t id, WaveCaps& caps) {
    return DeviceCapsOf(Direction::Playback, id, caps);
}

Result WaveOut::Open(std::unique_ptr<WaveOut>& out, std::uint32_t id, const WaveFormat& format,
                     sys::Event* notify, bool queryOnly) {
    out.reset();
    std::unique_ptr<PlaybackStream> stream;
    const Result r = ActiveAudioBackend()->OpenPlayback(id, format, queryOnly, stream);
    if (r != Result::NoError || queryOnly) return r;
    out.reset(new WaveOut(std::move(stream), notify));
    return Result::NoError;
}

WaveOut::WaveOut(std::unique_ptr<PlaybackStream> stream, sys::Event* notify)
    : stream_(std::move(stream)), notify_(notify) {
    thread_ = std::thread([this] { Run(); });
}

WaveOut::~WaveOut() {
    Reset();
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    cv_.notify_all();
    thread_.join();
}

Result WaveOut::Prepare(WaveHeader& header) { return PrepareHeader(header); }

Result WaveOut::Unprepare(WaveHeader& header) { return UnprepareHeader(header); }

Result WaveOut::Write(WaveHeader& header) {
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

Result WaveOut::Reset() {
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [this] { return !playing_; });
    const bool any = !queue_.empty();
    for (WaveHeader* h : queue_) CompleteHeader(*h, 0);
    queue_.clear();
    lock.unlock();
    if (any && notify_ != nullptr) notify_->Set();
    return Result::NoError;
}

void WaveOut::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        cv_.wait(lock, [this] { return closing_ || !queue_.empty(); });
        if (closing_) return;
        WaveHeader* h = queue_.front();
        playing_ = true;
        const bool gone = removed_;
        lock.unlock();
        // After removal the buffers still come back, unplayed, so the owner never waits forever.
        const Result r = gone ? Result::NoDriver : stream_->Write(h->data, h->bufferLength);
        lock.lock();
        playing_ = false;
        queue_.pop_front();
        if (r == Result::NoDriver) removed_ = true;
        CompleteHeader(*h, h->bufferLength);
        cv_.notify_all();
        if (notify_ != nullptr) notify_->Set();
    }
}

} // namespace plat::audio
