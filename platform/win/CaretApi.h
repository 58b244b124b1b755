#pragma once
// The text caret: one per process, belonging to a window; drawn inverted over the window's
// content while shown, blinking on the active clock.

#include <cstdint>

#include "platform/win/Types.h"

namespace plat::win {

// Replaces any existing caret (of any window). The caret starts hidden.
bool CreateCaret(Hwnd hwnd, std::int32_t width, std::int32_t height);
bool DestroyCaret();
// Client coordinates of the caret's window.
bool SetCaretPos(std::int32_t x, std::int32_t y);
bool GetCaretPos(Point* point);
// Hiding is counted: the caret shows when ShowCaret has balanced every HideCaret.
bool ShowCaret(Hwnd hwnd);
bool HideCaret(Hwnd hwnd);
bool SetCaretBlinkTime(std::uint32_t ms);
std::uint32_t GetCaretBlinkTime();

// The caret as the compositor draws it.
struct CaretState {
    Hwnd hwnd = 0;
    Rect rect;            // client coordinates
    bool visible = false; // created, shown, and in the "on" half of its blink
};
CaretState GetCaretState();

} // namespace plat::win
