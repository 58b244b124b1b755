#pragma once
// The one window system of the process: the handle table, the window tree, the window classes,
// the message queue of each user-interface thread and the back end. Internal to platform/win;
// everyone else uses the calls in the public headers.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/win/Backend.h"
#include "platform/win/HandleTable.h"
#include "platform/win/MessageQueue.h"
#include "platform/win/SurfaceStore.h"
#include "platform/win/Window.h"
#include "platform/win/WindowClass.h"

namespace plat::win {

// Who holds the mouse and the keyboard, and the state of keys and pointer. Guarded by the window
// system's mutex.
struct InputState {
    Hwnd capture = 0;
    Hwnd focus = 0;
    Hwnd active = 0;
    Point cursorPos;
    Hwnd mouseOver = 0;     // where the last mouse message went
    Hwnd leaveTracked = 0;  // gets WM_MOUSELEAVE when the mouse goes elsewhere
    // 0x80: down, 0x01: toggled. `keys` is the state as of the last input message the thread
    // took, so a handler sees the shift state that belonged to its key; `asyncKeys` is the state
    // of the devices right now.
    std::uint8_t keys[256] = {};
    std::uint8_t asyncKeys[256] = {};
    // The last button press, for recognising double clicks.
    Hwnd lastPressWindow = 0;
    std::uint32_t lastPressMessage = 0;
    sys::Nanoseconds lastPressTime = 0;
    Point lastPressPos;
    // ClipCursor's rectangle, in screen coordinates, while the pointer is kept inside it.
    bool clipped = false;
    Rect clip;
};

class WindowSystem {
public:
    static WindowSystem& Instance();

    // Guards the handle table, the tree and every Window record. Never held while a window
    // procedure runs.
    std::recursive_mutex& Mutex() { return mutex_; }
    HandleTable<Window>& Windows() { return windows_; }
    std::vector<Hwnd>& TopLevels() { return topLevels_; } // bottom of the z-order first
    WindowClassRegistry& Classes() { return classes_; }
    InputState& Input() { return input_; }
    SurfaceStore& Surfaces() { return surfaces_; }
    Size ScreenSize() const { return screen_; }
    void SetScreenSize(Size size) { screen_ = size; }

    // Tree walks; the caller holds Mutex().
    Point ClientOriginLocked(const Window& w);
    Rect ScreenRectLocked(const Window& w);
    bool IsVisibleLocked(const Window& w);
    bool IsEnabledLocked(const Window& w);
    bool IsDescendantLocked(Hwnd ancestor, Hwnd hwnd);
    Hwnd TopLevelOfLocked(Hwnd hwnd);
    // Where a window's rectangle starts on its top-level window's surface.
    Point SurfaceOffsetLocked(const Window& w);
    // The part of a window (its client area, or all of it) that shows on its top-level window's
    // surface, in surface coordinates: inside every ancestor's client area and shape, without the
    // siblings above it and the ancestors' siblings above them, and for the client area without
    // its own children.
    gdi::Region VisibleRegionLocked(const Window& w, bool clientOnly);
    // The deepest shown window under a screen point; disabled child windows let it through to
    // their parent.
    Hwnd WindowFromPointLocked(Point screen);

    std::shared_ptr<Window> Find(Hwnd hwnd);
    // The calling thread's queue, made on first use.
    MessageQueue& CurrentQueue();
    std::shared_ptr<MessageQueue> CurrentQueuePtr();
    // Null when the thread has no queue (never used the window system, or ended).
    std::shared_ptr<MessageQueue> QueueOf(std::uint32_t threadId);

    Backend& GetBackend();
    void SetBackend(std::unique_ptr<Backend> backend);

    // The calling thread ends: its windows go away silently and its queue stops taking posts.
    void ThreadEnded(std::uint32_t threadId);

private:
    WindowSystem();

    std::recursive_mutex mutex_;
    HandleTable<Window> windows_;
    std::vector<Hwnd> topLevels_;
    WindowClassRegistry classes_;
    InputState input_;
    SurfaceStore surfaces_;
    Size screen_{1280, 1024};

    std::mutex queuesMutex_;
    std::map<std::uint32_t, std::weak_ptr<MessageQueue>> queues_;

    std::mutex backendMutex_;
    std::unique_ptr<Backend> backend_;
};

} // namespace plat::win
