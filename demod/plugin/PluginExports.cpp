// The plug-in's four exports, the only symbols the shared object shows. No exception leaves them.

#include "demod/dsp/RC_Heap.h"
#include "demod/dsp/RC_Runtime.h"
#include "demod/ui/DemodInstances.h"
#include "demod/audio/RC_AudioMixer.h"
#include "demod/ui/DemodWindow.h"
#include "demod/ui/KvrCodes.h"
#include "demod/ui/toolkit/RC_MessageBox.h"
#include "demod/ui/toolkit/RC_Window.h"

#include <algorithm>
#include <cstring>

#define KVR_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr std::size_t kCapsManufacturer = 12;
constexpr std::size_t kCapsProduct = 44;
constexpr const char* kManufacturer = "Talvenor Communications";

bool FromOurMaker(const void* caps) {
    if (caps == nullptr) return false;
    const char* text = static_cast<const char*>(caps) + kCapsManufacturer;
    return strnlen(text, 32) == std::strlen(kManufacturer) && std::strcmp(text, kManufacturer) == 0;
}

} // namespace

KVR_EXPORT std::uint32_t kvrPluginInit(std::uint32_t, const char*, char* name, std::uint32_t nameSize) {
    try {
        RC_InitRuntime();
        if (name != nullptr && nameSize > 0) {
            const std::size_t n = std::min<std::size_t>(std::strlen(kDemodPluginName), nameSize - 1);
            std::memcpy(name, kDemodPluginName, n);
            name[n] = '\0';
        }
        return kDemodTypeWord;
    } catch (...) {
        return 0;
    }
}

KVR_EXPORT std::int32_t kvrPluginStart(std::uint32_t receiver, void* caps, HostCallback callback, std::uint32_t* mask) {
    try {
        if (!FromOurMaker(caps)) {
            RC_ShowError("KVR Fatal Error", "The plug-in can't be used with the current receiver!");
            return -1;
        }
        const auto kind = DemodWindow::InterfaceOf(static_cast<const char*>(caps) + kCapsProduct);
        // The host answers the instance's first requests with notifications while it is built;
        // they are kept for it until it is listed. A start that fails drops them.
        struct StartScope {
            ~StartScope() { DemodInstances::AbandonStart(); }
        } scope;
        DemodInstances::BeginStart(receiver);
        auto* window = new DemodWindow(receiver, caps, callback, mask, kind);
        if (!window->Started()) {
            delete window;
            return -1;
        }
        if (!DemodInstances::FinishStart(window)) {
            // Unlisted, the instance would never hear from the host again: the start fails.
            window->Stop();
            delete window;
            return -1;
        }
        return static_cast<std::int32_t>(window->Handle());
    } catch (...) {
        return -1;
    }
}

KVR_EXPORT std::int32_t kvrPluginNotify(std::uint32_t receiver, std::uint32_t code, std::uint32_t dwParam,
                                        std::uint32_t cbData, void* lpData) {
    try {
        DemodInstances::Dispatch(receiver, code, dwParam, cbData, lpData);
    } catch (...) {
    }
    return 0;
}

KVR_EXPORT void kvrPluginDone() {
    try {
        // Instances the host did not close would keep windows whose code is about to be unmapped.
        DemodInstances::DestroyAll();
        // The class's procedure is about to be unmapped; a later load registers its own.
        RC_Window::ReleaseClass();
        RC_AudioMixer::ReleaseClass();
    } catch (...) {
    }
}
