#pragma once
// The demodulator plug-in's own windows as a user meets them in the panel: found by their title
// among the program's top-level windows, clicked where their controls are, and looked at.

#include "platform/gdi/Bitmap.h"
#include "platform/win/InputApi.h"
#include "platform/win/MessageApi.h"
#include "platform/win/PaintApi.h"
#include "platform/win/Messages.h"
#include "platform/win/ScreenApi.h"
#include "platform/win/Styles.h"
#include "platform/win/WindowApi.h"

#include <memory>
#include <string>

namespace lxq::systemtest {

// The shown top-level window with this title, or 0.
inline plat::win::Hwnd WindowTitled(plat::win::Hwnd any, const std::string& title) {
    namespace win = plat::win;
    const win::Hwnd top = win::GetAncestor(any, win::GA_ROOT);
    for (win::Hwnd h = win::GetWindow(top, win::GW_HWNDFIRST); h != 0; h = win::GetWindow(h, win::GW_HWNDNEXT))
        if (win::IsWindowVisible(h) && win::GetWindowText(h) == title) return h;
    return 0;
}

// A left click at a point of the window's client area, as the pointer gives it: through the
// window system's input, which delivers it once the caller's message loop runs.
inline void ClickAt(plat::win::Hwnd hwnd, int x, int y) {
    namespace win = plat::win;
    win::Point at{x, y};
    win::ClientToScreen(hwnd, &at);
    win::InjectMouseMove(at);
    win::InjectMouseButton(at, win::MouseButton::Left, true);
    win::InjectMouseButton(at, win::MouseButton::Left, false);
}

// What the window shows once painted, in client coordinates (its frame cut away).
inline std::unique_ptr<plat::gdi::Bitmap> ClientPicture(plat::win::Hwnd hwnd) {
    namespace win = plat::win;
    win::UpdateWindow(hwnd);
    auto whole = win::CaptureWindow(hwnd);
    if (!whole) return nullptr;
    win::Rect window{}, client{};
    win::GetWindowRect(hwnd, &window);
    win::GetClientRect(hwnd, &client);
    win::Point origin{0, 0};
    win::ClientToScreen(hwnd, &origin);
    const int dx = origin.x - window.left, dy = origin.y - window.top;
    const int w = client.right - client.left, h = client.bottom - client.top;
    auto picture = plat::gdi::Bitmap::Create(w, h, 32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (x + dx < whole->Width() && y + dy < whole->Height()) picture->SetPixel(x, y, whole->GetPixel(x + dx, y + dy));
    return picture;
}

} // namespace lxq::systemtest
