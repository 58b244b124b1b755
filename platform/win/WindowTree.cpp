// Parents, owners, children and re-parenting.

#include <algorithm>
#include <functional>

#include "platform/win/InputApi.h"
#include "platform/win/MessageApi.h"
#include "platform/win/WindowApi.h"
#include "platform/win/WindowInternals.h"
#include "platform/win/WindowSystem.h"

namespace plat::win {

Hwnd GetParent(Hwnd hwnd) {
    auto w = WindowSystem::Instance().Find(hwnd);
    if (!w) return 0;
    return w->parent ? w->parent : w->owner;
}

Hwnd GetAncestor(Hwnd hwnd, unsigned flags) {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    auto w = ws.Windows().Find(hwnd);
    if (!w) return 0;
    switch (flags) {
    case GA_PARENT: return w->parent;
    case GA_ROOT: return ws.TopLevelOfLocked(hwnd);
    case GA_ROOTOWNER: {
        Hwnd root = ws.TopLevelOfLocked(hwnd);
        for (auto r = ws.Windows().Find(root); r && r->owner; r = ws.Windows().Find(root)) root = r->owner;
        return root;
    }
    default: return 0;
    }
}

Hwnd SetParent(Hwnd hwnd, Hwnd newParent) {
    auto& ws = WindowSystem::Instance();
    Hwnd old;
    {
        std::lock_guard lock(ws.Mutex());
        auto w = ws.Windows().Find(hwnd);
        if (!w || w->messageOnly) return 0;
        if (newParent != 0) {
            auto p = ws.Windows().Find(newParent);
            if (!p || p->messageOnly || newParent == hwnd || ws.IsDescendantLocked(hwnd, newParent)) return 0;
        }
        old = w->parent;
        if (old) {
            InvalidateUnderLocked(ws, *w);
        } else {
            ws.Surfaces().Drop(hwnd);
        }
        UnlinkLocked(ws, *w);
        if (newParent != 0) {
            // Embedded: the window now lives in the new parent's client area, on top of its
            // siblings, and no longer has an owner of its own.
            w->parent = newParent;
            w->owner = 0;
            w->style = (w->style | WS_CHILD) & ~WS_POPUP;
            w->exStyle &= ~WS_EX_TOPMOST;
            ws.Windows().Find(newParent)->children.push_back(hwnd);
        } else {
            w->parent = 0;
            w->style = (w->style & ~WS_CHILD) | WS_POPUP;
            ws.TopLevels().push_back(hwnd);
        }
    }
    // Focus and activation belonged to the old top-level window; the new tree decides afresh.
    bool wasActive;
    {
        std::lock_guard lock(ws.Mutex());
        wasActive = ws.Input().active == hwnd && newParent != 0;
    }
    if (wasActive) DropInputOf(hwnd, true);
    RecalcClientRect(hwnd);
    {
        std::lock_guard lock(ws.Mutex());
        if (auto w = ws.Windows().Find(hwnd)) {
            if (!w->parent) ws.Surfaces().Ensure(hwnd, {w->rect.Width(), w->rect.Height()});
            InvalidateTreeLocked(ws, *w);
        }
    }
    if (old == 0) ws.GetBackend().TopLevelDestroyed(hwnd);
    if (newParent == 0) ws.GetBackend().TopLevelChanged(hwnd);
    return old;
}

bool IsChild(Hwnd parent, Hwnd hwnd) {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    return ws.IsDescendantLocked(parent, hwnd);
}

Hwnd GetWindow(Hwnd hwnd, unsigned relation) {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    auto w = ws.Windows().Find(hwnd);
    if (!w) return 0;
    if (relation == GW_OWNER) return w->owner;
    if (relation == GW_CHILD) return w->children.empty() ? 0 : w->children.back();
    const std::vector<Hwnd>* siblings = &ws.TopLevels();
    if (w->parent) siblings = &ws.Windows().Find(w->parent)->children;
    if (siblings->empty()) return 0;
    // The sibling lists run bottom to top; "first" and "next" count from the top.
    auto at = std::find(siblings->begin(), siblings->end(), hwnd);
    switch (relation) {
    case GW_HWNDFIRST: return siblings->back();
    case GW_HWNDLAST: return siblings->front();
    case GW_HWNDNEXT: return (at == siblings->end() || at == siblings->begin()) ? 0 : *(at - 1);
    case GW_HWNDPREV: return (at == siblings->end() || at + 1 == siblings->end()) ? 0 : *(at + 1);
    default: return 0;
    }
}

std::vector<Hwnd> GetChildWindows(Hwnd parent) {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    std::vector<Hwnd> out;
    std::function<void(Hwnd)> walk = [&](Hwnd h) {
        auto w = ws.Windows().Find(h);
        if (!w) return;
        for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) {
            out.push_back(*it);
            walk(*it);
        }
    };
    walk(parent);
    return out;
}

Hwnd WindowFromPoint(Point screen) {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    return ws.WindowFromPointLocked(screen);
}

Hwnd ChildWindowFromPoint(Hwnd parent, Point client) {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    auto w = ws.Windows().Find(parent);
    if (!w) return 0;
    if (!Rect{0, 0, w->client.Width(), w->client.Height()}.Contains(client)) return 0;
    for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) {
        auto c = ws.Windows().Find(*it);
        if (c && c->rect.Contains(client)) return *it;
    }
    return parent;
}

} // namespace plat::win
