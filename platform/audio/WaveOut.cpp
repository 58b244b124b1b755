#include "platform/audio/WaveOut.h"

#include "platform/audio/AudioSystem.h"

namespace plat::audio {

std::uint32_t WaveOut::DeviceCount() { return DeviceCountOf(Direction::Playback); }

Result WaveOut::GetCaps(std::uint32_t id, WaveCaps& caps) {
    return DeviceCapsOf(Direction::Playback, id, caps);
}

Result WaveOut::QueryFormat(std::uint32_t id, void* record, std::size_t length) {
    return QueryFormatOf(Direction::Playback, id, record, length);
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
    : WaveDevice(notify), stream_(std::move(stream)) {
    WaveDevice::Open();
}

WaveOut::~WaveOut() { Close(); }

Result WaveOut::Serve(WaveHeader& header, bool deviceGone, std::uint32_t& bytes) {
    bytes = header.bufferLength;
    return deviceGone ? Result::NoDriver : stream_->Write(header.data, header.bufferLength);
}

} // namespace plat::audio
