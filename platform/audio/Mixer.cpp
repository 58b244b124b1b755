#include "platform/audio/Mixer.h"

#include "platform/audio/AudioSystem.h"

#include <atomic>

namespace plat::audio {
namespace {
std::atomic<std::uint32_t> g_nextHandle{1};
} // namespace

std::uint32_t Mixer::DeviceCount() {
    return static_cast<std::uint32_t>(ActiveAudioBackend()->Mixers().size());
}

Result Mixer::GetName(std::uint32_t id, std::string& name) {
    const auto mixers = ActiveAudioBackend()->Mixers();
    if (id >= mixers.size()) return Result::BadDeviceId;
    name = mixers[id]->Name();
    return Result::NoError;
}

Result Mixer::IdOfWaveIn(std::uint32_t waveInId, std::uint32_t& mixerId) {
    const long id = ActiveAudioBackend()->MixerOfWaveIn(waveInId);
    if (id < 0) return Result::BadDeviceId;
    mixerId = static_cast<std::uint32_t>(id);
    return Result::NoError;
}

Result Mixer::Open(std::unique_ptr<Mixer>& out, std::uint32_t id, win::Hwnd window) {
    out.reset();
    const auto mixers = ActiveAudioBackend()->Mixers();
    if (id >= mixers.size()) return Result::BadDeviceId;
    const std::uint32_t handle = g_nextHandle.fetch_add(1);
    mixers[id]->AddListener(handle, window);
    out.reset(new Mixer(mixers[id], handle));
    return Result::NoError;
}

Mixer::~Mixer() { device_->RemoveListener(handle_); }

} // namespace plat::audio
