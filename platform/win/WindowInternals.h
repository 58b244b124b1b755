#pragma once
// Steps shared by the units that change windows. Internal to platform/win.

#include <cstdint>

#include "platform/gdi/Region.h"
#include "platform/win/Types.h"

namespace plat::win {

class WindowSystem;
struct Window;

// Asks the window for its client area (WM_NCCALCSIZE) and stores it.
void RecalcClientRect(Hwnd hwnd);
// Asks a window's own thread to destroy it (a child or owned window of another thread goes with
// its parent or owner); handled by the queue itself, never by a window procedure.
constexpr std::uint32_t kDestroyRequest = 0x03F0;
void DestroyOnOwnThread(Hwnd hwnd);

// Takes the window out of its parent's child list or the top-level list; caller holds the mutex.
void UnlinkLocked(WindowSystem& ws, Window& w);
// Forgets focus, capture and activation held by a window that goes away or hides.
void DropInputOf(Hwnd hwnd, bool withDescendants);

// A top-level window goes to the top of its z-order group (top-most or not), the windows it owns
// above it: it was shown or activated.
void BringToTop(Hwnd hwnd);
// The active window `gone` hides or goes away: its owner takes the activation when it can, else the
// top window of the same thread that can, so the keyboard is never left with no window.
void ActivateNextAfter(Hwnd gone);

// A mouse message taken while a window of the thread holds the capture goes to that window,
// whichever window it was posted to: the capture decides when input is taken, not when it is made.
void RouteTakenMouseToCapture(Msg& msg);
// Brings the key state up to date with an input message the thread has just taken.
void NoteInputMessageTaken(const Msg& msg);

// --- painting bookkeeping; the caller holds the window system's mutex ---
// Adds an area (client coordinates) to a shown window's update region, optionally to the children
// it covers as well (their frames included).
void InvalidateAreaLocked(WindowSystem& ws, Window& w, const gdi::Region& clientArea, bool erase,
                          bool withChildren);
// Everything of the window is to be painted again: frame, client area and all descendants.
void InvalidateTreeLocked(WindowSystem& ws, Window& w);
// What a child window covers in its parent is to be painted again (it moves away or hides).
void InvalidateUnderLocked(WindowSystem& ws, const Window& w);

// The next window of the thread that has something to paint, parents before their children;
// 0 when none (filter 0: any window).
Hwnd NextWindowToPaint(std::uint32_t thread, Hwnd filter);
// Sends WM_NCPAINT when the frame waits to be painted; answers whether the client area still
// needs a WM_PAINT.
bool PaintFrameIfNeeded(Hwnd hwnd);

} // namespace plat::win
