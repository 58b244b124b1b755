// The default handling of messages that a window procedure passes on.

#include <algorithm>
#include <cstring>

#include "platform/win/CursorApi.h"
#include "platform/win/InputApi.h"
#include "platform/win/MessageApi.h"
#include "platform/win/PaintApi.h"
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

// Where a screen point falls in a window: client area, caption, resizing border or plain border.
LResult HitTest(Hwnd hwnd, Point screen) {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    auto w = ws.Windows().Find(hwnd);
    if (!w) return HTNOWHERE;
    const Rect window = ws.ScreenRectLocked(*w);
    if (!window.Contains(screen)) return HTNOWHERE;
    const Point p{screen.x - window.left, screen.y - window.top};
    if (w->client.Contains(p)) return HTCLIENT;
    if ((w->style & WS_THICKFRAME) && !(w->style & WS_MAXIMIZE)) {
        const std::int32_t frame = std::max(FrameWidth(w->style, w->exStyle), 4);
        const bool left = p.x < frame;
        const bool right = p.x >= window.Width() - frame;
        const bool top = p.y < frame;
        const bool bottom = p.y >= window.Height() - frame;
        if (top && left) return HTTOPLEFT;
        if (top && right) return HTTOPRIGHT;
        if (bottom && left) return HTBOTTOMLEFT;
        if (bottom && right) return HTBOTTOMRIGHT;
        if (left) return HTLEFT;
        if (right) return HTRIGHT;
        if (top) return HTTOP;
        if (bottom) return HTBOTTOM;
    }
    if ((w->style & WS_CAPTION) == WS_CAPTION && p.y < w->client.top) return HTCAPTION;
    return HTBORDER;
}

// The standard frames: a black line for a border, a sunken edge for a client edge, a raised grey
// frame for a sizing border.
void PaintStandardFrame(Hwnd hwnd) {
    auto& ws = WindowSystem::Instance();
    std::uint32_t style;
    std::uint32_t exStyle;
    Rect rect;
    {
        std::lock_guard lock(ws.Mutex());
        auto w = ws.Windows().Find(hwnd);
        if (!w) return;
        style = w->style;
        exStyle = w->exStyle;
        rect = {0, 0, w->rect.Width(), w->rect.Height()};
    }
    if (FrameWidth(style, exStyle) == 0) return;
    gdi::DC* dc = GetWindowDC(hwnd);
    if (!dc) return;
    auto ring = [&](gdi::ColorRef topLeft, gdi::ColorRef bottomRight) {
        dc->FillRect({rect.left, rect.top, rect.right, rect.top + 1}, gdi::Brush::Solid(topLeft));
        dc->FillRect({rect.left, rect.top, rect.left + 1, rect.bottom}, gdi::Brush::Solid(topLeft));
        dc->FillRect({rect.left, rect.bottom - 1, rect.right, rect.bottom}, gdi::Brush::Solid(bottomRight));
        dc->FillRect({rect.right - 1, rect.top, rect.right, rect.bottom}, gdi::Brush::Solid(bottomRight));
        rect = rect.Inflate(-1, -1);
    };
    if (style & WS_THICKFRAME) {
        ring(0xC0C0C0, 0x404040);
        ring(0xFFFFFF, 0x808080);
        ring(0xC0C0C0, 0xC0C0C0);
        ring(0xC0C0C0, 0xC0C0C0);
    } else if (style & WS_DLGFRAME) {
        ring(0xC0C0C0, 0x404040);
        ring(0xFFFFFF, 0x808080);
        ring(0xC0C0C0, 0xC0C0C0);
    } else if (style & WS_BORDER) {
        ring(0x000000, 0x000000);
    }
    if (exStyle & WS_EX_CLIENTEDGE) {
        ring(0x808080, 0xFFFFFF);
        ring(0x404040, 0xC0C0C0);
    }
    if (exStyle & WS_EX_STATICEDGE) ring(0x808080, 0xFFFFFF);
    ReleaseDC(hwnd, dc);
}

std::uint32_t SizingCursor(LResult hit) {
    switch (hit) {
    case HTLEFT: case HTRIGHT: return IDC_SIZEWE;
    case HTTOP: case HTBOTTOM: return IDC_SIZENS;
    case HTTOPLEFT: case HTBOTTOMRIGHT: return IDC_SIZENWSE;
    case HTTOPRIGHT: case HTBOTTOMLEFT: return IDC_SIZENESW;
    default: return IDC_ARROW;
    }
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
        return HitTest(hwnd, {GetXParam(lParam), GetYParam(lParam)});
    case WM_WINDOWPOSCHANGED: {
        const auto* pos = reinterpret_cast<const WindowPos*>(lParam);
        if (!pos) return 0;
        Rect client;
        GetClientRect(hwnd, &client);
        if (!(pos->flags & SWP_NOMOVE)) {
            Point origin;
            ClientToScreen(hwnd, &origin);
            if (const Hwnd parent = GetAncestor(hwnd, GA_PARENT)) ScreenToClient(parent, &origin);
            SendMessage(hwnd, WM_MOVE, 0, MakeLParam(origin.x, origin.y));
        }
        if (!(pos->flags & SWP_NOSIZE)) {
            const WParam kind = IsIconic(hwnd) ? SIZE_MINIMIZED : IsZoomed(hwnd) ? SIZE_MAXIMIZED : SIZE_RESTORED;
            SendMessage(hwnd, WM_SIZE, kind, MakeLParam(client.Width(), client.Height()));
        }
        return 0;
    }
    case WM_SHOWWINDOW: {
        // Owned windows follow their owner to and from the task bar.
        bool changed = false;
        {
            std::lock_guard lock(ws.Mutex());
            auto w = ws.Windows().Find(hwnd);
            if (!w) return 0;
            if (lParam == SW_PARENTCLOSING && (w->style & WS_VISIBLE)) {
                w->style &= ~WS_VISIBLE;
                w->hiddenWithOwner = true;
                changed = !w->parent;
            } else if (lParam == SW_PARENTOPENING && w->hiddenWithOwner) {
                w->style |= WS_VISIBLE;
                w->hiddenWithOwner = false;
                changed = !w->parent;
            }
        }
        // The screen too: a window hidden with its owner is no longer mapped.
        if (changed) ws.GetBackend().TopLevelChanged(hwnd);
        return 0;
    }
    case WM_ACTIVATE:
        if (LoWord(wParam) != WA_INACTIVE && !IsIconic(hwnd)) {
            const Hwnd focus = GetFocus();
            if (focus == 0 || !(focus == hwnd || IsChild(hwnd, focus))) SetFocus(hwnd);
        }
        return 0;
    case WM_MOUSEACTIVATE:
        if (const Hwnd parent = GetAncestor(hwnd, GA_PARENT)) {
            const LResult answer = SendMessage(parent, WM_MOUSEACTIVATE, wParam, lParam);
            if (answer != 0) return answer;
        }
        return MA_ACTIVATE;
    case WM_SETCURSOR: {
        if (const Hwnd parent = GetAncestor(hwnd, GA_PARENT)) {
            if (SendMessage(parent, WM_SETCURSOR, wParam, lParam)) return 1;
        }
        const auto hit = static_cast<std::int16_t>(LoWord(static_cast<std::uintptr_t>(lParam)));
        if (hit == HTCLIENT) {
            std::uint32_t cursor = 0;
            {
                std::lock_guard lock(ws.Mutex());
                if (auto w = ws.Windows().Find(hwnd)) cursor = w->classCursor;
            }
            if (cursor != 0) SetCursor(cursor);
            return 0;
        }
        SetCursor(LoadCursor(SizingCursor(hit)));
        return 0;
    }
    case WM_MOUSEWHEEL:
        if (const Hwnd parent = GetAncestor(hwnd, GA_PARENT)) return SendMessage(parent, msg, wParam, lParam);
        return 0;
    case WM_CANCELMODE:
        if (GetCapture() == hwnd) ReleaseCapture();
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0u) {
        case SC_MINIMIZE: ShowWindow(hwnd, SW_MINIMIZE); return 0;
        case SC_MAXIMIZE: ShowWindow(hwnd, SW_MAXIMIZE); return 0;
        case SC_RESTORE: ShowWindow(hwnd, SW_RESTORE); return 0;
        case SC_CLOSE: SendMessage(GetAncestor(hwnd, GA_ROOT), WM_CLOSE, 0, 0); return 0;
        default: return 0;
        }
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4 && (static_cast<std::uintptr_t>(lParam) & (1u << 29)))
            SendMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_PAINT: {
        PaintStruct ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND: {
        // wParam is the context; the class background is a colour + 1 (0: none).
        auto* dc = reinterpret_cast<gdi::DC*>(wParam);
        std::uint32_t background = 0;
        Rect client;
        {
            std::lock_guard lock(ws.Mutex());
            auto w = ws.Windows().Find(hwnd);
            if (!w) return 0;
            background = w->classBackground;
            client = {0, 0, w->client.Width(), w->client.Height()};
        }
        if (!dc || background == 0) return 0;
        dc->FillRect(client, gdi::Brush::Solid(background - 1));
        return 1;
    }
    case WM_NCPAINT:
        PaintStandardFrame(hwnd);
        return 0;
    case WM_SETICON:
    case WM_GETICON: {
        // Answers the icon that was there before (WM_SETICON) or is there (WM_GETICON).
        std::lock_guard lock(ws.Mutex());
        auto w = ws.Windows().Find(hwnd);
        if (!w) return 0;
        LParam& slot = wParam == ICON_BIG ? w->bigIcon : w->smallIcon;
        const LParam previous = slot;
        if (msg == WM_SETICON) slot = lParam;
        return previous;
    }
    case WM_SETTEXT: {
        bool topLevel;
        {
            std::lock_guard lock(ws.Mutex());
            auto w = ws.Windows().Find(hwnd);
            if (!w) return 0;
            const char* text = reinterpret_cast<const char*>(lParam);
            w->text = text ? text : "";
            topLevel = !w->parent && !w->messageOnly;
        }
        // A top-level window's caption shows on the desktop.
        if (topLevel) ws.GetBackend().TopLevelChanged(hwnd);
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
