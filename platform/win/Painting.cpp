// Update regions, WM_PAINT scheduling, BeginPaint/EndPaint and device contexts on windows.

#include <functional>
#include <mutex>
#include <set>

#include "platform/win/MessageApi.h"
#include "platform/win/PaintApi.h"
#include "platform/win/WindowApi.h"
#include "platform/win/WindowDC.h"
#include "platform/win/WindowInternals.h"
#include "platform/win/WindowSystem.h"

namespace plat::win {
namespace {

// Contexts handed out and not yet given back; ReleaseDC frees only these.
struct OpenContexts {
    std::mutex mutex;
    std::set<gdi::DC*> dcs;
};

OpenContexts& Open() {
    static OpenContexts* open = new OpenContexts();
    return *open;
}

void WakeOwner(WindowSystem& ws, const Window& w) {
    if (auto queue = ws.QueueOf(w.thread)) queue->Wake();
}

Rect ClientBounds(const Window& w) { return {0, 0, w.client.Width(), w.client.Height()}; }

// A context on a window; `extraClip` (window-local: client or whole-window coordinates) narrows
// the visible part further.
gdi::DC* MakeDC(Hwnd hwnd, bool clientOnly, const gdi::Region* extraClip) {
    auto& ws = WindowSystem::Instance();
    std::unique_ptr<WindowDC> dc;
    {
        std::lock_guard lock(ws.Mutex());
        auto w = ws.Windows().Find(hwnd);
        if (!w || w->messageOnly) return nullptr;
        const Hwnd top = ws.TopLevelOfLocked(hwnd);
        auto topWindow = ws.Windows().Find(top);
        bool fresh = false;
        auto surface = ws.Surfaces().Ensure(top, {topWindow->rect.Width(), topWindow->rect.Height()}, &fresh);
        if (!surface) return nullptr;
        if (fresh) InvalidateTreeLocked(ws, *topWindow);
        Point origin = ws.SurfaceOffsetLocked(*w);
        if (clientOnly) origin = {origin.x + w->client.left, origin.y + w->client.top};
        gdi::Region visible = ws.VisibleRegionLocked(*w, clientOnly);
        if (extraClip) visible = visible.Intersect(extraClip->Offset(origin.x, origin.y));
        const Rect area = visible.Bounds();
        dc = std::make_unique<WindowDC>(std::move(surface), hwnd, top, area);
        dc->SetDeviceOrigin(origin);
        dc->SetDeviceClip(std::move(visible));
    }
    auto& open = Open();
    std::lock_guard lock(open.mutex);
    open.dcs.insert(dc.get());
    return dc.release();
}

} // namespace

void InvalidateAreaLocked(WindowSystem& ws, Window& w, const gdi::Region& clientArea, bool erase,
                          bool withChildren) {
    if (!ws.IsVisibleLocked(w)) return;
    const gdi::Region area = clientArea.Intersect(ClientBounds(w));
    if (!area.IsEmpty()) {
        w.update = w.update.Union(area);
        w.eraseNeeded = w.eraseNeeded || erase;
        WakeOwner(ws, w);
    }
    if (!withChildren) return;
    for (Hwnd c : w.children) {
        auto child = ws.Windows().Find(c);
        if (!child || !(child->style & WS_VISIBLE) || !clientArea.Intersects(child->rect)) continue;
        child->frameNeeded = true;
        const gdi::Region inChild =
            clientArea.Offset(-(child->rect.left + child->client.left), -(child->rect.top + child->client.top));
        InvalidateAreaLocked(ws, *child, inChild, erase, true);
        WakeOwner(ws, *child);
    }
}

void InvalidateTreeLocked(WindowSystem& ws, Window& w) {
    if (!ws.IsVisibleLocked(w)) return;
    w.frameNeeded = true;
    InvalidateAreaLocked(ws, w, gdi::Region(ClientBounds(w)), true, false);
    WakeOwner(ws, w);
    for (Hwnd c : w.children)
        if (auto child = ws.Windows().Find(c)) InvalidateTreeLocked(ws, *child);
}

void InvalidateUnderLocked(WindowSystem& ws, const Window& w) {
    if (!w.parent) return;
    auto parent = ws.Windows().Find(w.parent);
    if (!parent) return;
    InvalidateAreaLocked(ws, *parent, gdi::Region(w.rect), true, true);
    if (!w.rect.Intersect(ClientBounds(*parent)).IsEmpty()) return;
    // Only the parent's frame was covered.
    parent->frameNeeded = true;
    WakeOwner(ws, *parent);
}

Hwnd NextWindowToPaint(std::uint32_t thread, Hwnd filter) {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    Hwnd found = 0;
    std::function<bool(Hwnd)> visit = [&](Hwnd h) {
        auto w = ws.Windows().Find(h);
        if (!w || !(w->style & WS_VISIBLE) || w->messageOnly) return false;
        if (w->thread == thread && (filter == 0 || filter == h) && (w->frameNeeded || !w->update.IsEmpty())) {
            found = h;
            return true;
        }
        for (Hwnd c : w->children)
            if (visit(c)) return true;
        return false;
    };
    for (Hwnd top : ws.TopLevels())
        if (visit(top)) break;
    return found;
}

bool PaintFrameIfNeeded(Hwnd hwnd) {
    auto& ws = WindowSystem::Instance();
    bool frame;
    {
        std::lock_guard lock(ws.Mutex());
        auto w = ws.Windows().Find(hwnd);
        if (!w) return false;
        frame = w->frameNeeded;
        w->frameNeeded = false;
    }
    if (frame) SendMessage(hwnd, WM_NCPAINT, 1, 0);
    std::lock_guard lock(ws.Mutex());
    auto w = ws.Windows().Find(hwnd);
    return w && !w->update.IsEmpty();
}

bool InvalidateRgn(Hwnd hwnd, const gdi::Region* region, bool erase) {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    auto w = ws.Windows().Find(hwnd);
    if (!w) return false;
    InvalidateAreaLocked(ws, *w, region ? *region : gdi::Region(ClientBounds(*w)), erase, false);
    return true;
}

bool InvalidateRect(Hwnd hwnd, const Rect* rect, bool erase) {
    if (!rect) return InvalidateRgn(hwnd, nullptr, erase);
    const gdi::Region region(*rect);
    return InvalidateRgn(hwnd, &region, erase);
}

bool ValidateRect(Hwnd hwnd, const Rect* rect) {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    auto w = ws.Windows().Find(hwnd);
    if (!w) return false;
    if (rect) {
        w->update = w->update.Subtract(gdi::Region(*rect));
    } else {
        w->update = {};
    }
    if (w->update.IsEmpty()) w->eraseNeeded = false;
    return true;
}

bool RedrawWindow(Hwnd hwnd, const Rect* rect, const gdi::Region* region, unsigned flags) {
    auto& ws = WindowSystem::Instance();
    {
        std::lock_guard lock(ws.Mutex());
        auto w = ws.Windows().Find(hwnd);
        if (!w) return false;
        const gdi::Region area = region ? *region : rect ? gdi::Region(*rect) : gdi::Region(ClientBounds(*w));
        const bool children = (flags & RDW_ALLCHILDREN) != 0;
        if (flags & RDW_INVALIDATE) {
            InvalidateAreaLocked(ws, *w, area, (flags & RDW_ERASE) != 0, children);
            if ((flags & RDW_FRAME) && ws.IsVisibleLocked(*w)) {
                w->frameNeeded = true;
                WakeOwner(ws, *w);
            }
        }
        if (flags & RDW_VALIDATE) {
            w->update = w->update.Subtract(area);
            if (flags & RDW_NOFRAME) w->frameNeeded = false;
        }
    }
    if (flags & RDW_UPDATENOW) {
        UpdateWindow(hwnd);
        if (flags & RDW_ALLCHILDREN)
            for (Hwnd c : GetChildWindows(hwnd)) UpdateWindow(c);
    }
    return true;
}

bool UpdateWindow(Hwnd hwnd) {
    if (!IsWindow(hwnd)) return false;
    if (PaintFrameIfNeeded(hwnd)) SendMessage(hwnd, WM_PAINT, 0, 0);
    return true;
}

bool GetUpdateRect(Hwnd hwnd, Rect* rect) {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    auto w = ws.Windows().Find(hwnd);
    if (!w) return false;
    if (rect) *rect = w->update.Bounds();
    return !w->update.IsEmpty();
}

gdi::Region GetUpdateRgn(Hwnd hwnd) {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    auto w = ws.Windows().Find(hwnd);
    return w ? w->update : gdi::Region{};
}

gdi::DC* BeginPaint(Hwnd hwnd, PaintStruct* ps) {
    if (!ps) return nullptr;
    PaintFrameIfNeeded(hwnd);
    auto& ws = WindowSystem::Instance();
    gdi::Region area;
    bool erase;
    {
        std::lock_guard lock(ws.Mutex());
        auto w = ws.Windows().Find(hwnd);
        if (!w) return nullptr;
        area = w->update.Intersect(ClientBounds(*w));
        erase = w->eraseNeeded;
        w->update = {};
        w->eraseNeeded = false;
    }
    gdi::DC* dc = MakeDC(hwnd, true, &area);
    ps->dc = dc;
    ps->paint = area.Bounds();
    ps->erase = false;
    if (dc && erase) ps->erase = SendMessage(hwnd, WM_ERASEBKGND, reinterpret_cast<WParam>(dc), 0) == 0;
    return dc;
}

bool EndPaint(Hwnd hwnd, const PaintStruct* ps) { return ps && ReleaseDC(hwnd, ps->dc); }

gdi::DC* GetDC(Hwnd hwnd) { return MakeDC(hwnd, true, nullptr); }

gdi::DC* GetWindowDC(Hwnd hwnd) { return MakeDC(hwnd, false, nullptr); }

bool ReleaseDC(Hwnd, gdi::DC* dc) {
    if (!dc) return false;
    {
        auto& open = Open();
        std::lock_guard lock(open.mutex);
        if (open.dcs.erase(dc) == 0) return false; // not one of ours, or given back twice
    }
    auto* windowDc = static_cast<WindowDC*>(dc);
    const Hwnd top = windowDc->TopLevel();
    const Rect area = windowDc->Area();
    delete windowDc;
    // A context that could draw nowhere changed nothing.
    if (!area.IsEmpty()) WindowSystem::Instance().GetBackend().SurfaceChanged(top, area);
    return true;
}

bool SetWindowRgn(Hwnd hwnd, std::optional<gdi::Region> region, bool redraw) {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    auto w = ws.Windows().Find(hwnd);
    if (!w) return false;
    if (redraw) InvalidateUnderLocked(ws, *w);
    w->shape = std::move(region);
    if (redraw) InvalidateTreeLocked(ws, *w);
    return true;
}

std::optional<gdi::Region> GetWindowRgn(Hwnd hwnd) {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    auto w = ws.Windows().Find(hwnd);
    return w ? w->shape : std::nullopt;
}

} // namespace plat::win
