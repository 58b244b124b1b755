// The default handling of messages that a window procedure passes on.

#include <algorithm>
#include <cstring>

#include "platform/win/MessageApi.h"
#include "platform/win/WindowApi.h"
#include "platform/win/WindowSystem.h"

namespace plat::win {
namespace {

// Width of the frame drawn around the client area of a child or popup window. Top-level windows
// with a caption get their decoration from the desktop, so their client area is the whole window.
std::int32_t FrameWidth(std::uint32_t style, std::uint32_t exStyle) {
    const bool decoratedByDesktop = (style & (WS_CHILD | WS_POPUP)) == 0;
    if (decoratedByDesktop) return 0;
    std::int32_t width = 0;
    if (style & WS_THICKFRAME) width += 4;
    else if (style & WS_DLGFRAME) width += 3;
    else if (style & WS_BORDER) width += 1;
    if (exStyle & WS_EX_CLIENTEDGE) width += 2;
    if (exStyle & WS_EX_STATICEDGE) width += 1;
    return width;
}

} // namespace

LResult DefWindowProc(Hwnd hwnd, std::uint32_t msg, WParam wParam, LParam lParam) {
    auto& ws = WindowSystem::Instance();
    switch (msg) {
    case WM_NCCREATE: {
        const auto* cs = reinterpret_cast<const CreateStruct*>(lParam);
        if (cs && cs->name) {
            std::lock_guard lock(ws.Mutex());
            if (auto w = ws.Windows().Find(hwnd)) w->text = cs->name;
        }
        return 1;
    }
    case WM_NCCALCSIZE: {
        auto* rect = reinterpret_cast<Rect*>(lParam);
        if (!rect) return 0;
        std::int32_t frame = 0;
        {
            std::lock_guard lock(ws.Mutex());
            if (auto w = ws.Windows().Find(hwnd)) frame = FrameWidth(w->style, w->exStyle);
        }
        rect->left += frame;
        rect->top += frame;
        rect->right -= frame;
        rect->bottom -= frame;
        return 0;
    }
    case WM_NCHITTEST:
        return HTCLIENT;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_SETTEXT: {
        std::lock_guard lock(ws.Mutex());
        auto w = ws.Windows().Find(hwnd);
        if (!w) return 0;
        const char* text = reinterpret_cast<const char*>(lParam);
        w->text = text ? text : "";
        return 1;
    }
    case WM_GETTEXTLENGTH: {
        std::lock_guard lock(ws.Mutex());
        auto w = ws.Windows().Find(hwnd);
        return w ? static_cast<LResult>(w->text.size()) : 0;
    }
    case WM_GETTEXT: {
        // wParam is the buffer size including the terminating zero; the copy is cut to fit.
        char* buffer = reinterpret_cast<char*>(lParam);
        if (!buffer || wParam == 0) return 0;
        std::lock_guard lock(ws.Mutex());
        auto w = ws.Windows().Find(hwnd);
        if (!w) {
            buffer[0] = '\0';
            return 0;
        }
        const std::size_t n = std::min<std::size_t>(w->text.size(), wParam - 1);
        std::memcpy(buffer, w->text.data(), n);
        buffer[n] = '\0';
        return static_cast<LResult>(n);
    }
    default:
        return 0;
    }
}

} // namespace plat::win
