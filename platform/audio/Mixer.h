#pragma once
// An open mixer: its lines and controls, read and changed through the handle. Changes made by
// anyone (another handle, another program) reach the window given at open as
// MM_MIXM_CONTROL_CHANGE.

#include "platform/audio/MixerDevice.h"

#include <memory>

namespace plat::audio {

class Mixer {
public:
    static std::uint32_t DeviceCount();
    static Result GetName(std::uint32_t id, std::string& name);
    // The mixer that belongs to a wave-in device.
    static Result IdOfWaveIn(std::uint32_t waveInId, std::uint32_t& mixerId);
    // window may be 0 (no notices).
    static Result Open(std::unique_ptr<Mixer>& out, std::uint32_t id, win::Hwnd window);
    ~Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    std::uint32_t Handle() const { return handle_; }
    std::vector<MixerLine> Destinations() const { return device_->Destinations(); }
    Result GetValues(std::uint32_t controlId, std::vector<std::uint32_t>& values) const {
        return device_->GetValues(controlId, values);
    }
    Result SetValues(std::uint32_t controlId, const std::vector<std::uint32_t>& values) {
        return device_->SetValues(controlId, values);
    }

private:
    Mixer(std::shared_ptr<MixerDevice> device, std::uint32_t handle)
        : device_(std::move(device)), handle_(handle) {}
    std::shared_ptr<MixerDevice> device_;
    std::uint32_t handle_;
};

} // namespace plat::audio
