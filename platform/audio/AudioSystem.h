#pragma once
// The process's sound back end and the device-change notices. The back end is chosen at first use
// from the environment variable LXQ745_AUDIO: "alsa" (the default), "null", or "file" (input from
// the WAV named in LXQ745_AUDIO_IN, output to the WAV named in LXQ745_AUDIO_OUT, paced in real time
// when LXQ745_AUDIO_PACED is 1). Tests install their own with ScopedAudioBackend.

#include "platform/audio/AudioBackend.h"
#include "platform/win/Types.h"

#include <memory>

namespace plat::audio {

// The back end in use, with the virtual sound card's devices while the driver host serves it;
// never null.
std::shared_ptr<AudioBackend> ActiveAudioBackend();
std::shared_ptr<AudioBackend> MakeBackendFromEnvironment();

// Device lists of the active back end, for both wave directions.
std::uint32_t DeviceCountOf(Direction direction);
// kWaveMapper answers for the default device (id 0).
Result DeviceCapsOf(Direction direction, std::uint32_t id, WaveCaps& caps);
// A format query with the whole format record (format and extension), which the device's driver
// may answer in place.
Result QueryFormatOf(Direction direction, std::uint32_t id, void* record, std::size_t length);

class ScopedAudioBackend {
public:
    explicit ScopedAudioBackend(std::shared_ptr<AudioBackend> backend);
    ~ScopedAudioBackend();
    ScopedAudioBackend(const ScopedAudioBackend&) = delete;
    ScopedAudioBackend& operator=(const ScopedAudioBackend&) = delete;

private:
    std::shared_ptr<AudioBackend> previous_;
};

// Device-change notices, posted as WM_DEVICECHANGE with the event in wParam to each registered
// window.
inline constexpr std::uint32_t kDeviceArrival = 0x8000;
inline constexpr std::uint32_t kDeviceRemoveComplete = 0x8004;
inline constexpr std::uint32_t kDeviceNodesChanged = 0x0007;

// Returns a registration handle (never 0), or 0 for window 0.
std::uint32_t RegisterDeviceNotification(win::Hwnd window);
// False for an unknown handle.
bool UnregisterDeviceNotification(std::uint32_t handle);
// Called by back ends when a device arrives or goes: posts the node change and the event.
void BroadcastDeviceChange(std::uint32_t event);

} // namespace plat::audio
