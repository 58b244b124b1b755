// Keyboard focus, activation and mouse capture.

#include "platform/win/InputApi.h"
#include "platform/win/MessageApi.h"
#include "platform/win/Styles.h"
#include "platform/win/WindowApi.h"
#include "platform/win/WindowInternals.h"
#include "platform/win/WindowSystem.h"

namespace plat::win {
namespace {
// Makes a top-level window the active one; with takeFocus the keyboard goes to it too unless the
// focus is inside it already (SetFocus activates without: it places the focus itself).
Hwnd Activate(Hwnd hwnd, bool takeFocus);
} // namespace

Hwnd SetFocus(Hwnd hwnd) {
    auto& ws = WindowSystem::Instance();
    Hwnd top = 0;
    {
        std::lock_guard lock(ws.Mutex());
        if (hwnd != 0) {
            auto w = ws.Windows().Find(hwnd);
            if (!w || w->messageOnly || !ws.IsEnabledLocked(*w)) return 0;
            top = ws.TopLevelOfLocked(hwnd);
        }
        if (ws.Input().focus == hwnd) return hwnd;
    }
    if (top != 0 && GetActiveWindow() != top) Activate(top, false);
    Hwnd old;
    {
        std::lock_guard lock(ws.Mutex());
        if (hwnd != 0 && !ws.Windows().Find(hwnd)) return 0;
        old = ws.Input().focus;
        if (old == hwnd) return old; // activation already put the focus here
        ws.Input().focus = hwnd;
    }
    if (old != 0) SendMessage(old, WM_KILLFOCUS, hwnd, 0);
    if (hwnd != 0 && GetFocus() == hwnd) SendMessage(hwnd, WM_SETFOCUS, old, 0);
    return old;
}

Hwnd GetFocus() {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    return ws.Input().focus;
}

Hwnd SetActiveWindow(Hwnd hwnd) { return Activate(hwnd, true); }

namespace {

Hwnd Activate(Hwnd hwnd, bool takeFocus) {
    auto& ws = WindowSystem::Instance();
    Hwnd old;
    {
        std::lock_guard lock(ws.Mutex());
        if (hwnd != 0) {
            auto w = ws.Windows().Find(hwnd);
            if (!w || w->parent || w->messageOnly) return 0;
        }
        old = ws.Input().active;
        if (old == hwnd) return old;
        ws.Input().active = hwnd;
    }
    if (old != 0 && IsWindow(old)) {
        SendMessage(old, WM_NCACTIVATE, 0, 0);
        SendMessage(old, WM_ACTIVATE, WA_INACTIVE, static_cast<LParam>(hwnd));
    }
    if (hwnd != 0) {
        BringToTop(hwnd);
        SendMessage(hwnd, WM_NCACTIVATE, 1, 0);
        SendMessage(hwnd, WM_ACTIVATE, WA_ACTIVE, static_cast<LParam>(old));
        // The keyboard follows the activation: a focus left in another window would take the
        // keys meant for this one.
        const Hwnd focus = GetFocus();
        if (takeFocus && GetActiveWindow() == hwnd && (focus == 0 || GetAncestor(focus, GA_ROOT) != hwnd))
            SetFocus(hwnd);
    }
    return old;
}

} // namespace

void ActivateNextAfter(Hwnd gone) {
    auto& ws = WindowSystem::Instance();
    Hwnd next = 0;
    {
        std::lock_guard lock(ws.Mutex());
        auto g = ws.Windows().Find(gone);
        if (!g || ws.Input().active != 0) return;
        auto takes = [&](Hwnd h) {
            auto w = ws.Windows().Find(h);
            return h != gone && w && !w->parent && !w->messageOnly && !w->destroying && w->thread == g->thread &&
                   ws.IsVisibleLocked(*w) && ws.IsEnabledLocked(*w) && !(w->style & WS_MINIMIZE) &&
                   !(w->exStyle & WS_EX_TOOLWINDOW);
        };
        if (takes(g->owner)) {
            next = g->owner;
        } else {
            const std::vector<Hwnd>& order = ws.TopLevels();
            for (auto it = order.rbegin(); it != order.rend() && next == 0; ++it)
                if (takes(*it)) next = *it;
        }
    }
    if (next != 0) SetActiveWindow(next);
}

Hwnd GetActiveWindow() {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    return ws.Input().active;
}

Hwnd SetCapture(Hwnd hwnd) {
    auto& ws = WindowSystem::Instance();
    Hwnd old;
    {
        std::lock_guard lock(ws.Mutex());
        if (!ws.Windows().Find(hwnd)) return 0;
        old = ws.Input().capture;
        ws.Input().capture = hwnd;
    }
    if (old != 0 && old != hwnd) SendMessage(old, WM_CAPTURECHANGED, 0, static_cast<LParam>(hwnd));
    return old;
}

bool ReleaseCapture() {
    auto& ws = WindowSystem::Instance();
    Hwnd old;
    {
        std::lock_guard lock(ws.Mutex());
        old = ws.Input().capture;
        ws.Input().capture = 0;
    }
    if (old != 0) SendMessage(old, WM_CAPTURECHANGED, 0, 0);
    return true;
}

Hwnd GetCapture() {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    return ws.Input().capture;
}

void DropInputOf(Hwnd hwnd, bool withDescendants) {
    auto& ws = WindowSystem::Instance();
    Hwnd lostFocus = 0;
    Hwnd lostCapture = 0;
    {
        std::lock_guard lock(ws.Mutex());
        auto& in = ws.Input();
        auto affected = [&](Hwnd h) {
            return h != 0 && (h == hwnd || (withDescendants && ws.IsDescendantLocked(hwnd, h)));
        };
        if (affected(in.focus)) {
            lostFocus = in.focus;
            in.focus = 0;
        }
        if (affected(in.capture)) {
            lostCapture = in.capture;
            in.capture = 0;
        }
        if (in.active == hwnd) in.active = 0;
        for (Hwnd* held : {&in.lastPressWindow, &in.mouseOver, &in.leaveTracked})
            if (affected(*held)) *held = 0;
    }
    // A window that is being destroyed is not told any more.
    auto alive = [&](Hwnd h) {
        auto w = ws.Find(h);
        return w && !w->destroying;
    };
    if (lostCapture && alive(lostCapture)) SendMessage(lostCapture, WM_CAPTURECHANGED, 0, 0);
    if (lostFocus && alive(lostFocus)) SendMessage(lostFocus, WM_KILLFOCUS, 0, 0);
}

} // namespace plat::win
