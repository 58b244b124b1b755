#pragma once
// Basic types of the window system. Window handles are 32-bit numbers from a handle table, never
// pointers, so that a stale handle is detected instead of dereferenced.

#include <cstdint>

#include "platform/gdi/Geometry.h"

namespace plat::win {

using Hwnd = std::uint32_t;
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

// A window procedure: the window, the message number and its two parameters.
using WndProc = LResult (*)(Hwnd hwnd, std::uint32_t msg, WParam wParam, LParam lParam);
// A timer callback, called by DispatchMessage for a WM_TIMER that carries it.
using TimerProc = void (*)(Hwnd hwnd, std::uint32_t msg, std::uintptr_t id, std::uint32_t timeMs);

// Special handle values (never produced by the handle table).
constexpr Hwnd kNoWindow = 0;
constexpr Hwnd HWND_TOP = 0;
constexpr Hwnd HWND_BOTTOM = 1;
constexpr Hwnd HWND_BROADCAST = 0xFFFF;
constexpr Hwnd HWND_MESSAGE = 0xFFFFFFFDu; // parent of message-only windows
constexpr Hwnd HWND_NOTOPMOST = 0xFFFFFFFEu;
constexpr Hwnd HWND_TOPMOST = 0xFFFFFFFFu;

// Points, sizes and rectangles are the drawing layer's, so a window's rectangles go straight into
// its device contexts. Rectangles exclude their right and bottom edges.
using Point = gdi::Point;
using Size = gdi::Size;
using Rect = gdi::Rect;

struct Msg {
    Hwnd hwnd = 0;
    std::uint32_t message = 0;
    WParam wParam = 0;
    LParam lParam = 0;
    std::uint32_t time = 0; // milliseconds of the active clock, wrapping
    Point pt;               // cursor position in screen coordinates when posted
};

// Packing of two 16-bit values into a parameter, as the message numbers expect them. The halves
// are taken as unsigned and widened explicitly so negative coordinates survive the round trip.
constexpr LParam MakeLParam(std::int32_t low, std::int32_t high) {
    return static_cast<LParam>(static_cast<std::int32_t>(
        (static_cast<std::uint32_t>(low) & 0xFFFFu) | ((static_cast<std::uint32_t>(high) & 0xFFFFu) << 16)));
}
constexpr WParam MakeWParam(std::uint32_t low, std::uint32_t high) {
    return static_cast<WParam>((low & 0xFFFFu) | ((high & 0xFFFFu) << 16));
}
constexpr std::uint16_t LoWord(std::uintptr_t v) { return static_cast<std::uint16_t>(v & 0xFFFFu); }
constexpr std::uint16_t HiWord(std::uintptr_t v) { return static_cast<std::uint16_t>((v >> 16) & 0xFFFFu); }
// Signed halves, for coordinates.
constexpr std::int16_t GetXParam(LParam v) { return static_cast<std::int16_t>(LoWord(static_cast<std::uintptr_t>(v))); }
constexpr std::int16_t GetYParam(LParam v) { return static_cast<std::int16_t>(HiWord(static_cast<std::uintptr_t>(v))); }

} // namespace plat::win
