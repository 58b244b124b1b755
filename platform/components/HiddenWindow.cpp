#include "platform/components/HiddenWindow.h"

#include "platform/win/WindowApi.h"

namespace plat::comp {
namespace {

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
    auto* held = new TWindowMethod(std::move(method));
    const win::Hwnd hwnd = win::CreateMessageWindow(&Dispatch, reinterpret_cast<win::LParam>(held));
    if (hwnd == 0) delete held;
    return hwnd;
}

void DeallocateHWnd(win::Hwnd hwnd) {
    if (!win::IsWindow(hwnd)) return;
    auto* held = reinterpret_cast<TWindowMethod*>(win::GetWindowLongPtr(hwnd, win::GWLP_USERDATA));
    win::SetWindowLongPtr(hwnd, win::GWLP_USERDATA, 0);
    win::DestroyWindow(hwnd);
    delete held;
}

} // namespace plat::comp
