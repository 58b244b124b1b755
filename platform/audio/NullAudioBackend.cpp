#include "platform/audio/NullAudioBackend.h"

#include "platform/sys/Clock.h"

#include <cstring>

namespace plat::audio {
namespace {

// Sleeps for the time the bytes take to play at the format's rate.
void Pace(const WaveFormat& format, std::uint32_t bytes) {
    if (format.avgBytesPerSec == 0) return;
    sys::ActiveClock().Sleep(static_cast<sys::Nanoseconds>(
        std::uint64_t{bytes} * static_cast<std::uint64_t>(sys::kNsPerSecond) /
        format.avgBytesPerSec));
}

class SilentCapture final : public CaptureStream {
public:
    explicit SilentCapture(const WaveFormat& f) : format_(f) {}
    Result Read(void* data, std::uint32_t bytes, std::uint32_t& got) override {
        // Silence is the mid value: 0 for 16-bit samples, 128 for 8-bit ones.
        std::memset(data, format_.bitsPerSample == 8 ? 0x80 : 0, bytes);
        got = bytes;
        Pace(format_, bytes);
        return Result::NoError;
    }

private:
    WaveFormat format_;
};

class DiscardPlayback final : public PlaybackStream {
public:
    explicit DiscardPlayback(const WaveFormat& f) : format_(f) {}
    Result Write(const void*, std::uint32_t bytes) override {
        Pace(format_, bytes);
        return Result::NoError;
    }

private:
    WaveFormat format_;
};

bool Supported(const WaveFormat& f) {
    return f.formatTag == kFormatPcm && (f.bitsPerSample == 8 || f.bitsPerSample == 16) &&
           (f.channels == 1 || f.channels == 2) && f.samplesPerSec != 0;
}

} // namespace

std::vector<WaveCaps> NullAudioBackend::Devices(Direction direction) {
    WaveCaps caps{};
    std::strcpy(caps.name, direction == Direction::Capture ? "Null input" : "Null output");
    caps.nativeFormat = MakePcmFormat(2, 16, 48000);
    return {caps};
}

Result NullAudioBackend::OpenCapture(std::uint32_t id, const WaveFormat& format, bool queryOnly,
                                     std::unique_ptr<CaptureStream>& stream) {
    if (id != 0 && id != kWaveMapper) return Result::BadDeviceId;
    if (!Supported(format)) return Result::BadFormat;
    if (!queryOnly) stream = std::make_unique<SilentCapture>(format);
    return Result::NoError;
}

Result NullAudioBackend::OpenPlayback(std::uint32_t id, const WaveFormat& format, bool queryOnly,
                                      std::unique_ptr<PlaybackStream>& stream) {
    if (id != 0 && id != kWaveMapper) return Result::BadDeviceId;
    if (!Supported(format)) return Result::BadFormat;
    if (!queryOnly) stream = std::make_unique<DiscardPlayback>(format);
    return Result::NoError;
}

} // namespace plat::audio
