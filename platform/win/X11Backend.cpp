#include "platform/win/X11Backend.h"

// Our headers first: Xlib defines macros (None, Bool, Status, KeyPress...) that must not reach them.
#include "platform/win/CaretApi.h"
#include "platform/win/CursorApi.h"
#include "platform/win/InputApi.h"
#include "platform/win/MessageApi.h"
#include "platform/win/PollWait.h"
#include "platform/win/WindowApi.h"
#include "platform/win/WindowSystem.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

namespace plat::win {

struct X11Backend::Impl {
    Display* display = nullptr;
    int screen = 0;
    ::Window root = 0;
    Visual* visual = nullptr;
    int depth = 0;
    GC gc = nullptr;
    Atom deleteWindow = 0;
    Atom protocols = 0;
    std::recursive_mutex mutex;
    std::map<std::uint32_t, ::Window> windows; // top-level handle -> X window
    std::map<::Window, std::uint32_t> handles;
    std::map<std::uint32_t, Cursor> cursors;    // our cursor handle -> X cursor
    std::map<std::uint32_t, Rect> dirty;        // surface areas not shown yet, per top-level
    std::map<std::uint32_t, ::Window> transientFor; // the owner's X window each one was told of
    Hcursor shownCursor = 0;
    std::atomic<bool> applyingConfigure{false}; // a move that came from the desktop, not to be echoed
};

namespace {

std::uint32_t KeysymToVk(KeySym sym) {
    if (sym >= XK_a && sym <= XK_z) return static_cast<std::uint32_t>('A' + (sym - XK_a));
    if (sym >= XK_A && sym <= XK_Z) return static_cast<std::uint32_t>('A' + (sym - XK_A));
    if (sym >= XK_0 && sym <= XK_9) return static_cast<std::uint32_t>('0' + (sym - XK_0));
    if (sym >= XK_KP_0 && sym <= XK_KP_9) return VK_NUMPAD0 + static_cast<std::uint32_t>(sym - XK_KP_0);
    if (sym >= XK_F1 && sym <= XK_F12) return VK_F1 + static_cast<std::uint32_t>(sym - XK_F1);
    switch (sym) {
    case XK_Return: case XK_KP_Enter: return VK_RETURN;
    case XK_BackSpace: return VK_BACK;
    case XK_Tab: case XK_ISO_Left_Tab: return VK_TAB;
    case XK_Escape: return VK_ESCAPE;
    case XK_space: return VK_SPACE;
    case XK_Left: case XK_KP_Left: return VK_LEFT;
    case XK_Right: case XK_KP_Right: return VK_RIGHT;
    case XK_Up: case XK_KP_Up: return VK_UP;
    case XK_Down: case XK_KP_Down: return VK_DOWN;
    case XK_Home: case XK_KP_Home: return VK_HOME;
    case XK_End: case XK_KP_End: return VK_END;
    case XK_Prior: case XK_KP_Prior: return VK_PRIOR;
    case XK_Next: case XK_KP_Next: return VK_NEXT;
    case XK_Insert: case XK_KP_Insert: return VK_INSERT;
    case XK_Delete: case XK_KP_Delete: return VK_DELETE;
    case XK_Shift_L: case XK_Shift_R: return VK_SHIFT;
    case XK_Control_L: case XK_Control_R: return VK_CONTROL;
    case XK_Alt_L: case XK_Alt_R: case XK_Meta_L: case XK_Meta_R: return VK_MENU;
    case XK_Caps_Lock: return VK_CAPITAL;
    case XK_Num_Lock: return VK_NUMLOCK;
    case XK_KP_Decimal: return VK_DECIMAL;
    case XK_KP_Add: return VK_ADD;
    case XK_KP_Subtract: return VK_SUBTRACT;
    case XK_KP_Multiply: return VK_MULTIPLY;
    case XK_KP_Divide: return VK_DIVIDE;
    case XK_semicolon: return VK_OEM_1;
    case XK_equal: return VK_OEM_PLUS;
    case XK_comma: return VK_OEM_COMMA;
    case XK_minus: return VK_OEM_MINUS;
    case XK_period: return VK_OEM_PERIOD;
    case XK_slash: return VK_OEM_2;
    case XK_grave: return VK_OEM_3;
    case XK_bracketleft: return VK_OEM_4;
    case XK_backslash: return VK_OEM_5;
    case XK_bracketright: return VK_OEM_6;
    case XK_apostrophe: return VK_OEM_7;
    default: return 0;
    }
}

unsigned StandardCursorShape(std::uint32_t id) {
    switch (id) {
    case IDC_IBEAM: return XC_xterm;
    case IDC_WAIT: case IDC_APPSTARTING: return XC_watch;
    case IDC_CROSS: return XC_crosshair;
    case IDC_UPARROW: return XC_sb_up_arrow;
    case IDC_SIZENWSE: return XC_bottom_right_corner;
    case IDC_SIZENESW: return XC_bottom_left_corner;
    case IDC_SIZEWE: return XC_sb_h_double_arrow;
    case IDC_SIZENS: return XC_sb_v_double_arrow;
    case IDC_SIZEALL: return XC_fleur;
    case IDC_NO: return XC_X_cursor;
    case IDC_HAND: return XC_hand2;
    case IDC_HELP: return XC_question_arrow;
    default: return XC_left_ptr;
    }
}

// AND/XOR masks (rows of 16-bit words, most significant bit first) to X bitmaps (rows of bytes,
// least significant bit first): shown where AND is 0 or XOR is 1, white where only XOR is 1.
Cursor MakeMaskCursor(X11Backend::Impl& x, const CursorImage& shape) {
    const int srcStride = (shape.width + 15) / 16 * 2;
    const int dstStride = (shape.width + 7) / 8;
    std::vector<char> source(static_cast<std::size_t>(dstStride * shape.height), 0);
    std::vector<char> mask(source.size(), 0);
    for (int y = 0; y < shape.height; ++y) {
        for (int px = 0; px < shape.width; ++px) {
            const std::size_t si = static_cast<std::size_t>(y * srcStride + px / 8);
            const int bit = 7 - px % 8;
            const bool andBit = (shape.andMask[si] >> bit) & 1;
            const bool xorBit = (shape.xorMask[si] >> bit) & 1;
            const std::size_t di = static_cast<std::size_t>(y * dstStride + px / 8);
            if (!andBit || xorBit) mask[di] = static_cast<char>(mask[di] | (1 << (px % 8)));
            if (!andBit && xorBit) source[di] = static_cast<char>(source[di] | (1 << (px % 8)));
        }
    }
    Pixmap src = XCreateBitmapFromData(x.display, x.root, source.data(), static_cast<unsigned>(shape.width),
                                       static_cast<unsigned>(shape.height));
    Pixmap msk = XCreateBitmapFromData(x.display, x.root, mask.data(), static_cast<unsigned>(shape.width),
                                       static_cast<unsigned>(shape.height));
    XColor white{};
    XColor black{};
    white.red = white.green = white.blue = 0xFFFF;
    white.flags = black.flags = DoRed | DoGreen | DoBlue;
    Cursor cursor = XCreatePixmapCursor(x.display, src, msk, &white, &black, static_cast<unsigned>(shape.hotX),
                                        static_cast<unsigned>(shape.hotY));
    XFreePixmap(x.display, src);
    XFreePixmap(x.display, msk);
    return cursor;
}

Cursor XCursorFor(X11Backend::Impl& x, Hcursor handle) {
    auto it = x.cursors.find(handle);
    if (it != x.cursors.end()) return it->second;
    CursorImage shape;
    if (!GetCursorImage(handle, &shape)) return 0;
    const Cursor made = shape.standardId != 0 ? XCreateFontCursor(x.display, StandardCursorShape(shape.standardId))
                                              : MakeMaskCursor(x, shape);
    x.cursors[handle] = made;
    return made;
}

// The cursor the window system wants shown, on every X window of ours.
void FollowCursor(X11Backend::Impl& x) {
    const Hcursor wanted = GetCursor();
    if (wanted == x.shownCursor) return;
    x.shownCursor = wanted;
    const Cursor cursor = wanted ? XCursorFor(x, wanted) : 0;
    for (const auto& [handle, xw] : x.windows) XDefineCursor(x.display, xw, cursor);
}

// Shows an area of a top-level window's surface (empty: all of it) with the caret over it. The
// caret is inverted on the screen only, never in the surface, so an area that touches the caret
// is widened to hold all of it before the inversion.
void Present(X11Backend::Impl& x, std::uint32_t top, Rect area = {}) {
    auto surface = WindowSystem::Instance().Surfaces().Find(top);
    auto it = x.windows.find(top);
    if (!surface || it == x.windows.end() || surface->BitsPerPixel() != 32) return;
    if (area.IsEmpty()) area = surface->Bounds();

    const CaretState caret = GetCaretState();
    Rect caretArea;
    if (caret.visible && GetAncestor(caret.hwnd, GA_ROOT) == top) {
        Point origin;
        ClientToScreen(caret.hwnd, &origin);
        Rect topRect;
        GetWindowRect(top, &topRect);
        caretArea = caret.rect.Offset(origin.x - topRect.left, origin.y - topRect.top);
        if (!caretArea.Intersect(area).IsEmpty()) area = area.Union(caretArea);
        else caretArea = {};
    }
    area = area.Intersect(surface->Bounds());
    if (area.IsEmpty()) return;

    XImage* image = XCreateImage(x.display, x.visual, static_cast<unsigned>(x.depth), ZPixmap, 0,
                                 reinterpret_cast<char*>(surface->Bits()), static_cast<unsigned>(surface->Width()),
                                 static_cast<unsigned>(surface->Height()), 32, surface->Pitch());
    if (!image) return;
    image->byte_order = LSBFirst; // the surface holds blue, green, red, unused in memory
    XPutImage(x.display, it->second, x.gc, image, area.left, area.top, area.left, area.top,
              static_cast<unsigned>(area.Width()), static_cast<unsigned>(area.Height()));
    image->data = nullptr; // the pixels belong to the surface
    XDestroyImage(image);
    if (caretArea.IsEmpty()) return;
    XGCValues values{};
    values.function = GXinvert;
    GC invert = XCreateGC(x.display, it->second, GCFunction, &values);
    XFillRectangle(x.display, it->second, invert, caretArea.left, caretArea.top,
                   static_cast<unsigned>(caretArea.Width()), static_cast<unsigned>(caretArea.Height()));
    XFreeGC(x.display, invert);
}

// Shows what was collected since the last flush.
void FlushDirty(X11Backend::Impl& x) {
    std::map<std::uint32_t, Rect> dirty;
    dirty.swap(x.dirty);
    for (const auto& [top, area] : dirty) Present(x, top, area);
    XFlush(x.display);
}

void HandleEvent(X11Backend::Impl& x, XEvent& ev) {
    std::uint32_t hwnd = 0;
    {
        std::lock_guard lock(x.mutex);
        auto it = x.handles.find(ev.xany.window);
        if (it == x.handles.end()) return;
        hwnd = it->second;
    }
    switch (ev.type) {
    case Expose:
        if (ev.xexpose.count == 0) {
            std::lock_guard lock(x.mutex);
            Present(x, hwnd);
        }
        break;
    case ConfigureNotify: {
        int rootX = 0;
        int rootY = 0;
        ::Window child = 0;
        {
            std::lock_guard lock(x.mutex);
            XTranslateCoordinates(x.display, ev.xconfigure.window, x.root, 0, 0, &rootX, &rootY, &child);
        }
        Rect now;
        GetWindowRect(hwnd, &now);
        if (now.left != rootX || now.top != rootY || now.Width() != ev.xconfigure.width ||
            now.Height() != ev.xconfigure.height) {
            // Not under the back end's lock: the window system calls back into the back end.
            x.applyingConfigure = true;
            SetWindowPos(hwnd, 0, rootX, rootY, ev.xconfigure.width, ev.xconfigure.height, SWP_NOZORDER | SWP_NOACTIVATE);
            x.applyingConfigure = false;
        }
        break;
    }
    case ButtonPress:
    case ButtonRelease: {
        const Point at{ev.xbutton.x_root, ev.xbutton.y_root};
        const bool down = ev.type == ButtonPress;
        switch (ev.xbutton.button) {
        case Button1: InjectMouseButton(at, MouseButton::Left, down); break;
        case Button2: InjectMouseButton(at, MouseButton::Middle, down); break;
        case Button3: InjectMouseButton(at, MouseButton::Right, down); break;
        case Button4: if (down) InjectMouseWheel(at, WHEEL_DELTA); break;
        case Button5: if (down) InjectMouseWheel(at, -WHEEL_DELTA); break;
        default: break;
        }
        break;
    }
    case MotionNotify: {
        // The grab keeps the pointer in the window; within it, a pointer that left the clip
        // rectangle is put back at the nearest point inside.
        const Point at{ev.xmotion.x_root, ev.xmotion.y_root};
        Rect clip;
        if (GetClipCursor(&clip) && !clip.Contains(at)) {
            const int cx = std::clamp(at.x, clip.left, clip.right - 1);
            const int cy = std::clamp(at.y, clip.top, clip.bottom - 1);
            XWarpPointer(x.display, None, x.root, 0, 0, 0, 0, cx, cy);
        }
        InjectMouseMove(at);
        break;
    }
    case EnterNotify:
    case LeaveNotify:
        // The pointer came in from, or went straight out to, the desktop or a window that is not
        // ours: no motion in our windows tells of that. Crossings made by a grab starting or ending
        // are no move.
        if (ev.xcrossing.mode != NotifyNormal || ev.xcrossing.detail == NotifyInferior) break;
        if (ev.type == EnterNotify) InjectMouseMove({ev.xcrossing.x_root, ev.xcrossing.y_root});
        else InjectMouseLeave();
        break;
    case KeyPress:
    case KeyRelease: {
        // Held keys repeat as presses only (detectable auto-repeat), which become WM_KEYDOWN
        // with the previous-state bit set.
        const std::uint32_t vk = KeysymToVk(XLookupKeysym(&ev.xkey, 0));
        if (vk) InjectKey(vk, ev.type == KeyPress);
        break;
    }
    case FocusIn:
        SetActiveWindow(hwnd);
        break;
    case ClientMessage:
        if (static_cast<Atom>(ev.xclient.data.l[0]) == x.deleteWindow) PostMessage(hwnd, WM_CLOSE, 0, 0);
        break;
    default:
        break;
    }
}

} // namespace

std::unique_ptr<X11Backend> X11Backend::Open(const std::string& displayName, std::string* error) {
    XInitThreads();
    auto impl = std::make_unique<Impl>();
    impl->display = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (!impl->display) {
        if (error) *error = "cannot open the X display \"" + displayName + "\"";
        return nullptr;
    }
    impl->screen = DefaultScreen(impl->display);
    impl->root = RootWindow(impl->display, impl->screen);
    impl->visual = DefaultVisual(impl->display, impl->screen);
    impl->depth = DefaultDepth(impl->display, impl->screen);
    if (impl->depth < 24 || impl->visual->red_mask != 0xFF0000 || impl->visual->blue_mask != 0xFF) {
        if (error) *error = "the X display is not a 24-bit true-colour display";
        XCloseDisplay(impl->display);
        return nullptr;
    }
    impl->gc = DefaultGC(impl->display, impl->screen);
    XkbSetDetectableAutoRepeat(impl->display, True, nullptr);
    impl->deleteWindow = XInternAtom(impl->display, "WM_DELETE_WINDOW", False);
    impl->protocols = XInternAtom(impl->display, "WM_PROTOCOLS", False);
    WindowSystem::Instance().SetScreenSize(
        {DisplayWidth(impl->display, impl->screen), DisplayHeight(impl->display, impl->screen)});
    return std::unique_ptr<X11Backend>(new X11Backend(std::move(impl)));
}

X11Backend::X11Backend(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

X11Backend::~X11Backend() {
    std::lock_guard lock(impl_->mutex);
    for (const auto& [handle, xw] : impl_->windows) XDestroyWindow(impl_->display, xw);
    for (const auto& [handle, cursor] : impl_->cursors) XFreeCursor(impl_->display, cursor);
    XCloseDisplay(impl_->display);
}

bool X11Backend::Wait(int wakeFd, sys::Nanoseconds timeout) {
    {
        std::lock_guard lock(impl_->mutex);
        FlushDirty(*impl_);
        if (XPending(impl_->display) > 0) return true;
    }
    pollfd fds[2] = {{wakeFd, POLLIN, 0}, {ConnectionNumber(impl_->display), POLLIN, 0}};
    return PollWait(fds, 2, timeout);
}

void X11Backend::Pump() {
    for (;;) {
        XEvent ev;
        {
            std::lock_guard lock(impl_->mutex);
            FollowCursor(*impl_);
            if (XPending(impl_->display) == 0) {
                FlushDirty(*impl_);
                return;
            }
            XNextEvent(impl_->display, &ev);
        }
        HandleEvent(*impl_, ev);
    }
}

void X11Backend::SurfaceChanged(std::uint32_t topLevel, const gdi::Rect& area) {
    std::lock_guard lock(impl_->mutex);
    auto [it, fresh] = impl_->dirty.try_emplace(topLevel, area);
    // An empty area stands for the whole surface and stays so.
    if (!fresh && !it->second.IsEmpty()) it->second = area.IsEmpty() ? Rect{} : it->second.Union(area);
}

void X11Backend::TopLevelChanged(std::uint32_t topLevel) {
    Rect rect;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    Hwnd owner = 0;
    std::string title;
    {
        auto& ws = WindowSystem::Instance();
        std::lock_guard lock(ws.Mutex());
        auto w = ws.Windows().Find(topLevel);
        if (!w || w->parent || w->messageOnly) return;
        rect = w->rect;
        style = w->style;
        exStyle = w->exStyle;
        // The owner's top-level window: an owner embedded in another window has no X window.
        owner = w->owner ? ws.TopLevelOfLocked(w->owner) : 0;
        title = w->text;
    }
    std::lock_guard lock(impl_->mutex);
    Display* d = impl_->display;
    auto it = impl_->windows.find(topLevel);
    ::Window xw;
    if (it == impl_->windows.end()) {
        XSetWindowAttributes attrs{};
        // Popups without a caption (menus, hints, the plug-in's own framed windows) are placed
        // exactly where asked and left undecorated.
        attrs.override_redirect = ((style & WS_POPUP) && (style & WS_CAPTION) != WS_CAPTION) ? True : False;
        attrs.background_pixel = WhitePixel(d, impl_->screen);
        attrs.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                           KeyReleaseMask | StructureNotifyMask | FocusChangeMask | EnterWindowMask | LeaveWindowMask;
        xw = XCreateWindow(d, impl_->root, rect.left, rect.top, static_cast<unsigned>(std::max(rect.Width(), 1)),
                           static_cast<unsigned>(std::max(rect.Height(), 1)), 0, impl_->depth, InputOutput,
                           impl_->visual, CWOverrideRedirect | CWBackPixel | CWEventMask, &attrs);
        XSetWMProtocols(d, xw, &impl_->deleteWindow, 1);
        if (impl_->shownCursor) XDefineCursor(d, xw, XCursorFor(*impl_, impl_->shownCursor));
        impl_->windows[topLevel] = xw;
        impl_->handles[xw] = topLevel;
    } else {
        xw = it->second;
    }
    // An owned window is transient for its owner: a window manager keeps it above the owner (and
    // without one, TopLevelRaised does). The hint follows an owner that changed or got its window.
    const auto ownerIt = owner ? impl_->windows.find(owner) : impl_->windows.end();
    const ::Window ownerWindow = ownerIt != impl_->windows.end() ? ownerIt->second : 0;
    if (auto told = impl_->transientFor.find(topLevel);
        told == impl_->transientFor.end() ? ownerWindow != 0 : told->second != ownerWindow) {
        if (ownerWindow) XSetTransientForHint(d, xw, ownerWindow);
        else XDeleteProperty(d, xw, XA_WM_TRANSIENT_FOR);
        impl_->transientFor[topLevel] = ownerWindow;
    }
    XStoreName(d, xw, title.c_str());
    if (!impl_->applyingConfigure)
        XMoveResizeWindow(d, xw, rect.left, rect.top, static_cast<unsigned>(std::max(rect.Width(), 1)),
                          static_cast<unsigned>(std::max(rect.Height(), 1)));
    if (!(style & WS_VISIBLE)) {
        XUnmapWindow(d, xw);
    } else if (style & WS_MINIMIZE) {
        XIconifyWindow(d, xw, impl_->screen);
    } else {
        XMapWindow(d, xw);
        if (exStyle & WS_EX_TOPMOST) XRaiseWindow(d, xw);
        Present(*impl_, topLevel);
    }
    XFlush(d);
}

void X11Backend::TopLevelRaised(std::uint32_t) {
    // Top first: the top-most group, then the others, each from the end of the list.
    std::vector<std::uint32_t> order;
    {
        auto& ws = WindowSystem::Instance();
        std::lock_guard lock(ws.Mutex());
        const std::vector<Hwnd>& levels = ws.TopLevels();
        for (bool topmost : {true, false})
            for (auto it = levels.rbegin(); it != levels.rend(); ++it)
                if (auto w = ws.Windows().Find(*it); w && ((w->exStyle & WS_EX_TOPMOST) != 0) == topmost)
                    order.push_back(*it);
    }
    std::lock_guard lock(impl_->mutex);
    std::vector<::Window> stack;
    for (std::uint32_t h : order)
        if (auto it = impl_->windows.find(h); it != impl_->windows.end()) stack.push_back(it->second);
    if (stack.empty()) return;
    XRaiseWindow(impl_->display, stack.front());
    if (stack.size() > 1) XRestackWindows(impl_->display, stack.data(), static_cast<int>(stack.size()));
    XFlush(impl_->display);
}

void X11Backend::ConfinePointer(const Rect* screen) {
    if (!screen) {
        std::lock_guard lock(impl_->mutex);
        XUngrabPointer(impl_->display, CurrentTime);
        XFlush(impl_->display);
        return;
    }
    // X confines a grabbed pointer to a whole window: the top-level that holds the rectangle.
    // The window system is asked for the places first, without this back end's lock.
    std::map<std::uint32_t, ::Window> windows;
    {
        std::lock_guard lock(impl_->mutex);
        windows = impl_->windows;
    }
    ::Window confineTo = 0;
    for (const auto& [handle, xw] : windows) {
        Rect window;
        if (GetWindowRect(handle, &window) && window.Contains({screen->left, screen->top})) confineTo = xw;
    }
    if (confineTo == 0) return;
    std::lock_guard lock(impl_->mutex);
    XGrabPointer(impl_->display, confineTo, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                 GrabModeAsync, GrabModeAsync, confineTo, None, CurrentTime);
    XFlush(impl_->display);
}

void X11Backend::TopLevelDestroyed(std::uint32_t topLevel) {
    std::lock_guard lock(impl_->mutex);
    auto it = impl_->windows.find(topLevel);
    if (it == impl_->windows.end()) return;
    impl_->handles.erase(it->second);
    impl_->dirty.erase(topLevel);
    impl_->transientFor.erase(topLevel);
    XDestroyWindow(impl_->display, it->second);
    impl_->windows.erase(it);
    XFlush(impl_->display);
}

} // namespace plat::win
