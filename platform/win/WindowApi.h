#pragma once
// Creating, destroying and querying windows.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win/Styles.h"
#include "platform/win/Types.h"
#include "platform/win/WindowClass.h"

namespace plat::win {

// What WM_NCCREATE and WM_CREATE carry in lParam (a pointer to this record).
struct CreateStruct {
    LParam createParams = 0;
    std::uintptr_t id = 0;
    Hwnd parent = 0;
    std::int32_t cy = 0;
    std::int32_t cx = 0;
    std::int32_t y = 0;
    std::int32_t x = 0;
    std::uint32_t style = 0;
    const char* name = "";
    const char* className = "";
    std::uint32_t exStyle = 0;
};

bool RegisterClass(const WindowClass& cls);
bool UnregisterClass(const std::string& name);

// Creates a window on the calling thread. A WS_CHILD window lives in its parent's client area;
// any other window is top-level, owned by `parent` when given; parent HWND_MESSAGE makes a
// message-only window. Answers 0 on failure (unknown class, bad parent, WM_NCCREATE answered 0,
// WM_CREATE answered -1).
Hwnd CreateWindowEx(std::uint32_t exStyle, const std::string& className, const std::string& title,
                    std::uint32_t style, std::int32_t x, std::int32_t y, std::int32_t width,
                    std::int32_t height, Hwnd parent, std::uintptr_t id, LParam createParams);
// A hidden message-only window on the calling thread, for a library that needs a window to
// receive posted messages and timers. The user data slot holds `userData`.
Hwnd CreateMessageWindow(WndProc proc, LParam userData = 0);
// Destroys a window of the calling thread with its owned windows and children (WM_DESTROY,
// WM_NCDESTROY). False for an unknown window or one of another thread.
bool DestroyWindow(Hwnd hwnd);

bool IsWindow(Hwnd hwnd);
// The thread that owns the window, 0 for an unknown window.
std::uint32_t GetWindowThreadId(Hwnd hwnd);

// What WM_STYLECHANGING and WM_STYLECHANGED carry (wParam: GWL_STYLE or GWL_EXSTYLE).
struct StyleStruct {
    std::uint32_t oldStyle = 0;
    std::uint32_t newStyle = 0;
};

LParam GetWindowLongPtr(Hwnd hwnd, int index);
// Returns the previous value.
LParam SetWindowLongPtr(Hwnd hwnd, int index, LParam value);
LResult CallWindowProc(WndProc proc, Hwnd hwnd, std::uint32_t msg, WParam wParam, LParam lParam);
// The default handling of every message a window procedure does not handle itself.
LResult DefWindowProc(Hwnd hwnd, std::uint32_t msg, WParam wParam, LParam lParam);

bool SetWindowText(Hwnd hwnd, const std::string& text);
std::string GetWindowText(Hwnd hwnd);
// The name the window's class was registered with; empty for an unknown window.
std::string GetClassName(Hwnd hwnd);

// --- position, size, z-order, visibility ---

// What WM_WINDOWPOSCHANGING (may be changed by the window) and WM_WINDOWPOSCHANGED carry.
struct WindowPos {
    Hwnd hwnd = 0;
    Hwnd insertAfter = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t cx = 0;
    std::int32_t cy = 0;
    std::uint32_t flags = 0;
};

// Position in the parent's client area for a child window, on the screen otherwise.
bool SetWindowPos(Hwnd hwnd, Hwnd insertAfter, std::int32_t x, std::int32_t y, std::int32_t cx,
                  std::int32_t cy, std::uint32_t flags);
bool MoveWindow(Hwnd hwnd, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                bool repaint);
// Answers whether the window was visible before.
bool ShowWindow(Hwnd hwnd, int command);
// True when the window and every ancestor are shown.
bool IsWindowVisible(Hwnd hwnd);
bool IsIconic(Hwnd hwnd);
// Whether some of the window's client area may be seen: the window and its ancestors are shown
// and none is minimised, and what covers it in this program (its parents' edges, the windows
// above it and above its ancestors, the top-level windows above its own) leaves part of it free.
// A window that cannot be seen need not be painted.
bool IsWindowUncovered(Hwnd hwnd);
bool IsZoomed(Hwnd hwnd);
// Answers whether the window was disabled before. Disabling takes away focus and capture.
bool EnableWindow(Hwnd hwnd, bool enable);
bool IsWindowEnabled(Hwnd hwnd);

// Window rectangle in screen coordinates.
bool GetWindowRect(Hwnd hwnd, Rect* rect);
// Client rectangle: (0, 0, width, height).
bool GetClientRect(Hwnd hwnd, Rect* rect);
bool ClientToScreen(Hwnd hwnd, Point* point);
bool ScreenToClient(Hwnd hwnd, Point* point);
// Converts points from one window's client coordinates to another's (0 = the screen).
void MapWindowPoints(Hwnd from, Hwnd to, Point* points, std::size_t count);

// --- the tree ---

// A child's parent; for a top-level window its owner.
Hwnd GetParent(Hwnd hwnd);
constexpr unsigned GA_PARENT = 1;
constexpr unsigned GA_ROOT = 2;
constexpr unsigned GA_ROOTOWNER = 3;
Hwnd GetAncestor(Hwnd hwnd, unsigned flags);
// Moves a window into another window's client area (keeping its position numbers, now relative to
// the new parent), or out to the top level with parent 0. The window becomes a child, or stops
// being one, accordingly. Answers the previous parent; 0 and no change when the new parent is the
// window itself or one of its descendants.
Hwnd SetParent(Hwnd hwnd, Hwnd newParent);
bool IsChild(Hwnd parent, Hwnd hwnd);
Hwnd GetWindow(Hwnd hwnd, unsigned relation);
// Children from the top of the z-order down, each followed by its own children.
std::vector<Hwnd> GetChildWindows(Hwnd parent);
Hwnd WindowFromPoint(Point screen);
Hwnd ChildWindowFromPoint(Hwnd parent, Point client);

// --- screen ---
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXVSCROLL = 2;
constexpr int SM_CYHSCROLL = 3;
constexpr int SM_CYCAPTION = 4;
constexpr int SM_CXBORDER = 5;
constexpr int SM_CYBORDER = 6;
constexpr int SM_CXDOUBLECLK = 36;
constexpr int SM_CYDOUBLECLK = 37;
constexpr int SM_CXEDGE = 45;
constexpr int SM_CYEDGE = 46;
int GetSystemMetrics(int index);
// The part of the screen windows may use (all of it: there is no task bar of ours).
bool GetWorkArea(Rect* rect);
// The double-click time in milliseconds.
std::uint32_t GetDoubleClickTime();

} // namespace plat::win
