#pragma once
// Keyboard focus, activation, mouse capture, key state and the pointer position, and the entry
// through which the back end (or a test) feeds mouse and keyboard input into the window system.

#include <cstdint>

#include "platform/win/Types.h"
#include "platform/win/VirtualKeys.h"

namespace plat::win {

// Answers of WM_MOUSEACTIVATE.
constexpr LResult MA_ACTIVATE = 1;
constexpr LResult MA_ACTIVATEANDEAT = 2;
constexpr LResult MA_NOACTIVATE = 3;
constexpr LResult MA_NOACTIVATEANDEAT = 4;

// Sends WM_KILLFOCUS to the old and WM_SETFOCUS to the new window and activates the new one's
// top-level window. 0 removes the focus. Answers the previous focus window, 0 when refused
// (unknown, disabled or hidden window).
Hwnd SetFocus(Hwnd hwnd);
Hwnd GetFocus();
// Top-level windows only: WM_NCACTIVATE and WM_ACTIVATE to both sides.
Hwnd SetActiveWindow(Hwnd hwnd);
Hwnd GetActiveWindow();

// While a window holds the capture, every mouse message goes to it, wherever the pointer is.
Hwnd SetCapture(Hwnd hwnd);
bool ReleaseCapture();
Hwnd GetCapture();

// Asks for one WM_MOUSELEAVE when the pointer next leaves the window's client area (or another
// window takes the mouse). False for an unknown window.
bool TrackMouseLeave(Hwnd hwnd);
// The window the pointer was last over (after capture), 0 for none.
Hwnd GetMouseOverWindow();

// High bit (negative value): the key is down; low bit: toggled (caps lock and the like).
std::int16_t GetKeyState(std::uint32_t vk);
std::int16_t GetAsyncKeyState(std::uint32_t vk);
bool GetCursorPos(Point* point);
bool SetCursorPos(std::int32_t x, std::int32_t y);
// Keeps the pointer inside a screen rectangle until called again with null. The back end holds
// the real pointer there where it can; every position the window system takes in (moves, presses,
// SetCursorPos) is brought to the nearest point inside. An empty rectangle is refused.
bool ClipCursor(const Rect* rect);
// The rectangle the pointer is kept in; false while it is free.
bool GetClipCursor(Rect* rect);

// The character a key gives with the current shift, control and caps-lock state (0 for none).
char32_t KeyToChar(std::uint32_t vk);

// --- input from the back end, in screen coordinates ---
enum class MouseButton { Left, Right, Middle };
void InjectMouseMove(Point screen);
// The pointer left our windows for the desktop or another program's window.
void InjectMouseLeave();
void InjectMouseButton(Point screen, MouseButton button, bool down);
// delta in multiples of WHEEL_DELTA per notch, positive away from the user.
void InjectMouseWheel(Point screen, int delta);
void InjectKey(std::uint32_t vk, bool down);

} // namespace plat::win
