#pragma once
// What a sound back end provides: lists of capture and playback devices and blocking streams on
// them. The wave devices above add queues, buffers and notification, the same for every back end.

#include "platform/audio/MixerDevice.h"
#include "platform/audio/WaveTypes.h"

#include <memory>
#include <vector>

namespace plat::audio {

enum class Direction { Capture, Playback };

class CaptureStream {
public:
    virtual ~CaptureStream() = default;
    // Fills up to `bytes` bytes, waiting as a sound card would. NoError with got < bytes means the
    // source has ended (got may be 0); NoDriver means the device has gone.
    virtual Result Read(void* data, std::uint32_t bytes, std::uint32_t& got) = 0;
    // Samples the source had to drop because reading fell behind (0 where nothing can be lost).
    virtual std::uint32_t LostSamples() const { return 0; }
};

class PlaybackStream {
public:
    virtual ~PlaybackStream() = default;
    // Plays the bytes, waiting as a sound card would; NoDriver when the device has gone.
    virtual Result Write(const void* data, std::uint32_t bytes) = 0;
};

class AudioBackend {
public:
    virtual ~AudioBackend() = default;
    // Present devices in id order.
    virtual std::vector<WaveCaps> Devices(Direction direction) = 0;
    // Opens device `id` (kWaveMapper: the default device) for the format. With queryOnly the
    // answer says whether it would open, and no stream is made.
    virtual Result OpenCapture(std::uint32_t id, const WaveFormat& format, bool queryOnly,
                               std::unique_ptr<CaptureStream>& stream) = 0;
    virtual Result OpenPlayback(std::uint32_t id, const WaveFormat& format, bool queryOnly,
                                std::unique_ptr<PlaybackStream>& stream) = 0;
    // A format query that passes the whole format record (the format and its extraSize bytes of
    // extension): a device's driver may answer in the record. By default it is the query-only open.
    virtual Result QueryFormat(Direction direction, std::uint32_t id, void* record, std::size_t length);
    // Present mixers in id order; none by default.
    virtual std::vector<std::shared_ptr<MixerDevice>> Mixers() { return {}; }
    // The id of the mixer that belongs to a wave-in device, or -1.
    virtual long MixerOfWaveIn(std::uint32_t waveInId) {
        (void)waveInId;
        return -1;
    }
};

} // namespace plat::audio
