#include "platform/audio/AudioSystem.h"

#include "platform/audio/AlsaAudioBackend.h"
#include "platform/audio/FileAudioBackend.h"
#include "platform/audio/NullAudioBackend.h"
#include "platform/audio/VirtualCardBackend.h"
#include "platform/win/MessageApi.h"
#include "platform/win/Messages.h"

#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace plat::audio {
namespace {

// g_mutex guards the state below and is never held while a back end runs: back ends announce
// devices through BroadcastDeviceChange, which takes it. g_choosing makes the first users wait
// for the one back end chosen from the environment.
std::mutex g_mutex;
std::mutex g_choosing;
std::shared_ptr<AudioBackend> g_backend;
std::map<std::uint32_t, win::Hwnd> g_listeners;
std::uint32_t g_nextHandle = 1;

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? v : "";
}

} // namespace

std::shared_ptr<AudioBackend> MakeBackendFromEnvironment() {
    const std::string kind = Env("LXQ745_AUDIO");
    if (kind == "null") return std::make_shared<NullAudioBackend>();
    if (kind == "file") {
        auto file = std::make_shared<FileAudioBackend>(Env("LXQ745_AUDIO_PACED") == "1"
                                                           ? FileAudioBackend::Pacing::RealTime
                                                           : FileAudioBackend::Pacing::Offline);
        if (const std::string in = Env("LXQ745_AUDIO_IN"); !in.empty())
            file->AddDevice(Direction::Capture, "File input", in);
        if (const std::string out = Env("LXQ745_AUDIO_OUT"); !out.empty())
            file->AddDevice(Direction::Playback, "File output", out);
        return file;
    }
    return std::make_shared<AlsaAudioBackend>();
}

std::uint32_t DeviceCountOf(Direction direction) {
    return static_cast<std::uint32_t>(ActiveAudioBackend()->Devices(direction).size());
}

Result DeviceCapsOf(Direction direction, std::uint32_t id, WaveCaps& caps) {
    const auto devices = ActiveAudioBackend()->Devices(direction);
    if (id == kWaveMapper) id = 0;
    if (id >= devices.size()) return Result::BadDeviceId;
    caps = devices[id];
    return Result::NoError;
}

namespace {

std::shared_ptr<AudioBackend> ChosenBackend() {
    {
        std::lock_guard lock(g_mutex);
        if (g_backend) return g_backend;
    }
    std::lock_guard choosing(g_choosing);
    {
        std::lock_guard lock(g_mutex);
        if (g_backend) return g_backend;
    }
    auto backend = MakeBackendFromEnvironment();
    std::lock_guard lock(g_mutex);
    // A test may have installed its own meanwhile; it wins.
    if (!g_backend) g_backend = std::move(backend);
    return g_backend;
}

} // namespace

std::shared_ptr<AudioBackend> ActiveAudioBackend() {
    return std::make_shared<VirtualCardBackend>(ChosenBackend());
}

Result QueryFormatOf(Direction direction, std::uint32_t id, void* record, std::size_t length) {
    return ActiveAudioBackend()->QueryFormat(direction, id, record, length);
}

ScopedAudioBackend::ScopedAudioBackend(std::shared_ptr<AudioBackend> backend) {
    std::lock_guard lock(g_mutex);
    previous_ = std::exchange(g_backend, std::move(backend));
}

ScopedAudioBackend::~ScopedAudioBackend() {
    std::lock_guard lock(g_mutex);
    g_backend = std::move(previous_);
}

std::uint32_t RegisterDeviceNotification(win::Hwnd window) {
    if (window == win::kNoWindow) return 0;
    std::lock_guard lock(g_mutex);
    const std::uint32_t handle = g_nextHandle++;
    g_listeners[handle] = window;
    return handle;
}

bool UnregisterDeviceNotification(std::uint32_t handle) {
    std::lock_guard lock(g_mutex);
    return g_listeners.erase(handle) != 0;
}

void BroadcastDeviceChange(std::uint32_t event) {
    std::map<std::uint32_t, win::Hwnd> listeners;
    {
        std::lock_guard lock(g_mutex);
        listeners = g_listeners;
    }
    for (const auto& [handle, window] : listeners) {
        win::PostMessage(window, win::WM_DEVICECHANGE, kDeviceNodesChanged, 0);
        win::PostMessage(window, win::WM_DEVICECHANGE, event, 0);
    }
}

} // namespace plat::audio
