#pragma once
// The window system's record of one window. Callers never see it: they hold the handle. Fields are
// guarded by the window system's mutex.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/gdi/Region.h"
#include "platform/win/Styles.h"
#include "platform/win/Types.h"

namespace plat::win {

struct Window {
    Hwnd handle = 0;
    std::uint32_t thread = 0;       // the owning thread: it runs the window procedure
    std::string className;
    std::uint32_t classStyle = 0;
    WndProc proc = nullptr;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    Hwnd parent = 0;                // child windows only
    Hwnd owner = 0;                 // popups and top-level windows only
    bool messageOnly = false;       // never shown, never painted, only receives messages
    std::vector<Hwnd> children;     // bottom of the z-order first
    Rect rect;                      // window rectangle: in the parent's client coordinates for a
                                    // child, in screen coordinates otherwise
    Rect client;                    // client area in window coordinates (after the non-client frame)
    Rect restoreRect;               // rectangle before maximising or minimising
    std::string text;
    LParam userData = 0;
    std::uintptr_t id = 0;
    LParam bigIcon = 0;             // icon handles kept for WM_GETICON
    LParam smallIcon = 0;
    std::uint32_t classCursor = 0;
    std::uint32_t classBackground = 0;
    gdi::Region update;             // client area still to be painted, client coordinates
    bool eraseNeeded = false;       // the next BeginPaint erases the background first
    bool frameNeeded = false;       // the non-client frame is to be painted (WM_NCPAINT)
    std::optional<gdi::Region> shape; // window region in window coordinates (none: the rectangle)
    bool destroying = false;
    bool hiddenWithOwner = false;   // hidden because its owner was minimised

    bool IsChild() const { return (style & WS_CHILD) != 0; }
};

} // namespace plat::win
