#pragma once
// The ALSA back end for real sound cards: the default device, then the first device of every
// card, in card order.

#include "platform/audio/AudioBackend.h"

namespace plat::audio {

class AlsaAudioBackend final : public AudioBackend {
public:
    std::vector<WaveCaps> Devices(Direction direction) override;
    Result OpenCapture(std::uint32_t id, const WaveFormat& format, bool queryOnly,
                       std::unique_ptr<CaptureStream>& stream) override;
    Result OpenPlayback(std::uint32_t id, const WaveFormat& format, bool queryOnly,
                        std::unique_ptr<PlaybackStream>& stream) override;
};

} // namespace plat::audio
