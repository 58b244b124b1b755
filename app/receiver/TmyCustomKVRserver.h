#pragma once
// The plug-in host: finds plug-ins in the folder named by the settings value "SearchPath" under
// "Software\KVR", loads them, starts and stops them by name, broadcasts notifications to the
// running ones, and serves their callbacks. It runs on the main (window) thread.
//
// Threads. Everything here belongs to the main thread, except what a plug-in's callback reaches
// from another thread (a demodulator hands its audio blocks over from its audio thread): the list
// of hosts, each host's running list and its plug-in being started are changed only on the main
// thread under the registry lock, and read elsewhere only under it; the instance handle is atomic.
// A plug-in being started is found by its handle from the first callback that carries one, so a
// block it delivers before its start has returned is served like every later one.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/receiver/KVRplugin.h"
#include "app/receiver/PluginThreadEvent.h"
#include "platform/components/Events.h"
#include "platform/components/TComponent.h"

namespace lxq {

// Raised on the thread of the plug-in that calls back (see PluginThreadEvent).
using TKvrCallbackEvent = PluginThreadEvent<plat::comp::TObject* /*sender*/, const std::string& /*pluginName*/,
                                            std::uint32_t /*uMsg*/, std::uint32_t /*dwParam*/,
                                            std::uint32_t /*cbData*/, void* /*lpData*/, std::int32_t& /*result*/>;
using TKvrPluginEvent = std::function<void(plat::comp::TObject* sender, const std::string& pluginName)>;
using TKvrMemoryEvent = std::function<void(plat::comp::TObject* sender, std::uint32_t msg,
                                           std::uint32_t param, void* entry, std::int32_t& result)>;
using TKvrMemoryFileEvent =
    std::function<void(plat::comp::TObject* sender, std::uint32_t msg, std::uint32_t fileNameSize,
                       void* fileName, std::int32_t& result)>;
using TKvrGetSettingsEvent =
    std::function<void(plat::comp::TObject* sender, std::uint32_t dwParam, std::uint32_t cbData,
                       void* lpData, std::int32_t& result)>;

class TmyCustomKVRserver : public plat::comp::TComponent {
public:
    explicit TmyCustomKVRserver(plat::comp::TComponent* owner);
    ~TmyCustomKVRserver() override;
    const char* ClassName() const override { return "TmyCustomKVRserver"; }

    virtual const void* GetRadioDevCaps() { return nullptr; }
    virtual void SetRadioDevCaps(const void* caps, std::uint32_t available);
    virtual std::string GetPluginName(int index);
    virtual int GetPluginCount();
    virtual std::uint32_t GetPluginFlags(const std::string& name);
    std::uint32_t PluginFlags(const std::string& name) const;
    virtual void SetDisabled(std::uint32_t bits);
    std::uint32_t Disabled() const { return disabled_; }
    virtual void LoadPlugins();
    virtual std::int32_t StartPlugin(const std::string& name);
    virtual bool StopPlugin(const std::string& name);
    void StopAll();

    void Broadcast(std::uint32_t uMsg, std::uint32_t dwParam, void* lpData, std::uint32_t cbData);
    void SendToPlugin(const std::string& name, std::uint32_t uMsg, std::uint32_t dwParam,
                std::uint32_t cbData, void* lpData);
    // Instance handle by name: kNotRunning when not running, 0 when unknown.
    std::int32_t PluginInstance(const std::string& name) const;

    const std::string& ServerID() const { return serverId_; }
    void SetServerID(const std::string& id) { serverId_ = id; }
    bool Minimized() const { return minimized_; }
    void SetMinimized(bool v);
    bool Visible() const { return visible_; }
    void SetVisible(bool v);
    std::uint32_t ReceiverHandle() const { return receiverHandle_; }
    void SetReceiverHandle(std::uint32_t h) { receiverHandle_ = h; }
    // Names of the running plug-ins in start order.
    std::vector<std::string> RunningPlugins() const;

    // The one callback handed to every plug-in: finds the host of the instance.
    static std::int32_t KvrHostCallback(std::int32_t instance, std::uint32_t uMsg,
                                        std::uint32_t dwParam, std::uint32_t cbData, void* lpData);

    TKvrCallbackEvent OnCallback;
    TKvrPluginEvent OnPluginLoad, OnPluginStart, OnPluginStop, OnStartDemodulator;
    plat::comp::TNotifyEvent OnDisableChanged, OnMinimizeChanged, OnVisibleChanged, OnResumeScanner,
        OnCapabilities;
    TKvrMemoryEvent OnMemoryEvent;
    TKvrMemoryFileEvent OnMemoryFileEvent;
    TKvrGetSettingsEvent OnGetSettings;

protected:
    virtual std::int32_t DoOnCallback(KVRplugin& plugin, std::uint32_t uMsg, std::uint32_t dwParam,
                                      std::uint32_t cbData, void* lpData);
    virtual void PluginStarted(KVRplugin& plugin);
    virtual void PluginStopped(KVRplugin& plugin);
    virtual void DoOnDisableChanged() { Fire(OnDisableChanged); }
    virtual void DoOnMinimizeChanged() { Fire(OnMinimizeChanged); }
    virtual void DoOnVisibleChanged() { Fire(OnVisibleChanged); }
    virtual void DoOnResumeScanner() { Fire(OnResumeScanner); }
    virtual std::int32_t DoOnMemoryEvent(std::uint32_t msg, std::uint32_t param, void* entry);
    virtual std::int32_t DoOnMemoryFileEvent(std::uint32_t msg, std::uint32_t size, void* name);
    virtual std::int32_t DoOnGetSettings(std::uint32_t dwParam, std::uint32_t cbData, void* lpData);
    // Serves one callback of a plug-in of this host (null or not running: kNotHandled).
    virtual std::int32_t kvrCallback(KVRplugin* plugin, std::uint32_t uMsg, std::uint32_t dwParam,
                                     std::uint32_t cbData, void* lpData);
    // The base handling of a callback, after OnCallback answered `answer`.
    std::int32_t ServeCallback(KVRplugin& plugin, std::uint32_t uMsg, std::uint32_t dwParam,
                               std::uint32_t cbData, void* lpData, std::int32_t answer);
    void Fire(const plat::comp::TNotifyEvent& e) {
        if (e) e(this);
    }
    KVRplugin* FindLoaded(const std::string& name) const;
    // The name a plug-in passes in a buffer, at most `size` bytes and up to its first zero.
    static std::string NameFrom(const void* data, std::uint32_t size);

private:
    void ScanFolder(const std::string& folder);
    KVRplugin* FindRunning(std::int32_t instance) const;
    void RemoveRunning(KVRplugin* plugin);
    void BroadcastPluginEvent(std::uint32_t code, KVRplugin& plugin);
    std::int32_t Enumerate(std::uint32_t cbData, void* lpData);
    std::int32_t CallbackStart(const std::string& name);
    static void ProcessPendingMessages();

    std::vector<std::unique_ptr<KVRplugin>> loaded_; // sorted by name
    std::vector<KVRplugin*> running_; // start order; changed under the registry lock
    KVRplugin* starting_ = nullptr;   // the plug-in inside its start export; under the registry lock
    std::string serverId_;
    std::uint32_t disabled_ = 0;
    bool minimized_ = false;
    bool visible_ = true;
    std::uint32_t receiverHandle_ = 0;
    bool stopping_ = false;
};

} // namespace lxq
