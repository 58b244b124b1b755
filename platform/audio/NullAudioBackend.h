#pragma once
// The null back end: one capture device that records silence and one playback device that
// discards, both keeping real time on the active clock, and a recording mixer.

#include "platform/audio/AudioBackend.h"

namespace plat::audio {

class NullAudioBackend final : public AudioBackend {
public:
    std::vector<WaveCaps> Devices(Direction direction) override;
    Result OpenCapture(std::uint32_t id, const WaveFormat& format, bool queryOnly,
                       std::unique_ptr<CaptureStream>& stream) override;
    Result OpenPlayback(std::uint32_t id, const WaveFormat& format, bool queryOnly,
                        std::unique_ptr<PlaybackStream>& stream) override;
    std::vector<std::shared_ptr<MixerDevice>> Mixers() override { return {mixer_}; }
    long MixerOfWaveIn(std::uint32_t waveInId) override {
        return waveInId == 0 || waveInId == kWaveMapper ? 0 : -1;
    }

private:
    std::shared_ptr<MixerDevice> mixer_ = MixerDevice::MakeRecordingMixer("Null input");
};

} // namespace plat::audio
