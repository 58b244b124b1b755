#pragma once
// The file back end: each capture device reads a WAV file, each playback device writes one.
// Offline it runs as fast as the caller takes the data; paced it keeps real time on the active
// clock (so a fake clock runs it without waiting). Tests script what real sound cards do:
// failing opens, devices removed in the middle of a stream, devices arriving and leaving.
// Each capture device comes with a recording mixer of the same name.

#include "platform/audio/AudioBackend.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace plat::audio {

class FileAudioBackend final : public AudioBackend {
public:
    enum class Pacing { Offline, RealTime };
    explicit FileAudioBackend(Pacing pacing = Pacing::Offline);
    ~FileAudioBackend() override;

    // A playback device's file appears when its stream closes; until then it is "<path>.tmp".
    // Names are cut to 31 characters. Announces the arrival to registered windows.
    void AddDevice(Direction direction, const std::string& name, const std::string& path);
    // The device leaves the list; its open stream answers NoDriver from now on.
    void RemoveDevice(Direction direction, const std::string& name);
    // The next `count` opens of the device fail with `code`.
    void FailNextOpens(Direction direction, const std::string& name, int count, Result code);
    // The device is removed once its stream has moved `bytes` bytes.
    void RemoveAfterBytes(Direction direction, const std::string& name, std::uint64_t bytes);
    // Opens attempted so far on the device (successful or not).
    int OpenAttempts(Direction direction, const std::string& name) const;

    std::vector<WaveCaps> Devices(Direction direction) override;
    Result OpenCapture(std::uint32_t id, const WaveFormat& format, bool queryOnly,
                       std::unique_ptr<CaptureStream>& stream) override;
    Result OpenPlayback(std::uint32_t id, const WaveFormat& format, bool queryOnly,
                        std::unique_ptr<PlaybackStream>& stream) override;
    // Each capture device has a recording mixer of its own name.
    std::vector<std::shared_ptr<MixerDevice>> Mixers() override;
    long MixerOfWaveIn(std::uint32_t waveInId) override;

    struct Device;

private:
    std::shared_ptr<Device> Find(Direction direction, const std::string& name) const;
    std::shared_ptr<Device> At(Direction direction, std::uint32_t id) const;
    Result CheckOpen(Device& device);

    const Pacing pacing_;
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Device>> capture_;
    std::vector<std::shared_ptr<Device>> playback_;
};

} // namespace plat::audio
