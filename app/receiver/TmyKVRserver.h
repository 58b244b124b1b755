#pragma once
// The plug-in host bound to a receiver component: receiver commands and setting queries of the
// plug-ins go to the receiver, the receiver's changes are broadcast to the plug-ins, and the
// receiver's capability block is what the plug-ins get.

#include "app/receiver/TmyCustomKVRserver.h"
#include "app/receiver/TmyReceiver.h"

namespace lxq {

class TmyKVRserver : public TmyCustomKVRserver {
public:
    explicit TmyKVRserver(plat::comp::TComponent* owner);
    ~TmyKVRserver() override;
    const char* ClassName() const override { return "TmyKVRserver"; }

    TmyReceiver* Receiver() const { return receiver_; }
    void SetReceiver(TmyReceiver* receiver);
    // The receiver's notification handler (hooked into its FPluginNotify).
    void NotifyPlugins(std::int32_t code, std::uint32_t dwParam, void* lpData, std::int32_t cbData);

    const void* GetRadioDevCaps() override;
    void SetRadioDevCaps(const void* caps, std::uint32_t available) override;

protected:
    std::int32_t kvrCallback(KVRplugin* plugin, std::uint32_t uMsg, std::uint32_t dwParam,
                             std::uint32_t cbData, void* lpData) override;
    std::int32_t DoOnGetSettings(std::uint32_t dwParam, std::uint32_t cbData, void* lpData) override;
    void Notification(plat::comp::TComponent* component, plat::comp::TOperation operation) override;

private:
    void Unhook();

    TmyReceiver* receiver_ = nullptr;
};

} // namespace lxq
