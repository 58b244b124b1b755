#pragma once
// Steps shared by the units that change windows. Internal to platform/win.

#include "platform/win/Types.h"

namespace plat::win {

class WindowSystem;
struct Window;

// Asks the window for its client area (WM_NCCALCSIZE) and stores it.
void RecalcClientRect(Hwnd hwnd);
// Takes the window out of its parent's child list or the top-level list; caller holds the mutex.
void UnlinkLocked(WindowSystem& ws, Window& w);
// Forgets focus, capture and activation held by a window that goes away or hides.
void DropInputOf(Hwnd hwnd, bool withDescendants);

// Brings the key state up to date with an input message the thread has just taken.
void NoteInputMessageTaken(const Msg& msg);

} // namespace plat::win
