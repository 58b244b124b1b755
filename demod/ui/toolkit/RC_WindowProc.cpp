// The window procedure of the toolkit's class and the message handling of a window with its own
// system window.

#include "demod/ui/toolkit/RC_Window.h"
#include "platform/win/Win.h"

namespace win = plat::win;

win::LResult RC_WindowProc(win::Hwnd hwnd, std::uint32_t msg, win::WParam wParam, win::LParam lParam) {
    auto* window = reinterpret_cast<RC_Window*>(win::GetWindowLongPtr(hwnd, win::GWLP_USERDATA));
    if (msg == win::WM_CREATE || window == nullptr) return win::DefWindowProc(hwnd, msg, wParam, lParam);
    if (msg == win::WM_CLOSE) {
        if (window->AcceptClose()) delete window;
        return 0;
    }
    return window->HandleMessage(msg, wParam, lParam);
}

win::LResult RC_Window::DefaultAnswer(std::uint32_t msg, win::WParam wParam, win::LParam lParam) {
    return win::DefWindowProc(hwnd_, msg, wParam, lParam);
}

win::LResult RC_Window::HandleMessage(std::uint32_t msg, win::WParam wParam, win::LParam lParam) {
    switch (msg) {
    case win::WM_MOVE:
        x_ = win::GetXParam(lParam);
        y_ = win::GetYParam(lParam);
        return DefaultAnswer(msg, wParam, lParam);
    case win::WM_SIZE:
        if (wParam == win::SIZE_MINIMIZED) {
            OrState(kMinimised);
        } else {
            AndState(~kMinimised);
        }
        Move(x_, y_, win::LoWord(static_cast<std::uintptr_t>(lParam)), win::HiWord(static_cast<std::uintptr_t>(lParam)), true);
        return 0;
    case win::WM_SETFOCUS:
    case win::WM_KILLFOCUS: {
        RC_Window* target = focusWindow_ != nullptr ? focusWindow_ : this;
        target->SetFocused(msg == win::WM_SETFOCUS ? 1 : 0);
        return 0;
    }
    case win::WM_ACTIVATE:
    case win::WM_ENABLE:
    case win::WM_ACTIVATEAPP:
    case win::WM_CHILDACTIVATE:
    case win::WM_GETMINMAXINFO:
    case win::WM_WINDOWPOSCHANGING:
    case win::WM_STYLECHANGING:
    case win::WM_STYLECHANGED:
    case win::WM_NCCALCSIZE:
    case win::WM_NCPAINT:
    case win::WM_NCMOUSEMOVE:
    case win::WM_ENTERSIZEMOVE:
    case win::WM_EXITSIZEMOVE:
        return 0;
    case win::WM_PAINT: {
        win::PaintStruct ps;
        plat::gdi::DC* dc = win::BeginPaint(hwnd_, &ps);
        if (dc != nullptr && (State() & kClosing) == 0 && ShownChain()) Paint(*dc);
        win::EndPaint(hwnd_, &ps);
        return 0;
    }
    case win::WM_QUERYOPEN:
    case win::WM_ERASEBKGND:
    case win::WM_SETCURSOR:
    case win::WM_MOUSEACTIVATE:
    case win::WM_NCACTIVATE:
    case win::WM_MOVING:
        return 1;
    case win::WM_SHOWWINDOW:
        if (lParam == win::SW_PARENTCLOSING) {
            Show(win::SW_MINIMIZE);
            return 0;
        }
        if (lParam == win::SW_PARENTOPENING) {
            Show(win::SW_SHOW);
            return 0;
        }
        return DefaultAnswer(msg, wParam, lParam);
    case win::WM_CANCELMODE:
        if (capture_ != nullptr) capture_->ClearStateFlags(kCapture);
        ClearStateFlags(kCapture);
        return 0;
    case win::WM_NCHITTEST:
        return HitTest(lParam);
    case win::WM_KEYDOWN:
    case win::WM_KEYUP:
    case win::WM_CHAR: {
        const int kind = msg == win::WM_KEYDOWN ? kKeyDown : msg == win::WM_KEYUP ? kKeyUp : kChar;
        const auto key = static_cast<std::uint32_t>(wParam);
        if (focusWindow_ != nullptr && focusWindow_ != this && focusWindow_->KeyEvent(kind, key) != 0) return 0;
        if (KeyEvent(kind, key) != 0) return 0;
        return DefaultAnswer(msg, wParam, lParam);
    }
    case win::WM_SYSCOMMAND:
        switch (wParam & 0xFFF0u) {
        case win::SC_MINIMIZE: Show(win::SW_MINIMIZE); return 0;
        case win::SC_MAXIMIZE: Show(win::SW_MAXIMIZE); return 0;
        case win::SC_RESTORE: Show(win::SW_RESTORE); return 0;
        default: return DefaultAnswer(msg, wParam, lParam);
        }
    case win::WM_MOUSEMOVE:
    case win::WM_LBUTTONDOWN:
    case win::WM_LBUTTONUP:
    case win::WM_LBUTTONDBLCLK:
    case win::WM_MBUTTONDOWN:
    case win::WM_MBUTTONUP:
    case win::WM_MBUTTONDBLCLK:
    case win::WM_RBUTTONDOWN:
    case win::WM_RBUTTONUP:
    case win::WM_RBUTTONDBLCLK: {
        if (msg == win::WM_LBUTTONDBLCLK && (State() & kMinimised) != 0) {
            Show(win::SW_RESTORE);
            return 0;
        }
        static constexpr int kKinds[] = {kMouseMove, kLeftDown, kLeftUp, kLeftDouble, kRightDown, kRightUp,
                                         kRightDouble, kMiddleDown, kMiddleUp, kMiddleDouble};
        RouteMouse(kKinds[msg - win::WM_MOUSEMOVE], static_cast<std::uint32_t>(wParam), win::GetXParam(lParam),
                   win::GetYParam(lParam));
        return 0;
    }
    case win::WM_SIZING: {
        auto* rect = reinterpret_cast<plat::gdi::Rect*>(lParam);
        if (rect != nullptr) {
            ClampSizing(wParam, *rect);
            Move(x_, y_, rect->right - rect->left, rect->bottom - rect->top, true);
        }
        return DefaultAnswer(msg, wParam, lParam);
    }
    case win::WM_CAPTURECHANGED:
        // Another system window took the mouse: whoever held it here holds it no more.
        if (static_cast<win::Hwnd>(lParam) == hwnd_) return 0;
        if (capture_ != nullptr && capture_ != this) capture_->AndState(~kCapture);
        capture_ = nullptr;
        AndState(~kCapture);
        return 0;
    case kMsgEnable:
        win::EnableWindow(hwnd_, wParam != 0);
        InvalidateTree();
        return 0;
    default:
        return DefaultAnswer(msg, wParam, lParam);
    }
}
