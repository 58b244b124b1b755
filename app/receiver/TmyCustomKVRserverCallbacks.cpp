// The plug-in host's side of the callbacks: host services, memory requests, enumeration, start and
// stop by name, and the setting queries.

#include <algorithm>
#include <cstring>

#include "app/receiver/RADIODEVCAPS.h"
#include "app/receiver/TmyCustomKVRserver.h"

namespace lxq {
std::int32_t TmyCustomKVRserver::DoOnCallback(KVRplugin& plugin, std::uint32_t uMsg,
                                              std::uint32_t dwParam, std::uint32_t cbData,
                                              void* lpData) {
    std::int32_t result = kvr::kNotHandled;
    OnCallback(this, plugin.name, uMsg, dwParam, cbData, lpData, result); // nothing when unbound
    return result;
}

std::int32_t TmyCustomKVRserver::DoOnMemoryEvent(std::uint32_t msg, std::uint32_t param, void* entry) {
    std::int32_t result = kvr::kNotHandled;
    if (OnMemoryEvent) OnMemoryEvent(this, msg, param, entry, result);
    return result;
}

std::int32_t TmyCustomKVRserver::DoOnMemoryFileEvent(std::uint32_t msg, std::uint32_t size, void* name) {
    std::int32_t result = kvr::kNotHandled;
    if (OnMemoryFileEvent) OnMemoryFileEvent(this, msg, size, name, result);
    return result;
}

std::int32_t TmyCustomKVRserver::kvrCallback(KVRplugin* plugin, std::uint32_t uMsg,
                                             std::uint32_t dwParam, std::uint32_t cbData,
                                             void* lpData) {
    if (!plugin || !plugin->Running()) return kvr::kNotHandled;
    const std::int32_t answer = DoOnCallback(*plugin, uMsg, dwParam, cbData, lpData);
    return ServeCallback(*plugin, uMsg, dwParam, cbData, lpData, answer);
}

std::int32_t TmyCustomKVRserver::ServeCallback(KVRplugin& plugin, std::uint32_t uMsg,
                                               std::uint32_t dwParam, std::uint32_t cbData,
                                               void* lpData, std::int32_t answer) {
    switch (uMsg) {
    case kvr::kCbResumeScanner: DoOnResumeScanner(); return answer;
    case kvr::kCbClosed:
        plugin.instance = kvr::kNotRunning;
        RemoveRunning(&plugin);
        PluginStopped(plugin);
        return 0;
    case kvr::kCbSetDisabled: SetDisabled(dwParam); return 0;
    case kvr::kCbGetSetting: return DoOnGetSettings(dwParam, cbData, lpData);
    case kvr::kCbSetMask: plugin.mask = dwParam; return 0;
    case kvr::kCbSetMinimized:
        minimized_ = dwParam != 0;
        DoOnMinimizeChanged();
        return 0;
    case kvr::kCbSetVisible:
        visible_ = dwParam != 0;
        DoOnVisibleChanged();
        return 0;
    case kvr::kCbSetCapabilities:
        // A block that is not sound is refused: not taken, not passed on, not announced.
        if (!RadioDevCapsBlock::Sound(lpData, cbData)) return kvr::kNotHandled;
        SetRadioDevCaps(lpData, cbData);
        Broadcast(kvr::kNotifyCapabilities, 0, lpData, cbData);
        Fire(OnCapabilities);
        return 0;
    case kvr::kCbEnumerate: return Enumerate(cbData, lpData);
    case kvr::kCbStartPlugin: return CallbackStart(NameFrom(lpData, cbData));
    case kvr::kCbStopPlugin: {
        KVRplugin* p = FindLoaded(NameFrom(lpData, cbData));
        if (!p) return kvr::kNotHandled;
        if (!p->Running()) return 1;
        StopPlugin(p->name);
        return 0;
    }
    default: break;
    }
    if (uMsg >= kvr::kCbMemoryFirst && uMsg <= kvr::kCbMemoryLast) {
        const std::int32_t r = DoOnMemoryEvent(uMsg, dwParam, lpData);
        if (r != kvr::kNotHandled) {
            if (uMsg == kvr::kCbMemoryChanged) Broadcast(kvr::kNotifyMemoryChanged, dwParam, nullptr, 0);
            if (uMsg == kvr::kCbMemoryEntry)
                Broadcast(kvr::kNotifyMemoryEntry, dwParam, lpData, kvr::kMemoryEntrySize);
        }
        return r;
    }
    if (uMsg == kvr::kCbMemoryFileFirst || uMsg == kvr::kCbMemoryFileLoaded) {
        const std::int32_t r = DoOnMemoryFileEvent(uMsg, cbData, lpData);
        if (r != kvr::kNotHandled && uMsg == kvr::kCbMemoryFileLoaded)
            Broadcast(kvr::kNotifyMemoryFile, 0, lpData, cbData);
        return r;
    }
    return answer;
}

std::int32_t TmyCustomKVRserver::Enumerate(std::uint32_t cbData, void* lpData) {
    if (!lpData || loaded_.empty()) return kvr::kNotHandled;
    const std::string previous = NameFrom(lpData, cbData);
    std::size_t index = 0;
    if (!previous.empty()) {
        auto it = std::find_if(loaded_.begin(), loaded_.end(),
                               [&](const auto& p) { return p->name == previous; });
        if (it == loaded_.end() || it + 1 == loaded_.end()) return kvr::kNotHandled;
        index = static_cast<std::size_t>(it - loaded_.begin()) + 1;
    }
    const KVRplugin& next = *loaded_[index];
    const std::size_t n = std::min<std::size_t>(cbData, next.name.size() + 1);
    std::memcpy(lpData, next.name.c_str(), n);
    return static_cast<std::int32_t>(next.type + (next.Running() ? kvr::kTypeRunning : 0));
}

std::int32_t TmyCustomKVRserver::CallbackStart(const std::string& name) {
    KVRplugin* p = FindLoaded(name);
    if (!p) return kvr::kNotHandled;
    if (p->Running()) return 1;
    if (kvr::IsDemodulator(p->type)) {
        // The owner starts a demodulator itself, so that its window can be embedded.
        if (OnStartDemodulator) OnStartDemodulator(this, name);
    } else {
        StartPlugin(name);
    }
    return p->Running() ? 0 : kvr::kNotHandled;
}

std::int32_t TmyCustomKVRserver::DoOnGetSettings(std::uint32_t dwParam, std::uint32_t cbData,
                                                 void* lpData) {
    switch (dwParam) {
    case kvr::kQueryDisable: return static_cast<std::int32_t>(disabled_);
    case kvr::kQueryRunning:
    case kvr::kQueryNotRunning: {
        const KVRplugin* p = FindLoaded(NameFrom(lpData, cbData));
        if (!p) return kvr::kNotHandled;
        return (p->Running() == (dwParam == kvr::kQueryRunning)) ? 1 : 0;
    }
    case kvr::kQueryMinimized: return minimized_ ? 1 : 0;
    case kvr::kQueryVisible: return visible_ ? 1 : 0;
    case kvr::kQueryCapabilities: {
        // An address does not fit the 32-bit answer: it goes into the caller's buffer, and the
        // answer tells whether there is a block.
        const void* caps = GetRadioDevCaps();
        if (lpData && cbData >= sizeof caps) std::memcpy(lpData, &caps, sizeof caps);
        return caps ? 1 : 0;
    }
    default: break;
    }
    if (dwParam >= kvr::kQueryMemoryFirst && dwParam <= kvr::kQueryMemoryLast) {
        std::int32_t result = kvr::kNotHandled;
        if (OnGetSettings) OnGetSettings(this, dwParam, cbData, lpData, result);
        return result;
    }
    return kvr::kNotHandled;
}

} // namespace lxq
