#include "platform/win/WindowSystem.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>

#include "platform/win/HeadlessBackend.h"
#include "platform/win/MessageApi.h"
#include "platform/win/Styles.h"

namespace plat::win {
namespace {

// Holds the calling thread's queue; its destructor runs when the thread ends.
struct ThreadQueueHolder {
    std::shared_ptr<MessageQueue> queue;
    ~ThreadQueueHolder() {
        if (queue) WindowSystem::Instance().ThreadEnded(queue->ThreadId());
    }
};

thread_local ThreadQueueHolder t_queue;

} // namespace

std::uint32_t GetCurrentThreadId() {
    thread_local const std::uint32_t id = static_cast<std::uint32_t>(syscall(SYS_gettid));
    return id;
}

WindowSystem& WindowSystem::Instance() {
    // Never destroyed: threads and libraries may still reach it while the process shuts down.
    static WindowSystem* instance = new WindowSystem();
    return *instance;
}

WindowSystem::WindowSystem() : backend_(std::make_unique<HeadlessBackend>()) {}

std::shared_ptr<Window> WindowSystem::Find(Hwnd hwnd) {
    std::lock_guard lock(mutex_);
    return windows_.Find(hwnd);
}

MessageQueue& WindowSystem::CurrentQueue() { return *CurrentQueuePtr(); }

std::shared_ptr<MessageQueue> WindowSystem::CurrentQueuePtr() {
    if (!t_queue.queue) {
        auto queue = std::make_shared<MessageQueue>(GetCurrentThreadId());
        std::lock_guard lock(queuesMutex_);
        queues_[queue->ThreadId()] = queue;
        t_queue.queue = std::move(queue);
    }
    return t_queue.queue;
}

std::shared_ptr<MessageQueue> WindowSystem::QueueOf(std::uint32_t threadId) {
    std::lock_guard lock(queuesMutex_);
    auto it = queues_.find(threadId);
    return it == queues_.end() ? nullptr : it->second.lock();
}

Backend& WindowSystem::GetBackend() {
    std::lock_guard lock(backendMutex_);
    return *backend_;
}

void WindowSystem::SetBackend(std::unique_ptr<Backend> backend) {
    std::lock_guard lock(backendMutex_);
    backend_ = std::move(backend);
}

Point WindowSystem::ClientOriginLocked(const Window& w) {
    Point origin{w.rect.left + w.client.left, w.rect.top + w.client.top};
    if (w.parent) {
        if (auto parent = windows_.Find(w.parent)) {
            const Point p = ClientOriginLocked(*parent);
            origin.x += p.x;
            origin.y += p.y;
        }
    }
    return origin;
}

Rect WindowSystem::ScreenRectLocked(const Window& w) {
    if (!w.parent) return w.rect;
    auto parent = windows_.Find(w.parent);
    if (!parent) return w.rect;
    const Point p = ClientOriginLocked(*parent);
    return w.rect.Offset(p.x, p.y);
}

bool WindowSystem::IsVisibleLocked(const Window& w) {
    if (w.messageOnly || !(w.style & WS_VISIBLE)) return false;
    if (!w.parent) return true;
    auto parent = windows_.Find(w.parent);
    return parent && IsVisibleLocked(*parent);
}

bool WindowSystem::IsEnabledLocked(const Window& w) { return (w.style & WS_DISABLED) == 0; }

bool WindowSystem::IsDescendantLocked(Hwnd ancestor, Hwnd hwnd) {
    for (auto w = windows_.Find(hwnd); w && w->parent; w = windows_.Find(w->parent))
        if (w->parent == ancestor) return true;
    return false;
}

Hwnd WindowSystem::TopLevelOfLocked(Hwnd hwnd) {
    auto w = windows_.Find(hwnd);
    while (w && w->parent) {
        hwnd = w->parent;
        w = windows_.Find(hwnd);
    }
    return w ? hwnd : 0;
}

Point WindowSystem::SurfaceOffsetLocked(const Window& w) {
    if (!w.parent) return {0, 0};
    auto parent = windows_.Find(w.parent);
    if (!parent) return {0, 0};
    const Point p = SurfaceOffsetLocked(*parent);
    return {p.x + parent->client.left + w.rect.left, p.y + parent->client.top + w.rect.top};
}

namespace {

// The area a window covers in its parent's client coordinates offset to `origin`: its rectangle,
// cut to its shape when it has one.
gdi::Region CoveredArea(const Window& w, Point origin) {
    const Rect r = w.rect.Offset(origin.x, origin.y);
    if (!w.shape) return gdi::Region(r);
    return w.shape->Offset(r.left, r.top).Intersect(r);
}

} // namespace

gdi::Region WindowSystem::VisibleRegionLocked(const Window& w, bool clientOnly) {
    if (!IsVisibleLocked(w)) return {};
    const Point off = SurfaceOffsetLocked(w);
    const Rect whole{off.x, off.y, off.x + w.rect.Width(), off.y + w.rect.Height()};
    gdi::Region visible(clientOnly ? w.client.Offset(off.x, off.y) : whole);
    if (w.shape) visible = visible.Intersect(w.shape->Offset(off.x, off.y));
    if (clientOnly) {
        const Point clientOrigin{off.x + w.client.left, off.y + w.client.top};
        for (Hwnd c : w.children) {
            auto child = windows_.Find(c);
            if (child && (child->style & WS_VISIBLE))
                visible = visible.Subtract(CoveredArea(*child, clientOrigin));
        }
    }
    const Window* current = &w;
    while (current->parent && !visible.IsEmpty()) {
        auto parent = windows_.Find(current->parent);
        if (!parent) break;
        const Point parentOff = SurfaceOffsetLocked(*parent);
        const Point clientOrigin{parentOff.x + parent->client.left, parentOff.y + parent->client.top};
        visible = visible.Intersect(parent->client.Offset(parentOff.x, parentOff.y));
        if (parent->shape) visible = visible.Intersect(parent->shape->Offset(parentOff.x, parentOff.y));
        auto self = std::find(parent->children.begin(), parent->children.end(), current->handle);
        for (auto it = self == parent->children.end() ? self : self + 1; it != parent->children.end(); ++it) {
            auto sibling = windows_.Find(*it);
            if (sibling && (sibling->style & WS_VISIBLE))
                visible = visible.Subtract(CoveredArea(*sibling, clientOrigin));
        }
        current = parent.get();
    }
    return visible;
}

Hwnd WindowSystem::WindowFromPointLocked(Point screen) {
    // Top-most windows are above the others; within each group the end of the list is on top.
    auto hitTop = [&](bool topmost) -> Hwnd {
        for (auto it = topLevels_.rbegin(); it != topLevels_.rend(); ++it) {
            auto w = windows_.Find(*it);
            if (!w || !IsVisibleLocked(*w) || ((w->exStyle & WS_EX_TOPMOST) != 0) != topmost) continue;
            if (w->style & WS_MINIMIZE) continue; // minimised windows are not on the screen
            if (w->rect.Contains(screen) &&
                (!w->shape || w->shape->Contains(Point{screen.x - w->rect.left, screen.y - w->rect.top})))
                return *it;
        }
        return 0;
    };
    Hwnd hit = hitTop(true);
    if (!hit) hit = hitTop(false);
    if (!hit) return 0;
    for (;;) {
        auto w = windows_.Find(hit);
        const Point origin = ClientOriginLocked(*w);
        const Rect client = Rect{0, 0, w->client.Width(), w->client.Height()}.Offset(origin.x, origin.y);
        if (!client.Contains(screen)) return hit;
        Hwnd inner = 0;
        for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) {
            auto c = windows_.Find(*it);
            if (!c || !(c->style & WS_VISIBLE) || !IsEnabledLocked(*c)) continue;
            const Rect r = c->rect.Offset(origin.x, origin.y);
            if (r.Contains(screen) && (!c->shape || c->shape->Contains(Point{screen.x - r.left, screen.y - r.top}))) {
                inner = *it;
                break;
            }
        }
        if (!inner) return hit;
        hit = inner;
    }
}

void WindowSystem::ThreadEnded(std::uint32_t threadId) {
    std::vector<Hwnd> goneTopLevels;
    {
        std::lock_guard lock(mutex_);
        std::vector<Hwnd> gone;
        windows_.ForEach([&](std::uint32_t handle, const std::shared_ptr<Window>& w) {
            if (w->thread == threadId) gone.push_back(handle);
        });
        for (Hwnd h : gone) {
            auto w = windows_.Find(h);
            if (w->parent) {
                if (auto parent = windows_.Find(w->parent)) std::erase(parent->children, h);
            } else if (!w->messageOnly) {
                surfaces_.Drop(h);
                goneTopLevels.push_back(h);
            }
            std::erase(topLevels_, h);
            windows_.Remove(h);
            // Nothing may keep pointing at a window that is gone.
            for (Hwnd* held : {&input_.capture, &input_.focus, &input_.active, &input_.lastPressWindow,
                               &input_.mouseOver, &input_.leaveTracked})
                if (*held == h) *held = 0;
        }
    }
    for (Hwnd h : goneTopLevels) GetBackend().TopLevelDestroyed(h);
    std::shared_ptr<MessageQueue> queue;
    {
        std::lock_guard lock(queuesMutex_);
        auto it = queues_.find(threadId);
        if (it != queues_.end()) {
            queue = it->second.lock();
            queues_.erase(it);
        }
    }
    if (queue) queue->Close();
}

} // namespace plat::win
