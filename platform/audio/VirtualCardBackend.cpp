#include "platform/audio/VirtualCardBackend.h"

#include "platform/audio/VirtualCardWire.h"

#include <cstring>

namespace plat::audio {
namespace {

WaveCaps CapsOf(const VirtualSoundCard::Device& device) {
    WaveCaps caps{};
    std::strncpy(caps.name, device.name.c_str(), sizeof caps.name - 1);
    caps.nativeFormat = MakePcmFormat(vsc::kChannels, vsc::kBitsPerSample, vsc::kSampleRate);
    return caps;
}

} // namespace

VirtualCardBackend::Target VirtualCardBackend::Resolve(Direction direction, std::uint32_t id) {
    const auto card = VirtualSoundCard::Devices(direction);
    Target target;
    if (direction == Direction::Capture) {
        if (id == kWaveMapper) id = card.empty() ? kWaveMapper : 0;
        if (id != kWaveMapper && id < card.size()) {
            target.card = true;
            target.device = card[id];
        } else {
            target.innerId = id == kWaveMapper ? id : id - static_cast<std::uint32_t>(card.size());
        }
        return target;
    }
    const std::uint32_t inner = static_cast<std::uint32_t>(inner_->Devices(direction).size());
    if (id != kWaveMapper && id >= inner && id - inner < card.size()) {
        target.card = true;
        target.device = card[id - inner];
    } else {
        target.innerId = id;
    }
    return target;
}

std::vector<WaveCaps> VirtualCardBackend::Devices(Direction direction) {
    std::vector<WaveCaps> list;
    const auto card = VirtualSoundCard::Devices(direction);
    if (direction == Direction::Capture)
        for (const auto& d : card) list.push_back(CapsOf(d));
    for (const auto& caps : inner_->Devices(direction)) list.push_back(caps);
    if (direction == Direction::Playback)
        for (const auto& d : card) list.push_back(CapsOf(d));
    return list;
}

Result VirtualCardBackend::OpenCapture(std::uint32_t id, const WaveFormat& format, bool queryOnly,
                                       std::unique_ptr<CaptureStream>& stream) {
    const Target t = Resolve(Direction::Capture, id);
    return t.card ? VirtualSoundCard::OpenCapture(t.device, format, queryOnly, stream)
                  : inner_->OpenCapture(t.innerId, format, queryOnly, stream);
}

Result VirtualCardBackend::OpenPlayback(std::uint32_t id, const WaveFormat& format, bool queryOnly,
                                        std::unique_ptr<PlaybackStream>& stream) {
    const Target t = Resolve(Direction::Playback, id);
    return t.card ? VirtualSoundCard::OpenPlayback(t.device, format, queryOnly, stream)
                  : inner_->OpenPlayback(t.innerId, format, queryOnly, stream);
}

Result VirtualCardBackend::QueryFormat(Direction direction, std::uint32_t id, void* record, std::size_t length) {
    const Target t = Resolve(direction, id);
    return t.card ? VirtualSoundCard::QueryFormat(t.device, record, length)
                  : inner_->QueryFormat(direction, t.innerId, record, length);
}

long VirtualCardBackend::MixerOfWaveIn(std::uint32_t waveInId) {
    // The card has no mixer of its own.
    const Target t = Resolve(Direction::Capture, waveInId);
    return t.card ? -1 : inner_->MixerOfWaveIn(t.innerId);
}

} // namespace plat::audio
