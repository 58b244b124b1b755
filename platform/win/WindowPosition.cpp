// Position, size, z-order, visibility and enabled state of windows, and coordinate mapping.

#include <algorithm>

#include "platform/win/InputApi.h"
#include "platform/win/MessageApi.h"
#include "platform/win/WindowApi.h"
#include "platform/win/WindowInternals.h"
#include "platform/win/WindowSystem.h"

namespace plat::win {
namespace {

// Places a window in its sibling list: the list runs from the bottom of the z-order to the top, and
// "after" a window means just below it.
void ReorderLocked(WindowSystem& ws, Window& w, Hwnd insertAfter) {
    std::vector<Hwnd>* siblings = &ws.TopLevels();
    if (w.parent) {
        auto parent = ws.Windows().Find(w.parent);
        if (!parent) return;
        siblings = &parent->children;
    }
    if (insertAfter == w.handle) return;
    std::erase(*siblings, w.handle);
    if (insertAfter == HWND_TOPMOST) w.exStyle |= WS_EX_TOPMOST;
    if (insertAfter == HWND_NOTOPMOST) w.exStyle &= ~WS_EX_TOPMOST;
    if (insertAfter == HWND_BOTTOM) {
        siblings->insert(siblings->begin(), w.handle);
        return;
    }
    auto at = std::find(siblings->begin(), siblings->end(), insertAfter);
    siblings->insert(at, w.handle); // end() for HWND_TOP, TOPMOST, NOTOPMOST and unknown handles
}

// Tells the owned windows that their owner goes to or comes back from the task bar.
void NotifyOwned(Hwnd owner, bool opening) {
    auto& ws = WindowSystem::Instance();
    std::vector<Hwnd> owned;
    {
        std::lock_guard lock(ws.Mutex());
        ws.Windows().ForEach([&](std::uint32_t h, const std::shared_ptr<Window>& w) {
            if (w->owner != owner) return;
            if (opening ? w->hiddenWithOwner : (w->style & WS_VISIBLE) != 0) owned.push_back(h);
        });
    }
    for (Hwnd h : owned)
        SendMessage(h, WM_SHOWWINDOW, opening ? 1 : 0, opening ? SW_PARENTOPENING : SW_PARENTCLOSING);
}

void SetStyleBits(Hwnd hwnd, std::uint32_t set, std::uint32_t clear) {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    if (auto w = ws.Windows().Find(hwnd)) w->style = (w->style & ~clear) | set;
}

// Shown: everything of it is to be painted, on a surface of the right size.
void ExposeLocked(WindowSystem& ws, Window& w) {
    if (!w.parent && !w.messageOnly) ws.Surfaces().Ensure(w.handle, {w.rect.Width(), w.rect.Height()});
    InvalidateTreeLocked(ws, w);
}

void TellBackend(Hwnd hwnd) {
    auto& ws = WindowSystem::Instance();
    Hwnd top;
    {
        std::lock_guard lock(ws.Mutex());
        top = ws.TopLevelOfLocked(hwnd);
    }
    if (top == hwnd) ws.GetBackend().TopLevelChanged(top);
}

// The top-level windows that `owner` owns, directly or through windows it owns, bottom first. A
// window owned by a child (a window embedded after it made its popups) belongs to the child's
// top-level window.
std::vector<Hwnd> OwnedWindowsLocked(WindowSystem& ws, Hwnd owner) {
    const std::vector<Hwnd>& order = ws.TopLevels();
    std::vector<Hwnd> tree{owner};
    std::vector<Hwnd> owned;
    for (bool grew = true; grew;) {
        grew = false;
        for (Hwnd h : order) {
            auto w = ws.Windows().Find(h);
            if (!w || w->owner == 0 || std::find(tree.begin(), tree.end(), h) != tree.end()) continue;
            if (std::find(tree.begin(), tree.end(), ws.TopLevelOfLocked(w->owner)) == tree.end()) continue;
            tree.push_back(h);
            grew = true;
        }
    }
    for (Hwnd h : order)
        if (h != owner && std::find(tree.begin(), tree.end(), h) != tree.end()) owned.push_back(h);
    return owned;
}

} // namespace

void BringToTop(Hwnd hwnd) {
    auto& ws = WindowSystem::Instance();
    {
        std::lock_guard lock(ws.Mutex());
        auto w = ws.Windows().Find(hwnd);
        if (!w || w->parent || w->messageOnly) return;
        const std::vector<Hwnd> owned = OwnedWindowsLocked(ws, hwnd);
        ReorderLocked(ws, *w, HWND_TOP);
        // The windows it owns stay above it, in their order.
        for (Hwnd h : owned)
            if (auto o = ws.Windows().Find(h)) ReorderLocked(ws, *o, HWND_TOP);
    }
    ws.GetBackend().TopLevelRaised(hwnd);
}

bool SetWindowPos(Hwnd hwnd, Hwnd insertAfter, std::int32_t x, std::int32_t y, std::int32_t cx,
                  std::int32_t cy, std::uint32_t flags) {
    auto& ws = WindowSystem::Instance();
    WindowPos pos{hwnd, insertAfter, x, y, cx, cy, flags};
    {
        std::lock_guard lock(ws.Mutex());
        auto w = ws.Windows().Find(hwnd);
        if (!w) return false;
        if (flags & SWP_NOMOVE) {
            pos.x = w->rect.left;
            pos.y = w->rect.top;
        }
        if (flags & SWP_NOSIZE) {
            pos.cx = w->rect.Width();
            pos.cy = w->rect.Height();
        }
    }
    SendMessage(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LParam>(&pos));
    bool moved;
    bool sized;
    {
        std::lock_guard lock(ws.Mutex());
        auto w = ws.Windows().Find(hwnd);
        if (!w) return false;
        const Rect next{pos.x, pos.y, pos.x + std::max(pos.cx, 0), pos.y + std::max(pos.cy, 0)};
        moved = next.left != w->rect.left || next.top != w->rect.top;
        sized = next.Width() != w->rect.Width() || next.Height() != w->rect.Height();
        const bool restacked = !(pos.flags & SWP_NOZORDER);
        if (w->parent && (moved || sized || restacked) && !(pos.flags & SWP_NOREDRAW)) InvalidateUnderLocked(ws, *w);
        w->rect = next;
        if (restacked) ReorderLocked(ws, *w, pos.insertAfter);
    }
    Rect clientBefore;
    {
        std::lock_guard lock(ws.Mutex());
        if (auto w = ws.Windows().Find(hwnd)) clientBefore = w->client;
    }
    if (sized || moved || (pos.flags & SWP_FRAMECHANGED)) RecalcClientRect(hwnd);
    {
        // A child that moved is painted afresh in its new place; a top-level window that only
        // moved keeps its pixels. A new frame alone repaints the frame, and the client area
        // only when the frame changed its size.
        std::lock_guard lock(ws.Mutex());
        auto w = ws.Windows().Find(hwnd);
        if (!w) return false;
        const bool repaint = w->parent ? (moved || sized || !(pos.flags & SWP_NOZORDER)) : sized;
        if (!(pos.flags & SWP_NOREDRAW)) {
            if (repaint || w->client != clientBefore) {
                ExposeLocked(ws, *w);
            } else if ((pos.flags & SWP_FRAMECHANGED) && ws.IsVisibleLocked(*w)) {
                w->frameNeeded = true;
                if (auto queue = ws.QueueOf(w->thread)) queue->Wake();
            }
        }
    }
    TellBackend(hwnd);
    if (pos.flags & SWP_SHOWWINDOW) ShowWindow(hwnd, SW_SHOWNA);
    if (pos.flags & SWP_HIDEWINDOW) ShowWindow(hwnd, SW_HIDE);
    if (!moved) pos.flags |= SWP_NOMOVE;
    if (!sized) pos.flags |= SWP_NOSIZE;
    SendMessage(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LParam>(&pos));
    return true;
}

bool MoveWindow(Hwnd hwnd, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                bool repaint) {
    return SetWindowPos(hwnd, 0, x, y, width, height,
                        SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0u : SWP_NOREDRAW));
}

bool ShowWindow(Hwnd hwnd, int command) {
    auto& ws = WindowSystem::Instance();
    std::uint32_t style;
    bool child;
    Rect rect;
    Rect restore;
    {
        std::lock_guard lock(ws.Mutex());
        auto w = ws.Windows().Find(hwnd);
        if (!w || w->messageOnly) return false;
        style = w->style;
        child = w->parent != 0;
        rect = w->rect;
        restore = w->restoreRect;
    }
    const bool wasVisible = (style & WS_VISIBLE) != 0;
    const bool minimized = (style & WS_MINIMIZE) != 0;
    const bool maximized = (style & WS_MAXIMIZE) != 0;

    if (command == SW_HIDE) {
        if (!wasVisible) return false;
        const bool wasActive = !child && GetActiveWindow() == hwnd;
        SendMessage(hwnd, WM_SHOWWINDOW, 0, 0);
        {
            std::lock_guard lock(ws.Mutex());
            if (auto w = ws.Windows().Find(hwnd)) {
                InvalidateUnderLocked(ws, *w);
                w->style &= ~WS_VISIBLE;
            }
        }
        DropInputOf(hwnd, true);
        TellBackend(hwnd);
        if (wasActive) ActivateNextAfter(hwnd);
        return true;
    }
    if (!wasVisible) {
        SendMessage(hwnd, WM_SHOWWINDOW, 1, 0);
        std::lock_guard lock(ws.Mutex());
        if (auto w = ws.Windows().Find(hwnd)) {
            w->style |= WS_VISIBLE;
            ExposeLocked(ws, *w);
        }
    }
    switch (command) {
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
        if (minimized) break;
        if (!maximized) {
            std::lock_guard lock(ws.Mutex());
            if (auto w = ws.Windows().Find(hwnd)) w->restoreRect = rect;
        }
        SetStyleBits(hwnd, WS_MINIMIZE, 0);
        DropInputOf(hwnd, true);
        if (!child) NotifyOwned(hwnd, false);
        SendMessage(hwnd, WM_SIZE, SIZE_MINIMIZED, 0);
        return wasVisible;
    case SW_MAXIMIZE: {
        if (maximized && !minimized) break;
        if (!minimized) {
            std::lock_guard lock(ws.Mutex());
            if (auto w = ws.Windows().Find(hwnd)) w->restoreRect = rect;
        }
        SetStyleBits(hwnd, WS_MAXIMIZE, WS_MINIMIZE);
        if (minimized && !child) NotifyOwned(hwnd, true);
        Rect area{0, 0, ws.ScreenSize().cx, ws.ScreenSize().cy};
        if (child) {
            Rect parentClient;
            GetClientRect(GetParent(hwnd), &parentClient);
            area = parentClient;
        }
        SetWindowPos(hwnd, 0, area.left, area.top, area.Width(), area.Height(),
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        break;
    }
    case SW_RESTORE:
    case SW_SHOWNORMAL:
        if (minimized) {
            // Back from the task bar: a window that was maximised stays so.
            SetStyleBits(hwnd, 0, WS_MINIMIZE);
            if (!child) NotifyOwned(hwnd, true);
            Rect client;
            GetClientRect(hwnd, &client);
            SendMessage(hwnd, WM_SIZE, maximized ? SIZE_MAXIMIZED : SIZE_RESTORED,
                        MakeLParam(client.Width(), client.Height()));
        } else if (maximized) {
            SetStyleBits(hwnd, 0, WS_MAXIMIZE);
            SetWindowPos(hwnd, 0, restore.left, restore.top, restore.Width(), restore.Height(),
                         SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        }
        break;
    default: break;
    }
    TellBackend(hwnd);
    const bool activates = command != SW_SHOWNA && command != SW_SHOWNOACTIVATE &&
                           command != SW_SHOWMINNOACTIVE && command != SW_MINIMIZE;
    if (!child && activates) {
        // Shown again while it shows: it comes to the top even when it is the active window already
        // (activation alone raises only a window that was not active).
        if (wasVisible) BringToTop(hwnd);
        SetActiveWindow(hwnd);
    }
    return wasVisible;
}

bool IsWindowVisible(Hwnd hwnd) {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    auto w = ws.Windows().Find(hwnd);
    return w && ws.IsVisibleLocked(*w);
}

bool IsIconic(Hwnd hwnd) { return (GetWindowLongPtr(hwnd, GWL_STYLE) & WS_MINIMIZE) != 0; }

bool IsWindowUncovered(Hwnd hwnd) {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    auto w = ws.Windows().Find(hwnd);
    if (!w) return false;
    for (auto a = w; a; a = a->parent ? ws.Windows().Find(a->parent) : nullptr)
        if (a->style & WS_MINIMIZE) return false;
    // Within its top-level window (surface coordinates), then on the screen.
    gdi::Region visible = ws.VisibleRegionLocked(*w, true);
    if (visible.IsEmpty()) return false;
    const Hwnd top = ws.TopLevelOfLocked(hwnd);
    auto topWindow = ws.Windows().Find(top);
    if (!topWindow) return false;
    visible = visible.Offset(topWindow->rect.left, topWindow->rect.top);
    const bool topmost = (topWindow->exStyle & WS_EX_TOPMOST) != 0;
    const std::vector<Hwnd>& levels = ws.TopLevels(); // bottom first
    const auto self = std::find(levels.begin(), levels.end(), top);
    for (auto it = levels.begin(); it != levels.end() && !visible.IsEmpty(); ++it) {
        if (*it == top) continue;
        auto other = ws.Windows().Find(*it);
        if (!other || !ws.IsVisibleLocked(*other) || (other->style & WS_MINIMIZE)) continue;
        const bool otherTopmost = (other->exStyle & WS_EX_TOPMOST) != 0;
        const bool above = otherTopmost != topmost ? otherTopmost : it > self;
        if (!above) continue;
        gdi::Region covered(other->rect);
        if (other->shape) covered = covered.Intersect(other->shape->Offset(other->rect.left, other->rect.top));
        visible = visible.Subtract(covered);
    }
    return !visible.IsEmpty();
}
bool IsZoomed(Hwnd hwnd) { return (GetWindowLongPtr(hwnd, GWL_STYLE) & WS_MAXIMIZE) != 0; }

bool EnableWindow(Hwnd hwnd, bool enable) {
    auto& ws = WindowSystem::Instance();
    bool wasDisabled;
    {
        std::lock_guard lock(ws.Mutex());
        auto w = ws.Windows().Find(hwnd);
        if (!w) return false;
        wasDisabled = (w->style & WS_DISABLED) != 0;
        if (wasDisabled == !enable) return wasDisabled;
        if (enable) w->style &= ~WS_DISABLED;
        else w->style |= WS_DISABLED;
    }
    if (!enable) DropInputOf(hwnd, true);
    SendMessage(hwnd, WM_ENABLE, enable ? 1 : 0, 0);
    return wasDisabled;
}

bool IsWindowEnabled(Hwnd hwnd) {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    auto w = ws.Windows().Find(hwnd);
    return w && ws.IsEnabledLocked(*w);
}

bool GetWindowRect(Hwnd hwnd, Rect* rect) {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    auto w = ws.Windows().Find(hwnd);
    if (!w || !rect) return false;
    *rect = ws.ScreenRectLocked(*w);
    return true;
}

bool GetClientRect(Hwnd hwnd, Rect* rect) {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    auto w = ws.Windows().Find(hwnd);
    if (!w || !rect) return false;
    *rect = {0, 0, w->client.Width(), w->client.Height()};
    return true;
}

namespace {

// Moves a point by the window's client origin on the screen, forwards (+1) or back (-1).
bool ShiftByClientOrigin(Hwnd hwnd, Point* point, int direction) {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    auto w = ws.Windows().Find(hwnd);
    if (!w || !point) return false;
    const Point origin = ws.ClientOriginLocked(*w);
    point->x += direction * origin.x;
    point->y += direction * origin.y;
    return true;
}

} // namespace

bool ClientToScreen(Hwnd hwnd, Point* point) { return ShiftByClientOrigin(hwnd, point, 1); }

bool ScreenToClient(Hwnd hwnd, Point* point) { return ShiftByClientOrigin(hwnd, point, -1); }

void MapWindowPoints(Hwnd from, Hwnd to, Point* points, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (from) ClientToScreen(from, &points[i]);
        if (to) ScreenToClient(to, &points[i]);
    }
}

int GetSystemMetrics(int index) {
    const Size screen = WindowSystem::Instance().ScreenSize();
    switch (index) {
    case SM_CXSCREEN: return screen.cx;
    case SM_CYSCREEN: return screen.cy;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL: return 17;
    case SM_CYCAPTION: return 19;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return 4;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    default: return 0;
    }
}

std::uint32_t GetDoubleClickTime() { return 500; }

bool GetWorkArea(Rect* rect) {
    if (!rect) return false;
    const Size screen = WindowSystem::Instance().ScreenSize();
    *rect = {0, 0, screen.cx, screen.cy};
    return true;
}

} // namespace plat::win
