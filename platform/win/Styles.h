#pragma once
// Window styles, class styles, show commands and window-position flags, with their usual values.

#include <cstdint>

namespace plat::win {

constexpr std::uint32_t WS_OVERLAPPED = 0x00000000u;
constexpr std::uint32_t WS_MAXIMIZEBOX = 0x00010000u;
constexpr std::uint32_t WS_TABSTOP = 0x00010000u;
constexpr std::uint32_t WS_MINIMIZEBOX = 0x00020000u;
constexpr std::uint32_t WS_GROUP = 0x00020000u;
constexpr std::uint32_t WS_THICKFRAME = 0x00040000u;
constexpr std::uint32_t WS_SYSMENU = 0x00080000u;
constexpr std::uint32_t WS_HSCROLL = 0x00100000u;
constexpr std::uint32_t WS_VSCROLL = 0x00200000u;
constexpr std::uint32_t WS_DLGFRAME = 0x00400000u;
constexpr std::uint32_t WS_BORDER = 0x00800000u;
constexpr std::uint32_t WS_CAPTION = 0x00C00000u;
constexpr std::uint32_t WS_MAXIMIZE = 0x01000000u;
constexpr std::uint32_t WS_CLIPCHILDREN = 0x02000000u;
constexpr std::uint32_t WS_CLIPSIBLINGS = 0x04000000u;
constexpr std::uint32_t WS_DISABLED = 0x08000000u;
constexpr std::uint32_t WS_VISIBLE = 0x10000000u;
constexpr std::uint32_t WS_MINIMIZE = 0x20000000u;
constexpr std::uint32_t WS_CHILD = 0x40000000u;
constexpr std::uint32_t WS_POPUP = 0x80000000u;
constexpr std::uint32_t WS_OVERLAPPEDWINDOW =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

constexpr std::uint32_t WS_EX_DLGMODALFRAME = 0x00000001u;
constexpr std::uint32_t WS_EX_NOPARENTNOTIFY = 0x00000004u;
constexpr std::uint32_t WS_EX_TOPMOST = 0x00000008u;
constexpr std::uint32_t WS_EX_ACCEPTFILES = 0x00000010u;
constexpr std::uint32_t WS_EX_TRANSPARENT = 0x00000020u;
constexpr std::uint32_t WS_EX_TOOLWINDOW = 0x00000080u;
constexpr std::uint32_t WS_EX_WINDOWEDGE = 0x00000100u;
constexpr std::uint32_t WS_EX_CLIENTEDGE = 0x00000200u;
constexpr std::uint32_t WS_EX_CONTROLPARENT = 0x00010000u;
constexpr std::uint32_t WS_EX_STATICEDGE = 0x00020000u;
constexpr std::uint32_t WS_EX_APPWINDOW = 0x00040000u;

constexpr std::uint32_t CS_VREDRAW = 0x0001u;
constexpr std::uint32_t CS_HREDRAW = 0x0002u;
constexpr std::uint32_t CS_DBLCLKS = 0x0008u;
constexpr std::uint32_t CS_OWNDC = 0x0020u;
constexpr std::uint32_t CS_PARENTDC = 0x0080u;
constexpr std::uint32_t CS_SAVEBITS = 0x0800u;

// ShowWindow commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_NORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_MAXIMIZE = 3;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_SHOWMINNOACTIVE = 7;
constexpr int SW_SHOWNA = 8;
constexpr int SW_RESTORE = 9;

// SetWindowPos flags.
constexpr std::uint32_t SWP_NOSIZE = 0x0001u;
constexpr std::uint32_t SWP_NOMOVE = 0x0002u;
constexpr std::uint32_t SWP_NOZORDER = 0x0004u;
constexpr std::uint32_t SWP_NOREDRAW = 0x0008u;
constexpr std::uint32_t SWP_NOACTIVATE = 0x0010u;
constexpr std::uint32_t SWP_FRAMECHANGED = 0x0020u;
constexpr std::uint32_t SWP_SHOWWINDOW = 0x0040u;
constexpr std::uint32_t SWP_HIDEWINDOW = 0x0080u;

// Slots of GetWindowLongPtr / SetWindowLongPtr.
constexpr int GWLP_WNDPROC = -4;
// A top-level window's owner (never its parent: SetParent embeds).
constexpr int GWLP_HWNDPARENT = -8;
constexpr int GWLP_ID = -12;
constexpr int GWL_STYLE = -16;
constexpr int GWL_EXSTYLE = -20;
constexpr int GWLP_USERDATA = -21;

// GetWindow relations.
constexpr unsigned GW_HWNDFIRST = 0;
constexpr unsigned GW_HWNDLAST = 1;
constexpr unsigned GW_HWNDNEXT = 2;
constexpr unsigned GW_HWNDPREV = 3;
constexpr unsigned GW_OWNER = 4;
constexpr unsigned GW_CHILD = 5;

// Default position or size in CreateWindowEx.
constexpr std::int32_t CW_USEDEFAULT = static_cast<std::int32_t>(0x80000000u);

} // namespace plat::win
