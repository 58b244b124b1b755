#pragma once
// The virtual sound card as the audio layer presents it: for each pin of the card the driver host
// serves, a capture device that records the pin's IF and a playback device that takes what is
// played to it, each under two names (one per kind of format query). Its wave driver answers the
// card's property query in place of a format query.

#include "platform/audio/AudioBackend.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace plat::audio {

class VirtualSoundCard {
public:
    struct Device {
        std::string name;
        std::uint32_t pin; // 0-based
    };

    // The card's devices of one direction now, in pin order; none without a host serving it.
    static std::vector<Device> Devices(Direction direction);
    static Result OpenCapture(const Device& device, const WaveFormat& format, bool queryOnly,
                              std::unique_ptr<CaptureStream>& stream);
    static Result OpenPlayback(const Device& device, const WaveFormat& format, bool queryOnly,
                               std::unique_ptr<PlaybackStream>& stream);
    // A format query on one of the card's devices. The card's property query (see
    // VirtualCardWire.h) is answered in the record; any other format is checked.
    static Result QueryFormat(const Device& device, void* record, std::size_t length);
};

} // namespace plat::audio
