#pragma once
// A message as the library's controls handle it (WndProc, Perform), and the library's own
// notifications between controls, numbered above the window system's application range start.

#include <cstdint>

#include "platform/win/Messages.h"
#include "platform/win/Types.h"

namespace plat::comp {

struct TMessage {
    std::uint32_t Msg = 0;
    win::WParam WParam = 0;
    win::LParam LParam = 0;
    win::LResult Result = 0;
};

// WM_PAINT and WM_NCPAINT carry, when sent by PaintTo, the drawing context to paint into
// (a plat::gdi::DC*) in WParam; a zero WParam means "paint your own window".
constexpr std::uint32_t CM_BASE = 0xB000;
constexpr std::uint32_t CM_ENABLEDCHANGED = CM_BASE + 1;
constexpr std::uint32_t CM_VISIBLECHANGED = CM_BASE + 2;
constexpr std::uint32_t CM_COLORCHANGED = CM_BASE + 3;
constexpr std::uint32_t CM_FONTCHANGED = CM_BASE + 4;
constexpr std::uint32_t CM_TEXTCHANGED = CM_BASE + 5;
constexpr std::uint32_t CM_PARENTCOLORCHANGED = CM_BASE + 6;
constexpr std::uint32_t CM_PARENTFONTCHANGED = CM_BASE + 7;
constexpr std::uint32_t CM_MOUSEENTER = CM_BASE + 8;
constexpr std::uint32_t CM_MOUSELEAVE = CM_BASE + 9;
constexpr std::uint32_t CM_ENTER = CM_BASE + 10;
constexpr std::uint32_t CM_EXIT = CM_BASE + 11;
constexpr std::uint32_t CM_DIALOGKEY = CM_BASE + 12;
constexpr std::uint32_t CM_HINTSHOW = CM_BASE + 13;
// Posted to a form to free it once the handler that asked for it has returned.
constexpr std::uint32_t CM_RELEASE = CM_BASE + 14;
// A control's Ctl3D look changed.
constexpr std::uint32_t CM_CTL3DCHANGED = CM_BASE + 15;
// Sent to every control of a form with an Alt+character (WParam, the character) until one answers
// 1: the control whose caption has that character as its accelerator.
constexpr std::uint32_t CM_DIALOGCHAR = CM_BASE + 16;

// Hit-test answer for a form's menu bar.
constexpr win::LResult HTMENU = 5;
constexpr win::LResult HTHSCROLL = 6;
constexpr win::LResult HTVSCROLL = 7;

// Virtual-key codes the library acts on.
namespace vk {
constexpr std::uint16_t Back = 0x08;
constexpr std::uint16_t Tab = 0x09;
constexpr std::uint16_t Return = 0x0D;
constexpr std::uint16_t Shift = 0x10;
constexpr std::uint16_t Control = 0x11;
constexpr std::uint16_t Menu = 0x12;
constexpr std::uint16_t Escape = 0x1B;
constexpr std::uint16_t Space = 0x20;
constexpr std::uint16_t Prior = 0x21;
constexpr std::uint16_t Next = 0x22;
constexpr std::uint16_t End = 0x23;
constexpr std::uint16_t Home = 0x24;
constexpr std::uint16_t Left = 0x25;
constexpr std::uint16_t Up = 0x26;
constexpr std::uint16_t Right = 0x27;
constexpr std::uint16_t Down = 0x28;
constexpr std::uint16_t Delete = 0x2E;
} // namespace vk

} // namespace plat::comp
