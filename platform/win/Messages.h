#pragma once
// Message numbers, with the values that window procedures and posted records have always used.

#include <cstdint>

namespace plat::win {

constexpr std::uint32_t WM_NULL = 0x0000;
constexpr std::uint32_t WM_CREATE = 0x0001;
constexpr std::uint32_t WM_DESTROY = 0x0002;
constexpr std::uint32_t WM_MOVE = 0x0003;
constexpr std::uint32_t WM_SIZE = 0x0005;
constexpr std::uint32_t WM_ACTIVATE = 0x0006;
constexpr std::uint32_t WM_SETFOCUS = 0x0007;
constexpr std::uint32_t WM_KILLFOCUS = 0x0008;
constexpr std::uint32_t WM_ENABLE = 0x000A;
constexpr std::uint32_t WM_SETREDRAW = 0x000B;
constexpr std::uint32_t WM_SETTEXT = 0x000C;
constexpr std::uint32_t WM_GETTEXT = 0x000D;
constexpr std::uint32_t WM_GETTEXTLENGTH = 0x000E;
constexpr std::uint32_t WM_PAINT = 0x000F;
constexpr std::uint32_t WM_CLOSE = 0x0010;
constexpr std::uint32_t WM_QUERYOPEN = 0x0013;
constexpr std::uint32_t WM_QUIT = 0x0012;
constexpr std::uint32_t WM_ERASEBKGND = 0x0014;
constexpr std::uint32_t WM_SHOWWINDOW = 0x0018;
constexpr std::uint32_t WM_ACTIVATEAPP = 0x001C;
constexpr std::uint32_t WM_CANCELMODE = 0x001F;
constexpr std::uint32_t WM_SETCURSOR = 0x0020;
constexpr std::uint32_t WM_MOUSEACTIVATE = 0x0021;
constexpr std::uint32_t WM_CHILDACTIVATE = 0x0022;
constexpr std::uint32_t WM_GETMINMAXINFO = 0x0024;
constexpr std::uint32_t WM_SETFONT = 0x0030;
constexpr std::uint32_t WM_GETFONT = 0x0031;
constexpr std::uint32_t WM_WINDOWPOSCHANGING = 0x0046;
constexpr std::uint32_t WM_WINDOWPOSCHANGED = 0x0047;
constexpr std::uint32_t WM_SETICON = 0x0080;
constexpr std::uint32_t WM_GETICON = 0x007F;
constexpr std::uint32_t WM_STYLECHANGING = 0x007C;
constexpr std::uint32_t WM_STYLECHANGED = 0x007D;
constexpr std::uint32_t WM_NCCREATE = 0x0081;
constexpr std::uint32_t WM_NCDESTROY = 0x0082;
constexpr std::uint32_t WM_NCCALCSIZE = 0x0083;
constexpr std::uint32_t WM_NCHITTEST = 0x0084;
constexpr std::uint32_t WM_NCPAINT = 0x0085;
constexpr std::uint32_t WM_NCACTIVATE = 0x0086;
constexpr std::uint32_t WM_GETDLGCODE = 0x0087;
constexpr std::uint32_t WM_NCMOUSEMOVE = 0x00A0;
constexpr std::uint32_t WM_NCLBUTTONDOWN = 0x00A1;
constexpr std::uint32_t WM_NCLBUTTONUP = 0x00A2;
constexpr std::uint32_t WM_NCLBUTTONDBLCLK = 0x00A3;
constexpr std::uint32_t WM_NCRBUTTONDOWN = 0x00A4;
constexpr std::uint32_t WM_NCRBUTTONUP = 0x00A5;

constexpr std::uint32_t WM_KEYFIRST = 0x0100;
constexpr std::uint32_t WM_KEYDOWN = 0x0100;
constexpr std::uint32_t WM_KEYUP = 0x0101;
constexpr std::uint32_t WM_CHAR = 0x0102;
constexpr std::uint32_t WM_SYSKEYDOWN = 0x0104;
constexpr std::uint32_t WM_SYSKEYUP = 0x0105;
constexpr std::uint32_t WM_SYSCHAR = 0x0106;
constexpr std::uint32_t WM_KEYLAST = 0x0109;
constexpr std::uint32_t WM_COMMAND = 0x0111;
constexpr std::uint32_t WM_SYSCOMMAND = 0x0112;
constexpr std::uint32_t WM_TIMER = 0x0113;
constexpr std::uint32_t WM_HSCROLL = 0x0114;
constexpr std::uint32_t WM_VSCROLL = 0x0115;
constexpr std::uint32_t WM_CHANGEUISTATE = 0x0127;
constexpr std::uint32_t WM_UPDATEUISTATE = 0x0128;

constexpr std::uint32_t WM_MOUSEFIRST = 0x0200;
constexpr std::uint32_t WM_MOUSEMOVE = 0x0200;
constexpr std::uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr std::uint32_t WM_LBUTTONUP = 0x0202;
constexpr std::uint32_t WM_LBUTTONDBLCLK = 0x0203;
constexpr std::uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr std::uint32_t WM_RBUTTONUP = 0x0205;
constexpr std::uint32_t WM_RBUTTONDBLCLK = 0x0206;
constexpr std::uint32_t WM_MBUTTONDOWN = 0x0207;
constexpr std::uint32_t WM_MBUTTONUP = 0x0208;
constexpr std::uint32_t WM_MBUTTONDBLCLK = 0x0209;
constexpr std::uint32_t WM_MOUSEWHEEL = 0x020A;
constexpr std::uint32_t WM_MOUSELAST = 0x020A;
constexpr std::uint32_t WM_SIZING = 0x0214;
constexpr std::uint32_t WM_CAPTURECHANGED = 0x0215;
constexpr std::uint32_t WM_MOVING = 0x0216;
constexpr std::uint32_t WM_POWERBROADCAST = 0x0218;
constexpr std::uint32_t WM_DEVICECHANGE = 0x0219;
constexpr std::uint32_t WM_ENTERSIZEMOVE = 0x0231;
constexpr std::uint32_t WM_EXITSIZEMOVE = 0x0232;
constexpr std::uint32_t WM_DROPFILES = 0x0233;
constexpr std::uint32_t WM_MOUSELEAVE = 0x02A3;

constexpr std::uint32_t WM_CUT = 0x0300;
constexpr std::uint32_t WM_COPY = 0x0301;
constexpr std::uint32_t WM_PASTE = 0x0302;
constexpr std::uint32_t WM_CLEAR = 0x0303;
constexpr std::uint32_t WM_UNDO = 0x0304;

constexpr std::uint32_t WM_USER = 0x0400;
constexpr std::uint32_t WM_APP = 0x8000;

// Answers of WM_NCHITTEST.
constexpr std::intptr_t HTERROR = -2;
constexpr std::intptr_t HTTRANSPARENT = -1;
constexpr std::intptr_t HTNOWHERE = 0;
constexpr std::intptr_t HTCLIENT = 1;
constexpr std::intptr_t HTCAPTION = 2;
constexpr std::intptr_t HTBORDER = 18;
constexpr std::intptr_t HTLEFT = 10;
constexpr std::intptr_t HTRIGHT = 11;
constexpr std::intptr_t HTTOP = 12;
constexpr std::intptr_t HTTOPLEFT = 13;
constexpr std::intptr_t HTTOPRIGHT = 14;
constexpr std::intptr_t HTBOTTOM = 15;
constexpr std::intptr_t HTBOTTOMLEFT = 16;
constexpr std::intptr_t HTBOTTOMRIGHT = 17;

// WM_SETICON / WM_GETICON kinds.
constexpr std::uintptr_t ICON_SMALL = 0;
constexpr std::uintptr_t ICON_BIG = 1;

// WM_SIZE kinds.
constexpr std::uintptr_t SIZE_RESTORED = 0;
constexpr std::uintptr_t SIZE_MINIMIZED = 1;
constexpr std::uintptr_t SIZE_MAXIMIZED = 2;

// WM_SHOWWINDOW reasons (lParam).
constexpr std::intptr_t SW_PARENTCLOSING = 1;
constexpr std::intptr_t SW_PARENTOPENING = 3;

// WM_SYSCOMMAND commands.
constexpr std::uintptr_t SC_SIZE = 0xF000;
constexpr std::uintptr_t SC_MOVE = 0xF010;
constexpr std::uintptr_t SC_MINIMIZE = 0xF020;
constexpr std::uintptr_t SC_MAXIMIZE = 0xF030;
constexpr std::uintptr_t SC_CLOSE = 0xF060;
constexpr std::uintptr_t SC_RESTORE = 0xF120;

// WM_SIZING edges.
constexpr std::uintptr_t WMSZ_LEFT = 1;
constexpr std::uintptr_t WMSZ_RIGHT = 2;
constexpr std::uintptr_t WMSZ_TOP = 3;
constexpr std::uintptr_t WMSZ_TOPLEFT = 4;
constexpr std::uintptr_t WMSZ_TOPRIGHT = 5;
constexpr std::uintptr_t WMSZ_BOTTOM = 6;
constexpr std::uintptr_t WMSZ_BOTTOMLEFT = 7;
constexpr std::uintptr_t WMSZ_BOTTOMRIGHT = 8;

// Mouse key-state bits in wParam of mouse messages.
constexpr std::uintptr_t MK_LBUTTON = 0x0001;
constexpr std::uintptr_t MK_RBUTTON = 0x0002;
constexpr std::uintptr_t MK_SHIFT = 0x0004;
constexpr std::uintptr_t MK_CONTROL = 0x0008;
constexpr std::uintptr_t MK_MBUTTON = 0x0010;

// WM_ACTIVATE states.
constexpr std::uintptr_t WA_INACTIVE = 0;
constexpr std::uintptr_t WA_ACTIVE = 1;
constexpr std::uintptr_t WA_CLICKACTIVE = 2;

// PeekMessage options.
constexpr std::uint32_t PM_NOREMOVE = 0x0000;
constexpr std::uint32_t PM_REMOVE = 0x0001;
constexpr std::uint32_t PM_NOYIELD = 0x0002;

// Wheel step of one notch.
constexpr int WHEEL_DELTA = 120;

} // namespace plat::win
