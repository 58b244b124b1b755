#include "platform/components/HiddenWindow.h"

#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/win/WindowApi.h"

namespace plat::comp {
namespace {

// The handlers of the hidden windows, owned here rather than through the window's user data:
// a thread that ends takes its windows with it without a word to them, and the handler of a
// window that lives as long as the process (the program's message-box window, the application's
// hint timer) would then be held by nothing at all. A handler goes with DeallocateHWnd, whether
// or not its window is still there. Never destroyed: a window may be deallocated while the
// process exits.
struct Handlers {
    std::mutex mutex;
    std::unordered_map<win::Hwnd, std::unique_ptr<TWindowMethod>> byWindow;
};

Handlers& TheHandlers() {
    static Handlers* handlers = new Handlers();
    return *handlers;
}

win::LResult Dispatch(win::Hwnd hwnd, std::uint32_t msg, win::WParam wParam, win::LParam lParam) {
    auto* method = reinterpret_cast<TWindowMethod*>(win::GetWindowLongPtr(hwnd, win::GWLP_USERDATA));
    if (!method || !*method) return win::DefWindowProc(hwnd, msg, wParam, lParam);
    TMessage m{msg, wParam, lParam, 0};
    // A copy: the handler may deallocate its own window.
    TWindowMethod call = *method;
    call(m);
    return m.Result;
}

} // namespace

win::Hwnd AllocateHWnd(TWindowMethod method) {
    auto held = std::make_unique<TWindowMethod>(std::move(method));
    const win::Hwnd hwnd = win::CreateMessageWindow(&Dispatch, reinterpret_cast<win::LParam>(held.get()));
    if (hwnd == 0) return 0;
    Handlers& handlers = TheHandlers();
    std::lock_guard lock(handlers.mutex);
    handlers.byWindow[hwnd] = std::move(held);
    return hwnd;
}

void DeallocateHWnd(win::Hwnd hwnd) {
    std::unique_ptr<TWindowMethod> held;
    {
        Handlers& handlers = TheHandlers();
        std::lock_guard lock(handlers.mutex);
        const auto it = handlers.byWindow.find(hwnd);
        if (it == handlers.byWindow.end()) return;
        held = std::move(it->second);
        handlers.byWindow.erase(it);
    }
    if (win::IsWindow(hwnd)) {
        win::SetWindowLongPtr(hwnd, win::GWLP_USERDATA, 0);
        win::DestroyWindow(hwnd);
    }
}

} // namespace plat::comp
