#include "platform/audio/WaveIn.h"

#include "platform/audio/AudioSystem.h"

#include <atomic>

namespace plat::audio {

std::uint32_t WaveIn::DeviceCount() { return DeviceCountOf(Direction::Capture); }

Result WaveIn::GetCaps(std::uint32_t id, WaveCaps& caps) {
    return DeviceCapsOf(Direction::Capture, id, caps);
}

Result WaveIn::QueryFormat(std::uint32_t id, void* record, std::size_t length) {
    return QueryFormatOf(Direction::Capture, id, record, length);
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
    : WaveDevice(notify), stream_(std::move(stream)) {
    WaveDevice::Open();
}

WaveIn::~WaveIn() {
    Stop();
    Close();
}

Result WaveIn::AddBuffer(WaveHeader& header) {
    std::atomic_ref<std::uint32_t>(header.bytesRecorded).store(0, std::memory_order_relaxed);
    return Queue(header);
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
    WaitIdle(lock);
    return Result::NoError;
}

Result WaveIn::Reset() {
    Stop();
    return WaveDevice::Reset();
}

Result WaveIn::Serve(WaveHeader& header, bool, std::uint32_t& bytes) {
    return stream_->Read(header.data, header.bufferLength, bytes);
}

void WaveIn::Served(Result result, const WaveHeader& header, std::uint32_t bytes) {
    // A short block ends the source; a buffer that got nothing comes back empty.
    if (result != Result::NoDriver && bytes < header.bufferLength) ended_ = true;
}

} // namespace plat::audio
