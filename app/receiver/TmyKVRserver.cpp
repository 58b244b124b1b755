#include "app/receiver/TmyKVRserver.h"

namespace lxq {

TmyKVRserver::TmyKVRserver(plat::comp::TComponent* owner) : TmyCustomKVRserver(owner) {}

TmyKVRserver::~TmyKVRserver() {
    BeginDestroy();
    StopAll();
    Unhook(); // the receiver must not call a host that is gone
}

void TmyKVRserver::Unhook() {
    if (!receiver_) return;
    receiver_->FPluginNotify = nullptr;
    receiver_->RemoveFreeNotification(this);
    receiver_ = nullptr;
}

void TmyKVRserver::SetReceiver(TmyReceiver* receiver) {
    if (receiver_) {
        StopAll();
        Unhook();
    }
    receiver_ = receiver;
    if (!receiver_) return;
    receiver_->FreeNotification(this);
    receiver_->FPluginNotify = [this](std::int32_t code, std::uint32_t dwParam, std::int32_t cbData,
                                      void* lpData) { NotifyPlugins(code, dwParam, lpData, cbData); };
}

void TmyKVRserver::Notification(plat::comp::TComponent* component, plat::comp::TOperation operation) {
    TmyCustomKVRserver::Notification(component, operation);
    if (operation == plat::comp::TOperation::opRemove && component == receiver_) {
        // The receiver is going: plug-ins that call back while they stop must not reach it.
        receiver_ = nullptr;
        StopAll();
    }
}

void TmyKVRserver::NotifyPlugins(std::int32_t code, std::uint32_t dwParam, void* lpData,
                                 std::int32_t cbData) {
    switch (code) {
    case kNotifyReceiverClosing:
        if (receiver_) {
            StopAll();
            Unhook();
        }
        return;
    case kNotifyReceiverOpened:
        if (receiver_) {
            SetReceiverHandle(dwParam);
            Fire(OnCapabilities);
        }
        return;
    case kNotifyCapabilitiesChanged: {
        const void* caps = GetRadioDevCaps();
        std::uint32_t size = 0;
        if (caps) size = static_cast<const RADIODEVCAPS*>(caps)->totalSize;
        Broadcast(kvr::kNotifyCapabilities, 0, const_cast<void*>(caps), size);
        Fire(OnCapabilities);
        return;
    }
    default:
        Broadcast(static_cast<std::uint32_t>(code), dwParam, lpData, static_cast<std::uint32_t>(cbData));
    }
}

const void* TmyKVRserver::GetRadioDevCaps() {
    return receiver_ ? static_cast<const void*>(receiver_->RadioDevCaps().Header()) : nullptr;
}

void TmyKVRserver::SetRadioDevCaps(const void* caps, std::uint32_t available) {
    if (receiver_) receiver_->SetRadioDevCaps(caps, available);
}

std::int32_t TmyKVRserver::kvrCallback(KVRplugin* plugin, std::uint32_t uMsg, std::uint32_t dwParam,
                                       std::uint32_t cbData, void* lpData) {
    if (!plugin || !plugin->Running()) return kvr::kNotHandled;
    DoOnCallback(*plugin, uMsg, dwParam, cbData, lpData);
    if (receiver_ && (uMsg == 0 || (uMsg >= kvr::kCbReceiverFirst && uMsg <= kvr::kCbReceiverLast))) {
        const std::int32_t answer = receiver_->NotifyReceiver(uMsg, dwParam, cbData, lpData);
        // Resuming the scanner lies among the receiver's codes, but the scanner is the owner's:
        // without this a plug-in could never resume it while a receiver is bound.
        if (uMsg == kvr::kCbResumeScanner) DoOnResumeScanner();
        return answer;
    }
    // The base handling raises OnCallback once more and answers as the base host does.
    return TmyCustomKVRserver::kvrCallback(plugin, uMsg, dwParam, cbData, lpData);
}

std::int32_t TmyKVRserver::DoOnGetSettings(std::uint32_t dwParam, std::uint32_t cbData, void* lpData) {
    if (dwParam == kvr::kQueryPower ||
        (dwParam >= kvr::kQueryReceiverFirst && dwParam <= kvr::kQueryReceiverLast))
        return receiver_ ? receiver_->GetSettings(dwParam, cbData, lpData) : kvr::kNotHandled;
    return TmyCustomKVRserver::DoOnGetSettings(dwParam, cbData, lpData);
}

} // namespace lxq
