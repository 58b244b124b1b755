#include "platform/audio/MixerDevice.h"

#include "platform/win/MessageApi.h"

#include <algorithm>
#include <memory>

namespace plat::audio {

MixerDevice::MixerDevice(std::string name, std::vector<MixerLine> destinations)
    : name_(std::move(name)), destinations_(std::move(destinations)) {}

std::vector<MixerLine> MixerDevice::Destinations() const {
    std::lock_guard lock(mutex_);
    return destinations_;
}

MixerControl* MixerDevice::FindLocked(std::uint32_t controlId) {
    auto inLine = [controlId](MixerLine& line) -> MixerControl* {
        for (auto& c : line.controls)
            if (c.id == controlId) return &c;
        return nullptr;
    };
    for (auto& d : destinations_) {
        if (auto* c = inLine(d)) return c;
        for (auto& s : d.sources)
            if (auto* c = inLine(s)) return c;
    }
    return nullptr;
}

Result MixerDevice::GetValues(std::uint32_t controlId, std::vector<std::uint32_t>& values) const {
    std::lock_guard lock(mutex_);
    auto* c = const_cast<MixerDevice*>(this)->FindLocked(controlId);
    if (c == nullptr) return Result::InvalidParam;
    values = c->values;
    return Result::NoError;
}

Result MixerDevice::SetValues(std::uint32_t controlId, const std::vector<std::uint32_t>& values) {
    std::map<std::uint32_t, win::Hwnd> listeners;
    {
        std::lock_guard lock(mutex_);
        MixerControl* c = FindLocked(controlId);
        if (c == nullptr || values.size() != c->values.size()) return Result::InvalidParam;
        const std::uint32_t max = c->kind == MixerControlKind::Volume ? kMixerVolumeMax : 1;
        for (std::size_t i = 0; i < values.size(); ++i) c->values[i] = std::min(values[i], max);
        listeners = listeners_;
    }
    for (const auto& [handle, window] : listeners)
        win::PostMessage(window, MM_MIXM_CONTROL_CHANGE, handle, static_cast<win::LParam>(controlId));
    return Result::NoError;
}

void MixerDevice::AddListener(std::uint32_t handle, win::Hwnd window) {
    std::lock_guard lock(mutex_);
    if (window != win::kNoWindow) listeners_[handle] = window;
}

void MixerDevice::RemoveListener(std::uint32_t handle) {
    std::lock_guard lock(mutex_);
    listeners_.erase(handle);
}

std::shared_ptr<MixerDevice> MixerDevice::MakeRecordingMixer(const std::string& name) {
    std::uint32_t nextId = 1;
    auto control = [&nextId](MixerControlKind kind, std::vector<std::uint32_t> values) {
        MixerControl c;
        c.id = nextId++;
        c.kind = kind;
        c.values = std::move(values);
        return c;
    };
    MixerLine dest;
    dest.id = 0;
    dest.name = "Recording Control";
    dest.componentType = kComponentDstWaveIn;
    const struct {
        const char* name;
        std::uint32_t type;
    } sources[] = {{"Line In", kComponentSrcLine},
                   {"Microphone", kComponentSrcMicrophone},
                   {"CD Audio", kComponentSrcCompactDisc}};
    MixerControl mux = control(MixerControlKind::Multiplexer, {});
    std::uint32_t lineId = 0x10000;
    for (const auto& s : sources) {
        MixerLine line;
        line.id = lineId++;
        line.name = s.name;
        line.componentType = s.type;
        line.controls.push_back(control(MixerControlKind::Mute, {0}));
        line.controls.push_back(control(MixerControlKind::Volume, {49152, 49152}));
        dest.sources.push_back(std::move(line));
        mux.items.emplace_back(s.name);
        mux.values.push_back(mux.values.empty() ? 1 : 0);
    }
    dest.controls.push_back(std::move(mux));
    dest.controls.push_back(control(MixerControlKind::Mute, {0}));
    dest.controls.push_back(control(MixerControlKind::Volume, {65535, 65535}));
    return std::make_shared<MixerDevice>(name, std::vector<MixerLine>{std::move(dest)});
}

} // namespace plat::audio
