#include "app/receiver/TmyCustomKVRserver.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <cctype>
#include <mutex>
#include <string_view>

#include "app/receiver/MainThread.h"
#include "platform/components/TApplication.h"
#include "platform/sys/Clock.h"
#include "platform/sys/DebugOutput.h"
#include "platform/sys/MessageBox.h"
#include "platform/sys/SettingsStore.h"

namespace lxq {
namespace {

// Every host of the process, in creation order: the callback finds the owner of an instance here.
std::vector<TmyCustomKVRserver*>& Hosts() {
    static std::vector<TmyCustomKVRserver*> hosts;
    return hosts;
}

// Guards the list of hosts, their running lists and the plug-in each is starting.
std::mutex& RegistryLock() {
    static std::mutex lock;
    return lock;
}

// "*.kvr" in any letter case, as the plug-in folder's file names may come.
bool HasPluginExtension(const std::string& file) {
    const std::string_view ext = kvr::kPluginExtension;
    if (file.size() <= ext.size()) return false;
    return std::equal(ext.begin(), ext.end(), file.end() - static_cast<std::ptrdiff_t>(ext.size()),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) ==
                                                  std::tolower(static_cast<unsigned char>(b)); });
}

void Debug(const std::string& text) { plat::sys::OutputDebugText(text); }

} // namespace

TmyCustomKVRserver::TmyCustomKVRserver(plat::comp::TComponent* owner) : TComponent(owner) {
    {
        std::lock_guard<std::mutex> hold(RegistryLock());
        Hosts().push_back(this);
    }
    RecordMainThread();
}

TmyCustomKVRserver::~TmyCustomKVRserver() {
    BeginDestroy();
    StopAll();
    std::lock_guard<std::mutex> hold(RegistryLock());
    auto& hosts = Hosts();
    hosts.erase(std::remove(hosts.begin(), hosts.end(), this), hosts.end());
}

std::int32_t TmyCustomKVRserver::KvrHostCallback(std::int32_t instance, std::uint32_t uMsg,
                                                std::uint32_t dwParam, std::uint32_t cbData,
                                                void* lpData) {
    // The owners are looked up under the lock and served outside it: serving may start or stop
    // plug-ins, which changes the lists.
    std::vector<std::pair<TmyCustomKVRserver*, KVRplugin*>> owners;
    {
        std::lock_guard<std::mutex> hold(RegistryLock());
        for (TmyCustomKVRserver* host : Hosts())
            if (KVRplugin* plugin = host->FindRunning(instance)) owners.emplace_back(host, plugin);
        if (owners.empty() && instance != 0 && instance != kvr::kNotRunning) {
            // A handle nobody knows yet: the plug-in inside its start export has published it.
            for (TmyCustomKVRserver* host : Hosts()) {
                KVRplugin* starting = host->starting_;
                if (starting == nullptr || starting->instance != 0) continue;
                starting->instance = instance;
                owners.emplace_back(host, starting);
                break;
            }
        }
    }
    for (auto [host, plugin] : owners) {
        const std::int32_t r = host->kvrCallback(plugin, uMsg, dwParam, cbData, lpData);
        if (r != kvr::kNotHandled) return r;
    }
    return kvr::kNotHandled;
}

void TmyCustomKVRserver::SetRadioDevCaps(const void*, std::uint32_t) {}

// --- discovery and loading -------------------------------------------------------------------

void TmyCustomKVRserver::LoadPlugins() {
    plat::sys::SettingsStore store;
    const auto folder = store.ReadString(kvr::kRegistryKey, kvr::kSearchPathValue);
    if (folder && !folder->empty()) ScanFolder(*folder);
}

void TmyCustomKVRserver::ScanFolder(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string file = entry.path().filename().string();
        if (HasPluginExtension(file)) files.push_back(file);
    }
    std::sort(files.begin(), files.end()); // the order of a folder listing is no order at all
    for (const std::string& file : files) {
        auto plugin = std::make_unique<KVRplugin>();
        plugin->path = folder + "/" + file;
        errno = 0;
        plugin->module = plat::sys::Module::Load(plugin->path);
        if (!plugin->module) {
            char line[1200];
            std::snprintf(line, sizeof line, "KVR: %s failed to load, erro=%d\r\n",
                          plugin->path.c_str(), errno);
            Debug(line);
            continue;
        }
        const auto& m = *plugin->module;
        plugin->init = reinterpret_cast<KvrPluginInitProc>(m.Symbol(kvr::kInitExport));
        plugin->start = reinterpret_cast<KvrPluginStartProc>(m.Symbol(kvr::kStartExport));
        plugin->notify = reinterpret_cast<KvrPluginNotifyProc>(m.Symbol(kvr::kNotifyExport));
        plugin->done = reinterpret_cast<KvrPluginDoneProc>(m.Symbol(kvr::kDoneExport));
        if (!plugin->init || !plugin->start || !plugin->notify) {
            char line[1200];
            std::snprintf(line, sizeof line, "KVR: %s failed to link\r\n", plugin->path.c_str());
            Debug(line);
            continue;
        }
        char name[kvr::kNameBufferSize] = {};
        plugin->type = plugin->init(kvr::kInterfaceVersion, serverId_.c_str(), name, sizeof name);
        if (plugin->type == 0) {
            char line[1200];
            std::snprintf(line, sizeof line, "KVR: %s failed to init\r\n", plugin->path.c_str());
            Debug(line);
            continue;
        }
        plugin->name.assign(name, strnlen(name, sizeof name));
        if (KVRplugin* existing = FindLoaded(plugin->name)) {
            // The same library under a second file name is simply dropped.
            if (existing->init != plugin->init)
                plat::sys::ShowMessageBox(0,
                                          "Two plugins named '" + plugin->name +
                                              "' found !\nThe second one is ignored.",
                                          "KVR server",
                                          plat::sys::kMbIconWarning | plat::sys::kMbTopMost);
            continue;
        }
        const std::string loadedName = plugin->name;
        loaded_.push_back(std::move(plugin));
        if (OnPluginLoad) OnPluginLoad(this, loadedName);
    }
    std::stable_sort(loaded_.begin(), loaded_.end(),
                     [](const auto& a, const auto& b) { return a->name < b->name; });
}

// --- lists -----------------------------------------------------------------------------------

KVRplugin* TmyCustomKVRserver::FindLoaded(const std::string& name) const {
    for (const auto& p : loaded_)
        if (p->name == name) return p.get();
    return nullptr;
}

KVRplugin* TmyCustomKVRserver::FindRunning(std::int32_t instance) const {
    for (auto it = running_.rbegin(); it != running_.rend(); ++it)
        if ((*it)->instance == instance) return *it;
    return nullptr;
}

void TmyCustomKVRserver::RemoveRunning(KVRplugin* plugin) {
    std::lock_guard<std::mutex> hold(RegistryLock());
    running_.erase(std::remove(running_.begin(), running_.end(), plugin), running_.end());
}

std::string TmyCustomKVRserver::NameFrom(const void* data, std::uint32_t size) {
    if (!data) return {};
    const char* text = static_cast<const char*>(data);
    return std::string(text, strnlen(text, size));
}

std::string TmyCustomKVRserver::GetPluginName(int index) {
    if (index < 0 || index >= static_cast<int>(loaded_.size())) return {};
    return loaded_[static_cast<std::size_t>(index)]->name;
}

int TmyCustomKVRserver::GetPluginCount() { return static_cast<int>(loaded_.size()); }

std::uint32_t TmyCustomKVRserver::GetPluginFlags(const std::string& name) { return PluginFlags(name); }

std::uint32_t TmyCustomKVRserver::PluginFlags(const std::string& name) const {
    const KVRplugin* p = FindLoaded(name);
    return p ? p->type : 0;
}

std::int32_t TmyCustomKVRserver::PluginInstance(const std::string& name) const {
    const KVRplugin* p = FindLoaded(name);
    return p ? p->instance.load() : 0;
}

std::vector<std::string> TmyCustomKVRserver::RunningPlugins() const {
    std::vector<std::string> names;
    for (const KVRplugin* p : running_) names.push_back(p->name);
    return names;
}

// --- starting and stopping -------------------------------------------------------------------

std::int32_t TmyCustomKVRserver::StartPlugin(const std::string& name) {
    KVRplugin* p = FindLoaded(name);
    if (!p) return 0;
    if (p->Running()) return static_cast<std::int32_t>(p->type + kvr::kTypeRunning);
    Debug("Starting " + name + "\r\n");
    p->mask = 0;
    {
        // Listed before it starts: its callbacks during the start carry 0 and find it by that,
        // and the first one that carries its handle makes the handle its own.
        std::lock_guard<std::mutex> hold(RegistryLock());
        p->instance = 0;
        running_.push_back(p);
        starting_ = p;
    }
    const std::int32_t instance = p->start(receiverHandle_, const_cast<void*>(GetRadioDevCaps()),
                                           &TmyCustomKVRserver::KvrHostCallback, &p->mask);
    const bool failed = instance == -1 || instance == kvr::kNotHandled;
    {
        // The handle is its own from here on, in the same step that ends the start: a block in
        // between would find it by neither.
        std::lock_guard<std::mutex> hold(RegistryLock());
        starting_ = nullptr;
        p->instance = failed ? kvr::kNotRunning : instance;
    }
    if (failed) {
        Debug("Failed " + name + "\r\n");
        RemoveRunning(p);
        return kvr::kNotHandled;
    }
    Debug("Started " + name + "\r\n");
    PluginStarted(*p);
    p->startTimeMs = plat::sys::ActiveClock().NowMs();
    return instance;
}

bool TmyCustomKVRserver::StopPlugin(const std::string& name) {
    KVRplugin* p = FindLoaded(name);
    if (!p || !p->Running()) return false;
    p->startTimeMs = 0;
    p->notify(receiverHandle_, kvr::kNotifyClose, 0, 0, nullptr);
    return true;
}

void TmyCustomKVRserver::ProcessPendingMessages() { plat::comp::Application().ProcessMessages(); }

void TmyCustomKVRserver::StopAll() {
    // Handling messages below may lead here again; that inner call has nothing to add.
    if (stopping_) return;
    stopping_ = true;
    const std::vector<KVRplugin*> running = running_;
    for (auto it = running.rbegin(); it != running.rend(); ++it) {
        if (!(*it)->Running()) continue;
        StopPlugin((*it)->name);
        ProcessPendingMessages();
    }
    // A plug-in that did not answer its close request is stopped all the same: its library goes.
    {
        std::lock_guard<std::mutex> hold(RegistryLock());
        for (KVRplugin* p : running_) p->instance = kvr::kNotRunning;
        running_.clear();
    }
    while (!loaded_.empty()) {
        ProcessPendingMessages();
        std::unique_ptr<KVRplugin> p = std::move(loaded_.front());
        loaded_.erase(loaded_.begin());
        if (p->done) p->done(); // always before the library is freed
        p->module.reset();
    }
    stopping_ = false;
}

void TmyCustomKVRserver::PluginStarted(KVRplugin& plugin) {
    BroadcastPluginEvent(kvr::kNotifyPluginStarted, plugin);
    if (OnPluginStart) OnPluginStart(this, plugin.name);
}

void TmyCustomKVRserver::PluginStopped(KVRplugin& plugin) {
    BroadcastPluginEvent(kvr::kNotifyPluginStopped, plugin);
    if (OnPluginStop) OnPluginStop(this, plugin.name);
}

void TmyCustomKVRserver::BroadcastPluginEvent(std::uint32_t code, KVRplugin& plugin) {
    std::string name = plugin.name; // a plug-in may stop while it is being told
    Broadcast(code, plugin.type, name.data(), static_cast<std::uint32_t>(name.size()));
}

// --- notifications ---------------------------------------------------------------------------

void TmyCustomKVRserver::Broadcast(std::uint32_t uMsg, std::uint32_t dwParam, void* lpData,
                                   std::uint32_t cbData) {
    // A plug-in may start or stop others while it is told: walk a snapshot of the running list.
    // A broadcast may come from a plug-in's audio thread (its blocks are passed on), so the
    // snapshot is taken under the lock.
    std::vector<KVRplugin*> running;
    {
        std::lock_guard<std::mutex> hold(RegistryLock());
        running = running_;
    }
    for (KVRplugin* p : running) {
        if (!p->Running() || !kvr::MaskLetsThrough(p->mask, uMsg)) continue;
        p->notify(receiverHandle_, uMsg, dwParam, cbData, lpData);
    }
}

void TmyCustomKVRserver::SendToPlugin(const std::string& name, std::uint32_t uMsg, std::uint32_t dwParam,
                                std::uint32_t cbData, void* lpData) {
    KVRplugin* p = FindLoaded(name);
    // A plug-in that is not running is never called.
    if (p && p->Running()) p->notify(receiverHandle_, uMsg, dwParam, cbData, lpData);
}

void TmyCustomKVRserver::SetDisabled(std::uint32_t bits) {
    disabled_ = bits;
    Broadcast(kvr::kNotifyDisable, bits, nullptr, 0);
    DoOnDisableChanged();
}

void TmyCustomKVRserver::SetMinimized(bool v) {
    minimized_ = v;
    Broadcast(kvr::kNotifyMinimized, v ? 1 : 0, nullptr, 0);
}

void TmyCustomKVRserver::SetVisible(bool v) {
    visible_ = v;
    Broadcast(kvr::kNotifyVisible, v ? 1 : 0, nullptr, 0);
}

} // namespace lxq
