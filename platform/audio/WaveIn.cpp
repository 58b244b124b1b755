#include "platform/audio/WaveIn.h"

#include "platform/audio/AudioSystem.h"

#include <atomic>

namespace plat::audio {
std::uint32_t WaveIn::DeviceCount() { return DeviceCountOf(Direction::Capture); }

Result WaveIn::GetCaps(std::uint32_t id, WaveCaps& caps) {
    return DeviceCapsOf(Direction::Capture, id, caps);
}

Result WaveIn::Open(std::unique_ptr<WaveIn>& out, std::uint32_t id, const WaveFormat& format,
                    sys::Event* notify, bool queryOnly) {
    out.reset();
    std::unique_ptr<CaptureStream> stream;
    const Result r = ActiveAudioBackend()->OpenCapture(id, format, queryOnly, stream);
    if (r != Result::NoError || queryOnly) return r;
    out.reset(new WaveIn(std::move(stream), notify));
    return Result::NoError;
}

WaveIn::WaveIn(std::unique_ptr<CaptureStream> stream, sys::Event* notify)
    : stream_(std::move(stream)), notify_(notify) {
    thread_ = std::thread([this] { Run(); });
}

WaveIn::~WaveIn() {
    Reset();
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    cv_.notify_all();
    thread_.join();
}

Result WaveIn::Prepare(WaveHeader& header) { return PrepareHeader(header); }

Result WaveIn::Unprepare(WaveHeader& header) { return UnprepareHeader(header); }

Result WaveIn::AddBuffer(WaveHeader& header) {
    if (!(LoadHeaderFlags(header) & kHeaderPrepared)) return Result::Unprepared;
    {
        std::lock_guard lock(mutex_);
        if (removed_) return Result::NoDriver;
        if (LoadHeaderFlags(header) & kHeaderInQueue) return Result::StillPlaying;
        std::atomic_ref<std::uint32_t>(header.bytesRecorded).store(0, std::memory_order_relaxed);
        MarkHeaderQueued(header);
        queue_.push_back(&header);
    }
    cv_.notify_all();
    return Result::NoError;
}

Result WaveIn::Start() {
    {
        std::lock_guard lock(mutex_);
        started_ = true;
    }
    cv_.notify_all();
    return Result::NoError;
}

Result WaveIn::Stop() {
    std::unique_lock lock(mutex_);
    started_ = false;
    cv_.wait(lock, [this] { return !reading_; });
    return Result::NoError;
}

Result WaveIn::Reset() {
    std::unique_lock lock(mutex_);
    started_ = false;
    cv_.wait(lock, [this] { return !reading_; });
    const bool any = !queue_.empty();
    for (WaveHeader* h : queue_) CompleteHeader(*h, 0);
    queue_.clear();
    lock.unlock();
    if (any && notify_ != nullptr) notify_->Set();
    return Result::NoError;
}

void WaveIn::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        cv_.wait(lock, [this] {
            return closing_ || (started_ && !ended_ && !removed_ && !queue_.empty());
        });
        if (closing_) return;
        WaveHeader* h = queue_.front();
        reading_ = true;
        lock.unlock();
        std::uint32_t got = 0;
        const Result r = stream_->Read(h->data, h->bufferLength, got);
        lock.lock();
        reading_ = false;
        queue_.pop_front();
        if (r == Result::NoDriver) removed_ = true;
        else if (got < h->bufferLength) ended_ = true;
        // A buffer that received nothing because the source ended stays with the owner as empty.
        CompleteHeader(*h, got);
        cv_.notify_all();
        if (notify_ != nullptr) notify_->Set();
    }
}

} // namespace plat::audio
