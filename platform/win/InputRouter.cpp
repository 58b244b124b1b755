// Mouse and keyboard input: from a screen event to the message of the window that should get it.

#include <algorithm>
#include <cstdlib>

#include "platform/sys/Clock.h"
#include "platform/win/InputApi.h"
#include "platform/win/MessageApi.h"
#include "platform/win/WindowApi.h"
#include "platform/win/WindowInternals.h"
#include "platform/win/WindowSystem.h"

namespace plat::win {
namespace {

bool Down(const InputState& in, std::uint32_t vk) { return (in.asyncKeys[vk & 0xFF] & 0x80) != 0; }

void SetKey(std::uint8_t* keys, std::uint32_t vk, bool down) {
    std::uint8_t& key = keys[vk & 0xFF];
    if (down && !(key & 0x80)) key ^= 0x01; // each new press flips the toggle
    key = static_cast<std::uint8_t>(down ? (key | 0x80) : (key & ~0x80));
}

WParam MouseKeyState(const InputState& in) {
    WParam state = 0;
    if (Down(in, VK_LBUTTON)) state |= MK_LBUTTON;
    if (Down(in, VK_RBUTTON)) state |= MK_RBUTTON;
    if (Down(in, VK_MBUTTON)) state |= MK_MBUTTON;
    if (Down(in, VK_SHIFT)) state |= MK_SHIFT;
    if (Down(in, VK_CONTROL)) state |= MK_CONTROL;
    return state;
}

// Where a mouse event goes: the capturing window, else the window under the pointer.
struct MouseTarget {
    Hwnd hwnd = 0;
    bool captured = false;
};

MouseTarget FindMouseTarget(Point screen) {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    if (ws.Input().capture && ws.Windows().Find(ws.Input().capture)) return {ws.Input().capture, true};
    return {ws.WindowFromPointLocked(screen), false};
}

bool TopLevelEnabled(Hwnd hwnd) {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    auto top = ws.Windows().Find(ws.TopLevelOfLocked(hwnd));
    return top && ws.IsEnabledLocked(*top);
}

// The mouse now goes to `hwnd` (0: nowhere of ours): a window that asked to hear of the mouse
// leaving it is told once.
void NoteMouseOver(Hwnd hwnd, bool inClient) {
    auto& ws = WindowSystem::Instance();
    Hwnd left = 0;
    {
        std::lock_guard lock(ws.Mutex());
        auto& in = ws.Input();
        in.mouseOver = inClient ? hwnd : 0;
        if (in.leaveTracked != 0 && in.leaveTracked != in.mouseOver) {
            left = in.leaveTracked;
            in.leaveTracked = 0;
        }
    }
    if (left) PostMessage(left, WM_MOUSELEAVE, 0, 0);
}

void PostMouse(Hwnd hwnd, bool captured, std::uint32_t clientMsg, Point screen, WParam extra = 0) {
    auto& ws = WindowSystem::Instance();
    const LResult hit = captured ? HTCLIENT : SendMessage(hwnd, WM_NCHITTEST, 0, MakeLParam(screen.x, screen.y));
    if (clientMsg != WM_MOUSEWHEEL) {
        Point local = screen;
        ScreenToClient(hwnd, &local);
        Rect client;
        GetClientRect(hwnd, &client);
        // Under capture the mouse is over the capturing window only while inside it.
        NoteMouseOver(hwnd, captured ? client.Contains(local) : hit == HTCLIENT);
    }
    if (hit == HTNOWHERE || hit == HTERROR) return;
    if (!captured) SendMessage(hwnd, WM_SETCURSOR, hwnd, MakeLParam(static_cast<std::int32_t>(hit), clientMsg));
    WParam keyState;
    {
        std::lock_guard lock(ws.Mutex());
        keyState = MouseKeyState(ws.Input());
    }
    if (hit == HTCLIENT || clientMsg == WM_MOUSEWHEEL) {
        Point p = screen;
        if (clientMsg != WM_MOUSEWHEEL) ScreenToClient(hwnd, &p);
        PostMessage(hwnd, clientMsg, keyState | extra, MakeLParam(p.x, p.y));
    } else {
        PostMessage(hwnd, clientMsg - WM_MOUSEMOVE + WM_NCMOUSEMOVE, static_cast<WParam>(hit),
                    MakeLParam(screen.x, screen.y));
    }
}

// A press on an inactive top-level window activates it, unless the window says otherwise.
// Answers false when the press is to be swallowed.
bool ActivateOnPress(Hwnd hwnd, std::uint32_t msg, Point screen) {
    Hwnd top = GetAncestor(hwnd, GA_ROOT);
    if (top == 0 || GetActiveWindow() == top) return true;
    const LResult hit = SendMessage(hwnd, WM_NCHITTEST, 0, MakeLParam(screen.x, screen.y));
    const LResult answer =
        SendMessage(hwnd, WM_MOUSEACTIVATE, top, MakeLParam(static_cast<std::int32_t>(hit), static_cast<std::int32_t>(msg)));
    if (answer != MA_NOACTIVATE && answer != MA_NOACTIVATEANDEAT) SetActiveWindow(top);
    return answer != MA_ACTIVATEANDEAT && answer != MA_NOACTIVATEANDEAT;
}

std::uint32_t ButtonVk(MouseButton b) {
    switch (b) {
    case MouseButton::Left: return VK_LBUTTON;
    case MouseButton::Right: return VK_RBUTTON;
    case MouseButton::Middle: return VK_MBUTTON;
    }
    return VK_LBUTTON;
}

std::uint32_t ButtonMessage(MouseButton b, bool down) {
    switch (b) {
    case MouseButton::Left: return down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    case MouseButton::Right: return down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    case MouseButton::Middle: return down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
    }
    return WM_LBUTTONDOWN;
}

// The point brought inside the ClipCursor rectangle, while there is one. Called under the lock.
Point Clipped(const InputState& in, Point p) {
    if (!in.clipped) return p;
    return {std::clamp(p.x, in.clip.left, in.clip.right - 1), std::clamp(p.y, in.clip.top, in.clip.bottom - 1)};
}

} // namespace

void InjectMouseMove(Point screen) {
    auto& ws = WindowSystem::Instance();
    {
        std::lock_guard lock(ws.Mutex());
        screen = Clipped(ws.Input(), screen);
        ws.Input().cursorPos = screen;
    }
    const MouseTarget target = FindMouseTarget(screen);
    if (target.hwnd == 0 || (!target.captured && !TopLevelEnabled(target.hwnd))) {
        NoteMouseOver(0, false);
        return;
    }
    PostMouse(target.hwnd, target.captured, WM_MOUSEMOVE, screen);
}

void InjectMouseLeave() {
    // A window holding the capture keeps the mouse: its moves tell where the pointer is.
    if (GetCapture() != 0) return;
    NoteMouseOver(0, false);
}

bool TrackMouseLeave(Hwnd hwnd) {
    auto& ws = WindowSystem::Instance();
    bool alreadyOut;
    {
        std::lock_guard lock(ws.Mutex());
        if (!ws.Windows().Find(hwnd)) return false;
        alreadyOut = ws.Input().mouseOver != hwnd;
        if (!alreadyOut) ws.Input().leaveTracked = hwnd;
    }
    // Asked while the mouse is elsewhere already: the leave is due at once.
    if (alreadyOut) PostMessage(hwnd, WM_MOUSELEAVE, 0, 0);
    return true;
}

Hwnd GetMouseOverWindow() {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    return ws.Input().mouseOver;
}

void InjectMouseButton(Point screen, MouseButton button, bool down) {
    auto& ws = WindowSystem::Instance();
    {
        std::lock_guard lock(ws.Mutex());
        screen = Clipped(ws.Input(), screen);
        ws.Input().cursorPos = screen;
        SetKey(ws.Input().asyncKeys, ButtonVk(button), down);
    }
    const MouseTarget target = FindMouseTarget(screen);
    if (target.hwnd == 0) return;
    // A disabled top-level window (the owner of a modal dialog) takes no clicks.
    if (!target.captured && !TopLevelEnabled(target.hwnd)) return;
    std::uint32_t msg = ButtonMessage(button, down);
    if (down) {
        if (!target.captured && !ActivateOnPress(target.hwnd, msg, screen)) return;
        if (!IsWindow(target.hwnd)) return;
        const sys::Nanoseconds now = sys::ActiveClock().Now();
        std::lock_guard lock(ws.Mutex());
        auto& in = ws.Input();
        auto w = ws.Windows().Find(target.hwnd);
        const bool wantsDouble = w && (w->classStyle & CS_DBLCLKS);
        // The second press must come within the double-click time and inside the double-click
        // rectangle centred on the first.
        const sys::Nanoseconds limit = sys::Nanoseconds{GetDoubleClickTime()} * sys::kNsPerMs;
        const bool isDouble = wantsDouble && in.lastPressWindow == target.hwnd && in.lastPressMessage == msg &&
                              now - in.lastPressTime <= limit &&
                              std::abs(screen.x - in.lastPressPos.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
                              std::abs(screen.y - in.lastPressPos.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
        if (isDouble) {
            msg += WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
            in.lastPressWindow = 0; // a third press starts a new pair
        } else {
            in.lastPressWindow = target.hwnd;
            in.lastPressMessage = msg;
            in.lastPressTime = now;
            in.lastPressPos = screen;
        }
    }
    PostMouse(target.hwnd, target.captured, msg, screen);
}

void InjectMouseWheel(Point screen, int delta) {
    // The wheel turns what is under the pointer (the capturing window while there is one), so a
    // field scrolls without being clicked first; over no window of ours that takes input, it
    // turns what has the focus, as keys do.
    auto& ws = WindowSystem::Instance();
    {
        std::lock_guard lock(ws.Mutex());
        screen = Clipped(ws.Input(), screen);
        ws.Input().cursorPos = screen;
    }
    const MouseTarget under = FindMouseTarget(screen);
    Hwnd target = under.hwnd != 0 && (under.captured || TopLevelEnabled(under.hwnd)) ? under.hwnd : 0;
    if (target == 0) target = GetFocus();
    if (target == 0) target = GetActiveWindow();
    if (target == 0) return;
    const WParam wheel = static_cast<WParam>(static_cast<std::uint16_t>(static_cast<std::int16_t>(delta))) << 16;
    PostMouse(target, true, WM_MOUSEWHEEL, screen, wheel);
}

void InjectKey(std::uint32_t vk, bool down) {
    auto& ws = WindowSystem::Instance();
    bool wasDown;
    bool alt;
    Hwnd target;
    {
        std::lock_guard lock(ws.Mutex());
        auto& in = ws.Input();
        wasDown = Down(in, vk);
        SetKey(in.asyncKeys, vk, down);
        alt = Down(in, VK_MENU);
        target = in.focus ? in.focus : in.active;
    }
    if (target == 0) return;
    const bool system = alt || vk == VK_F10 || vk == VK_MENU;
    const std::uint32_t msg = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    // Repeat count 1; bit 29 Alt held, bit 30 previous state, bit 31 released.
    std::uint32_t flags = 1;
    if (alt) flags |= 1u << 29;
    if (wasDown) flags |= 1u << 30;
    if (!down) flags |= 1u << 31;
    PostMessage(target, msg, vk, static_cast<LParam>(static_cast<std::int32_t>(flags)));
}

void RouteTakenMouseToCapture(Msg& msg) {
    const bool client = msg.message >= WM_MOUSEMOVE && msg.message <= WM_MBUTTONDBLCLK;
    const bool nonClient = msg.message >= WM_NCMOUSEMOVE && msg.message <= WM_NCMOUSEMOVE + (WM_MBUTTONDBLCLK - WM_MOUSEMOVE);
    if (!client && !nonClient) return;
    auto& ws = WindowSystem::Instance();
    Hwnd capture;
    WParam keyState;
    {
        std::lock_guard lock(ws.Mutex());
        capture = ws.Input().capture;
        if (capture == 0 || capture == msg.hwnd) return;
        auto w = ws.Windows().Find(capture);
        if (!w || w->thread != GetCurrentThreadId()) return;
        keyState = MouseKeyState(ws.Input());
    }
    // Made before the capture was set (the thread was busy while the user went on clicking): it
    // belongs to the capturing window now, in its client coordinates, as if made just now.
    Point p = msg.pt;
    ScreenToClient(capture, &p);
    if (nonClient) {
        msg.message = msg.message - WM_NCMOUSEMOVE + WM_MOUSEMOVE;
        msg.wParam = keyState;
    }
    // A double click pairs two presses on one window; the first went elsewhere.
    if (msg.message == WM_LBUTTONDBLCLK || msg.message == WM_RBUTTONDBLCLK || msg.message == WM_MBUTTONDBLCLK)
        msg.message -= WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
    msg.hwnd = capture;
    msg.lParam = MakeLParam(p.x, p.y);
}

void NoteInputMessageTaken(const Msg& msg) {
    std::uint32_t vk = 0;
    bool down = false;
    switch (msg.message) {
    case WM_KEYDOWN: case WM_SYSKEYDOWN: vk = static_cast<std::uint32_t>(msg.wParam); down = true; break;
    case WM_KEYUP: case WM_SYSKEYUP: vk = static_cast<std::uint32_t>(msg.wParam); break;
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: vk = VK_LBUTTON; down = true; break;
    case WM_LBUTTONUP: vk = VK_LBUTTON; break;
    case WM_RBUTTONDOWN: case WM_RBUTTONDBLCLK: vk = VK_RBUTTON; down = true; break;
    case WM_RBUTTONUP: vk = VK_RBUTTON; break;
    case WM_MBUTTONDOWN: case WM_MBUTTONDBLCLK: vk = VK_MBUTTON; down = true; break;
    case WM_MBUTTONUP: vk = VK_MBUTTON; break;
    default: return;
    }
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    SetKey(ws.Input().keys, vk, down);
}

namespace {

std::int16_t StateOf(std::uint8_t key) {
    return static_cast<std::int16_t>(((key & 0x80) ? 0x8000 : 0) | (key & 0x01));
}

} // namespace

std::int16_t GetKeyState(std::uint32_t vk) {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    return StateOf(ws.Input().keys[vk & 0xFF]);
}

std::int16_t GetAsyncKeyState(std::uint32_t vk) {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    return static_cast<std::int16_t>(StateOf(ws.Input().asyncKeys[vk & 0xFF]) & static_cast<std::int16_t>(0x8000));
}

bool GetCursorPos(Point* point) {
    if (!point) return false;
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    *point = ws.Input().cursorPos;
    return true;
}

bool SetCursorPos(std::int32_t x, std::int32_t y) {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    ws.Input().cursorPos = Clipped(ws.Input(), {x, y});
    return true;
}

bool ClipCursor(const Rect* rect) {
    if (rect && rect->IsEmpty()) return false;
    auto& ws = WindowSystem::Instance();
    {
        std::lock_guard lock(ws.Mutex());
        InputState& in = ws.Input();
        in.clipped = rect != nullptr;
        in.clip = rect ? *rect : Rect{};
        in.cursorPos = Clipped(in, in.cursorPos);
    }
    ws.GetBackend().ConfinePointer(rect);
    return true;
}

bool GetClipCursor(Rect* rect) {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    if (!ws.Input().clipped) return false;
    if (rect) *rect = ws.Input().clip;
    return true;
}

char32_t KeyToChar(std::uint32_t vk) {
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const bool control = GetKeyState(VK_CONTROL) < 0;
    const bool caps = (GetKeyState(VK_CAPITAL) & 1) != 0;
    if (vk >= 'A' && vk <= 'Z') {
        if (control) return vk - 'A' + 1;
        return (shift != caps) ? vk : vk - 'A' + 'a';
    }
    if (control) return 0;
    if (vk >= '0' && vk <= '9') return shift ? U")!@#$%^&*("[vk - '0'] : vk;
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return '0' + (vk - VK_NUMPAD0);
    switch (vk) {
    case VK_SPACE: return ' ';
    case VK_RETURN: return '\r';
    case VK_BACK: return '\b';
    case VK_TAB: return '\t';
    case VK_ESCAPE: return 0x1B;
    case VK_MULTIPLY: return '*';
    case VK_ADD: return '+';
    case VK_SUBTRACT: return '-';
    case VK_DECIMAL: return '.';
    case VK_DIVIDE: return '/';
    case VK_OEM_1: return shift ? ':' : ';';
    case VK_OEM_PLUS: return shift ? '+' : '=';
    case VK_OEM_COMMA: return shift ? '<' : ',';
    case VK_OEM_MINUS: return shift ? '_' : '-';
    case VK_OEM_PERIOD: return shift ? '>' : '.';
    case VK_OEM_2: return shift ? '?' : '/';
    case VK_OEM_3: return shift ? '~' : '`';
    case VK_OEM_4: return shift ? '{' : '[';
    case VK_OEM_5: return shift ? '|' : '\\';
    case VK_OEM_6: return shift ? '}' : ']';
    case VK_OEM_7: return shift ? '"' : '\'';
    default: return 0;
    }
}

bool TranslateMessage(const Msg& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    const char32_t ch = KeyToChar(static_cast<std::uint32_t>(msg.wParam));
    if (ch == 0) return false;
    Msg character = msg;
    character.message = msg.message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
    character.wParam = ch;
    // The character is the next message the thread takes, before any later key.
    return WindowSystem::Instance().CurrentQueue().PostFront(character);
}

} // namespace plat::win
