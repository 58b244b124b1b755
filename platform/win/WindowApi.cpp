#include "platform/win/WindowApi.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/win/InputApi.h"
#include "platform/win/MessageApi.h"
#include "platform/win/WindowInternals.h"
#include "platform/win/WindowSystem.h"

namespace plat::win {
namespace {

constexpr std::int32_t kDefaultX = 32;
constexpr std::int32_t kDefaultY = 32;
constexpr std::int32_t kDefaultWidth = 640;
constexpr std::int32_t kDefaultHeight = 480;

LResult MessageWindowDefaultProc(Hwnd hwnd, std::uint32_t msg, WParam wParam, LParam lParam) {
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

} // namespace

void RecalcClientRect(Hwnd hwnd) {
    auto& ws = WindowSystem::Instance();
    Rect rect;
    {
        std::lock_guard lock(ws.Mutex());
        auto w = ws.Windows().Find(hwnd);
        if (!w) return;
        rect = w->rect;
    }
    Rect client = rect;
    SendMessage(hwnd, WM_NCCALCSIZE, 0, reinterpret_cast<LParam>(&client));
    std::lock_guard lock(ws.Mutex());
    if (auto w = ws.Windows().Find(hwnd)) {
        client.right = std::max(client.right, client.left);
        client.bottom = std::max(client.bottom, client.top);
        w->client = client.Offset(-rect.left, -rect.top);
    }
}

void UnlinkLocked(WindowSystem& ws, Window& w) {
    if (w.parent) {
        if (auto parent = ws.Windows().Find(w.parent)) std::erase(parent->children, w.handle);
    }
    std::erase(ws.TopLevels(), w.handle);
}

bool RegisterClass(const WindowClass& cls) { return WindowSystem::Instance().Classes().Register(cls); }

bool UnregisterClass(const std::string& name) {
    return WindowSystem::Instance().Classes().Unregister(name);
}

Hwnd CreateWindowEx(std::uint32_t exStyle, const std::string& className, const std::string& title,
                    std::uint32_t style, std::int32_t x, std::int32_t y, std::int32_t width,
                    std::int32_t height, Hwnd parent, std::uintptr_t id, LParam createParams) {
    auto& ws = WindowSystem::Instance();
    const auto cls = ws.Classes().Find(className);
    if (!cls) return 0;

    auto w = std::make_shared<Window>();
    w->thread = GetCurrentThreadId();
    w->className = cls->name;
    w->classStyle = cls->style;
    w->proc = cls->proc;
    w->classCursor = cls->cursor;
    w->classBackground = cls->background;
    w->style = style;
    w->exStyle = exStyle;
    w->text = title;
    w->id = id;
    const bool child = (style & WS_CHILD) != 0;
    if (x == CW_USEDEFAULT) {
        x = child ? 0 : kDefaultX;
        y = child ? 0 : kDefaultY;
    }
    if (width == CW_USEDEFAULT) {
        width = child ? 0 : kDefaultWidth;
        height = child ? 0 : kDefaultHeight;
    }
    w->rect = {x, y, x + std::max(width, 0), y + std::max(height, 0)};
    ws.CurrentQueue(); // the creating thread needs a queue for the window's messages

    Hwnd hwnd;
    {
        std::lock_guard lock(ws.Mutex());
        if (parent == HWND_MESSAGE) {
            w->messageOnly = true;
            w->style &= ~(WS_CHILD | WS_VISIBLE);
        } else if (child) {
            if (!ws.Windows().Find(parent)) return 0;
            w->parent = parent;
        } else if (parent != 0) {
            if (!ws.Windows().Find(parent)) return 0;
            // An owned window's owner is always a top-level window.
            Hwnd owner = parent;
            for (auto o = ws.Windows().Find(owner); o && o->parent; o = ws.Windows().Find(o->parent))
                owner = o->parent;
            w->owner = owner;
        }
        hwnd = ws.Windows().Insert(w);
        if (hwnd == 0) return 0;
        w->handle = hwnd;
        if (w->parent) {
            ws.Windows().Find(w->parent)->children.push_back(hwnd);
        } else if (!w->messageOnly) {
            ws.TopLevels().push_back(hwnd);
        }
    }

    CreateStruct cs;
    cs.createParams = createParams;
    cs.id = id;
    cs.parent = parent;
    cs.x = x;
    cs.y = y;
    cs.cx = width;
    cs.cy = height;
    cs.style = style;
    cs.name = title.c_str();
    cs.className = cls->name.c_str();
    cs.exStyle = exStyle;
    if (SendMessage(hwnd, WM_NCCREATE, 0, reinterpret_cast<LParam>(&cs)) == 0) {
        DestroyWindow(hwnd);
        return 0;
    }
    RecalcClientRect(hwnd);
    if (SendMessage(hwnd, WM_CREATE, 0, reinterpret_cast<LParam>(&cs)) == -1) {
        DestroyWindow(hwnd);
        return 0;
    }
    if (!IsWindow(hwnd)) return 0;
    Rect client;
    Rect rect;
    {
        std::lock_guard lock(ws.Mutex());
        auto created = ws.Windows().Find(hwnd);
        client = created->client;
        rect = created->rect;
    }
    SendMessage(hwnd, WM_SIZE, SIZE_RESTORED, MakeLParam(client.Width(), client.Height()));
    SendMessage(hwnd, WM_MOVE, 0, MakeLParam(rect.left + client.left, rect.top + client.top));
    {
        std::lock_guard lock(ws.Mutex());
        auto created = ws.Windows().Find(hwnd);
        if (!created) return 0;
        if (created->style & WS_VISIBLE) {
            if (!created->parent && !created->messageOnly)
                ws.Surfaces().Ensure(hwnd, {created->rect.Width(), created->rect.Height()});
            InvalidateTreeLocked(ws, *created);
        }
    }
    if (!w->parent && !w->messageOnly) ws.GetBackend().TopLevelChanged(hwnd);
    return hwnd;
}

Hwnd CreateMessageWindow(WndProc proc, LParam userData) {
    static const bool registered = [] {
        WindowClass cls;
        cls.name = "#MessageWindow";
        cls.proc = &MessageWindowDefaultProc;
        return RegisterClass(cls);
    }();
    (void)registered;
    const Hwnd hwnd = CreateWindowEx(0, "#MessageWindow", "", 0, 0, 0, 0, 0, HWND_MESSAGE, 0, 0);
    if (hwnd == 0) return 0;
    SetWindowLongPtr(hwnd, GWLP_USERDATA, userData);
    if (proc) SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LParam>(proc));
    return hwnd;
}

bool DestroyWindow(Hwnd hwnd) {
    auto& ws = WindowSystem::Instance();
    std::vector<Hwnd> owned;
    {
        std::lock_guard lock(ws.Mutex());
        auto w = ws.Windows().Find(hwnd);
        if (!w || w->thread != GetCurrentThreadId() || w->destroying) return false;
        w->destroying = true;
        ws.Windows().ForEach([&](std::uint32_t h, const std::shared_ptr<Window>& other) {
            if (other->owner == hwnd) owned.push_back(h);
        });
    }
    // Owned windows go first, then the window itself is told, then its children, bottom up.
    for (Hwnd o : owned) DestroyOnOwnThread(o);
    SendMessage(hwnd, WM_DESTROY, 0, 0);
    std::vector<Hwnd> children;
    {
        std::lock_guard lock(ws.Mutex());
        if (auto w = ws.Windows().Find(hwnd)) children = w->children;
    }
    for (Hwnd c : children) DestroyOnOwnThread(c);
    DropInputOf(hwnd, false);
    SendMessage(hwnd, WM_NCDESTROY, 0, 0);

    std::uint32_t thread = 0;
    bool wasTopLevel = false;
    {
        std::lock_guard lock(ws.Mutex());
        auto w = ws.Windows().Find(hwnd);
        if (!w) return true;
        thread = w->thread;
        if (w->style & WS_VISIBLE) InvalidateUnderLocked(ws, *w);
        wasTopLevel = !w->parent && !w->messageOnly;
        UnlinkLocked(ws, *w);
        ws.Windows().Remove(hwnd);
    }
    if (wasTopLevel) {
        ws.Surfaces().Drop(hwnd);
        ws.GetBackend().TopLevelDestroyed(hwnd);
    }
    if (auto queue = ws.QueueOf(thread)) {
        queue->DiscardFor(hwnd);
        queue->Timers().KillAllOf(hwnd);
    }
    return true;
}

void DestroyOnOwnThread(Hwnd hwnd) {
    if (GetWindowThreadId(hwnd) == GetCurrentThreadId()) {
        DestroyWindow(hwnd);
    } else {
        SendMessage(hwnd, kDestroyRequest, 0, 0);
    }
}

bool IsWindow(Hwnd hwnd) { return WindowSystem::Instance().Find(hwnd) != nullptr; }

std::uint32_t GetWindowThreadId(Hwnd hwnd) {
    auto w = WindowSystem::Instance().Find(hwnd);
    return w ? w->thread : 0;
}

LParam GetWindowLongPtr(Hwnd hwnd, int index) {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    auto w = ws.Windows().Find(hwnd);
    if (!w) return 0;
    switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LParam>(w->proc);
    case GWLP_ID: return static_cast<LParam>(w->id);
    case GWL_STYLE: return static_cast<LParam>(w->style);
    case GWL_EXSTYLE: return static_cast<LParam>(w->exStyle);
    case GWLP_USERDATA: return w->userData;
    case GWLP_HWNDPARENT: return static_cast<LParam>(w->parent ? 0 : w->owner);
    default: return 0;
    }
}

namespace {

// A top-level window changes hands: its new owner is the top-level window of the one given, and no
// window comes to own itself through the chain. The back end hears of it (a transient window's
// hint follows its owner).
LParam SetOwner(Hwnd hwnd, Hwnd owner) {
    auto& ws = WindowSystem::Instance();
    Hwnd previous;
    {
        std::lock_guard lock(ws.Mutex());
        auto w = ws.Windows().Find(hwnd);
        if (!w || w->parent || w->messageOnly) return 0;
        previous = w->owner;
        Hwnd top = owner != 0 ? ws.TopLevelOfLocked(owner) : 0;
        for (Hwnd o = top; o != 0;) {
            if (o == hwnd) return static_cast<LParam>(previous);
            auto ow = ws.Windows().Find(o);
            o = ow && ow->owner ? ws.TopLevelOfLocked(ow->owner) : 0;
        }
        if (top == previous) return static_cast<LParam>(previous);
        w->owner = top;
    }
    ws.GetBackend().TopLevelChanged(hwnd);
    return static_cast<LParam>(previous);
}

} // namespace

LParam SetWindowLongPtr(Hwnd hwnd, int index, LParam value) {
    auto& ws = WindowSystem::Instance();
    if (index == GWL_STYLE || index == GWL_EXSTYLE) {
        // The window hears of style changes before and after; it may adjust the new style.
        StyleStruct change{static_cast<std::uint32_t>(GetWindowLongPtr(hwnd, index)), static_cast<std::uint32_t>(value)};
        if (!IsWindow(hwnd)) return 0;
        SendMessage(hwnd, WM_STYLECHANGING, static_cast<WParam>(static_cast<std::intptr_t>(index)), reinterpret_cast<LParam>(&change));
        {
            std::lock_guard lock(ws.Mutex());
            auto w = ws.Windows().Find(hwnd);
            if (!w) return 0;
            (index == GWL_STYLE ? w->style : w->exStyle) = change.newStyle;
        }
        SendMessage(hwnd, WM_STYLECHANGED, static_cast<WParam>(static_cast<std::intptr_t>(index)), reinterpret_cast<LParam>(&change));
        return static_cast<LParam>(change.oldStyle);
    }
    if (index == GWLP_HWNDPARENT) return SetOwner(hwnd, static_cast<Hwnd>(value));
    std::lock_guard lock(ws.Mutex());
    auto w = ws.Windows().Find(hwnd);
    if (!w) return 0;
    LParam previous = 0;
    switch (index) {
    case GWLP_WNDPROC:
        previous = reinterpret_cast<LParam>(w->proc);
        if (value != 0) w->proc = reinterpret_cast<WndProc>(value);
        break;
    case GWLP_ID:
        previous = static_cast<LParam>(w->id);
        w->id = static_cast<std::uintptr_t>(value);
        break;
    case GWL_STYLE:
        previous = static_cast<LParam>(w->style);
        w->style = static_cast<std::uint32_t>(value);
        break;
    case GWL_EXSTYLE:
        previous = static_cast<LParam>(w->exStyle);
        w->exStyle = static_cast<std::uint32_t>(value);
        break;
    case GWLP_USERDATA:
        previous = w->userData;
        w->userData = value;
        break;
    default: break;
    }
    return previous;
}

LResult CallWindowProc(WndProc proc, Hwnd hwnd, std::uint32_t msg, WParam wParam, LParam lParam) {
    return proc ? proc(hwnd, msg, wParam, lParam) : 0;
}

bool SetWindowText(Hwnd hwnd, const std::string& text) {
    return SendMessage(hwnd, WM_SETTEXT, 0, reinterpret_cast<LParam>(text.c_str())) != 0;
}

std::string GetClassName(Hwnd hwnd) {
    auto& ws = WindowSystem::Instance();
    std::lock_guard lock(ws.Mutex());
    auto w = ws.Windows().Find(hwnd);
    return w ? w->className : std::string{};
}

std::string GetWindowText(Hwnd hwnd) {
    auto w = WindowSystem::Instance().Find(hwnd);
    if (!w) return {};
    std::lock_guard lock(WindowSystem::Instance().Mutex());
    return w->text;
}

} // namespace plat::win
