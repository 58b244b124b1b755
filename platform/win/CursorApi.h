#pragma once
// Mouse cursors: the standard shapes and cursors made from AND/XOR masks. Which cursor is shown is
// process-wide state; the back end reads it to show the shape.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/win/Types.h"

namespace plat::win {

using Hcursor = std::uint32_t;

// Standard cursor ids, with their usual values.
constexpr std::uint32_t IDC_ARROW = 32512;
constexpr std::uint32_t IDC_IBEAM = 32513;
constexpr std::uint32_t IDC_WAIT = 32514;
constexpr std::uint32_t IDC_CROSS = 32515;
constexpr std::uint32_t IDC_UPARROW = 32516;
constexpr std::uint32_t IDC_SIZENWSE = 32642;
constexpr std::uint32_t IDC_SIZENESW = 32643;
constexpr std::uint32_t IDC_SIZEWE = 32644;
constexpr std::uint32_t IDC_SIZENS = 32645;
constexpr std::uint32_t IDC_SIZEALL = 32646;
constexpr std::uint32_t IDC_NO = 32648;
constexpr std::uint32_t IDC_HAND = 32649;
constexpr std::uint32_t IDC_APPSTARTING = 32650;
constexpr std::uint32_t IDC_HELP = 32651;

// What a cursor looks like. A standard cursor has its id and no masks; a made one has masks of
// width x height bits, rows padded to whole 16-bit words, most significant bit first: AND 1 keeps
// the screen pixel, XOR 1 then inverts it (AND 0 / XOR 0 black, AND 0 / XOR 1 white).
struct CursorImage {
    std::uint32_t standardId = 0;
    std::int32_t hotX = 0;
    std::int32_t hotY = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> andMask;
    std::vector<std::uint8_t> xorMask;
};

// The shared handle of a standard cursor (the same on every call); 0 for an unknown id.
Hcursor LoadCursor(std::uint32_t id);
// 0 when the size is not positive or the masks are shorter than the size needs.
Hcursor CreateCursor(std::int32_t hotX, std::int32_t hotY, std::int32_t width, std::int32_t height,
                     std::span<const std::uint8_t> andMask, std::span<const std::uint8_t> xorMask);
// Standard cursors are never destroyed.
bool DestroyCursor(Hcursor cursor);
// Answers the previous cursor. 0 hides the cursor.
Hcursor SetCursor(Hcursor cursor);
Hcursor GetCursor();
bool GetCursorImage(Hcursor cursor, CursorImage* shape);
// Display counter: the cursor is shown while it is 0 or more. Answers the new counter.
int ShowCursor(bool show);

} // namespace plat::win
