#include <mutex>

#include "platform/win/ClipboardApi.h"
#include "platform/win/MessageApi.h"

namespace plat::win {
namespace {

struct Clipboard {
    std::mutex mutex;
    bool open = false;
    Hwnd opener = 0;
    std::uint32_t openerThread = 0;
    Hwnd owner = 0;
    std::optional<std::string> text;
};

Clipboard& TheClipboard() {
    static Clipboard* clipboard = new Clipboard();
    return *clipboard;
}

// Open by the calling thread (a clipboard opened with no window belongs to its thread).
bool OpenHere(const Clipboard& c) { return c.open && c.openerThread == GetCurrentThreadId(); }

} // namespace

bool OpenClipboard(Hwnd hwnd) {
    auto& c = TheClipboard();
    std::lock_guard lock(c.mutex);
    if (c.open && !(OpenHere(c) && c.opener == hwnd)) return false;
    c.open = true;
    c.opener = hwnd;
    c.openerThread = GetCurrentThreadId();
    return true;
}

bool CloseClipboard() {
    auto& c = TheClipboard();
    std::lock_guard lock(c.mutex);
    if (!OpenHere(c)) return false;
    c.open = false;
    return true;
}

bool EmptyClipboard() {
    auto& c = TheClipboard();
    std::lock_guard lock(c.mutex);
    if (!OpenHere(c)) return false;
    c.text.reset();
    c.owner = c.opener;
    return true;
}

bool SetClipboardText(const std::string& text) {
    auto& c = TheClipboard();
    std::lock_guard lock(c.mutex);
    if (!OpenHere(c)) return false;
    c.text = text;
    return true;
}

std::optional<std::string> GetClipboardText() {
    auto& c = TheClipboard();
    std::lock_guard lock(c.mutex);
    return c.text;
}

bool IsClipboardFormatAvailable(std::uint32_t format) {
    auto& c = TheClipboard();
    std::lock_guard lock(c.mutex);
    return (format == CF_TEXT || format == CF_UNICODETEXT) && c.text.has_value();
}

Hwnd GetClipboardOwner() {
    auto& c = TheClipboard();
    std::lock_guard lock(c.mutex);
    return c.owner;
}

} // namespace plat::win
