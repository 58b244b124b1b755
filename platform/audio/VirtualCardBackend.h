#pragma once
// A back end with the virtual sound card's devices added while the driver host serves the card:
// its capture devices come first, so that the default recording device is the first pin's IF;
// its playback devices come last, so that the default playback device stays the loudspeaker.

#include "platform/audio/AudioBackend.h"
#include "platform/audio/VirtualSoundCard.h"

#include <memory>

namespace plat::audio {

class VirtualCardBackend final : public AudioBackend {
public:
    explicit VirtualCardBackend(std::shared_ptr<AudioBackend> inner) : inner_(std::move(inner)) {}

    std::vector<WaveCaps> Devices(Direction direction) override;
    Result OpenCapture(std::uint32_t id, const WaveFormat& format, bool queryOnly,
                       std::unique_ptr<CaptureStream>& stream) override;
    Result OpenPlayback(std::uint32_t id, const WaveFormat& format, bool queryOnly,
                        std::unique_ptr<PlaybackStream>& stream) override;
    Result QueryFormat(Direction direction, std::uint32_t id, void* record, std::size_t length) override;
    std::vector<std::shared_ptr<MixerDevice>> Mixers() override { return inner_->Mixers(); }
    long MixerOfWaveIn(std::uint32_t waveInId) override;

private:
    // Where a device id of this back end leads: to a card device, or to the inner id.
    struct Target {
        bool card = false;
        VirtualSoundCard::Device device;
        std::uint32_t innerId = 0;
    };
    Target Resolve(Direction direction, std::uint32_t id);

    std::shared_ptr<AudioBackend> inner_;
};

} // namespace plat::audio
