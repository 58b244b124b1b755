#include "app/forms/SystemMessageBoxes.h"

#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "platform/components/HiddenWindow.h"
#include "platform/components/TMessageForm.h"
#include "platform/sys/MessageBox.h"
#include "platform/win/MessageApi.h"
#include "platform/win/WindowApi.h"

namespace lxq {
namespace {

constexpr std::uint32_t kShowQueuedBox = 0x8000 + 0x145; // WM_APP + 0x145

struct QueuedBox {
    std::string text;
    std::string caption;
    std::uint32_t style;
};

std::thread::id g_uiThread;
plat::win::Hwnd g_window = 0;
std::mutex g_lock;
std::deque<QueuedBox> g_queued;

// Boxes raised on other threads (the demodulator's sound-card thread) are shown on the user
// interface's thread; the thread that raised one goes on with the box's default answer, as it
// would without a user interface, instead of waiting for a thread that may be waiting for it.
void ShowQueued(plat::comp::TMessage& message) {
    if (message.Msg != kShowQueuedBox) {
        message.Result = plat::win::DefWindowProc(g_window, message.Msg, message.WParam, message.LParam);
        return;
    }
    for (;;) {
        QueuedBox box;
        {
            std::lock_guard hold(g_lock);
            if (g_queued.empty()) return;
            box = std::move(g_queued.front());
            g_queued.pop_front();
        }
        plat::comp::MessageBox(box.text, box.caption, box.style & ~std::uint32_t{0xF});
    }
}

int DefaultAnswer(std::uint32_t style) {
    return (style & 0xF) == plat::sys::kMbYesNo ? plat::sys::kIdYes : plat::sys::kIdOk;
}

int ShowOnUiThread(std::uint32_t, std::string_view text, std::string_view caption, std::uint32_t style) {
    if (std::this_thread::get_id() == g_uiThread)
        return plat::comp::MessageBox(std::string(text), std::string(caption), style);
    {
        std::lock_guard hold(g_lock);
        g_queued.push_back({std::string(text), std::string(caption), style});
    }
    if (g_window != 0) plat::win::PostMessage(g_window, kShowQueuedBox, 0, 0);
    return DefaultAnswer(style);
}

} // namespace

void InstallSystemMessageBoxes() {
    g_uiThread = std::this_thread::get_id();
    if (g_window == 0) g_window = plat::comp::AllocateHWnd(&ShowQueued);
    plat::sys::SetMessageBoxHook(&ShowOnUiThread);
}

} // namespace lxq
