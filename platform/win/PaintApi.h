#pragma once
// Invalidation, painting and device contexts on windows. Invalid areas collect in each window's
// update region; the window's thread gets WM_PAINT once nothing else is waiting, and BeginPaint
// hands out a context clipped to what needs painting.

#include <cstdint>
#include <optional>

#include "platform/gdi/DC.h"
#include "platform/gdi/Region.h"
#include "platform/win/Types.h"

namespace plat::win {

struct PaintStruct {
    gdi::DC* dc = nullptr;
    bool erase = false;   // true when the background still needs erasing (WM_ERASEBKGND said no)
    Rect paint;           // bounds of the area to paint, client coordinates
};

// RedrawWindow flags, with their usual values.
constexpr unsigned RDW_INVALIDATE = 0x0001;
constexpr unsigned RDW_INTERNALPAINT = 0x0002;
constexpr unsigned RDW_ERASE = 0x0004;
constexpr unsigned RDW_VALIDATE = 0x0008;
constexpr unsigned RDW_NOINTERNALPAINT = 0x0010;
constexpr unsigned RDW_NOERASE = 0x0020;
constexpr unsigned RDW_NOCHILDREN = 0x0040;
constexpr unsigned RDW_ALLCHILDREN = 0x0080;
constexpr unsigned RDW_UPDATENOW = 0x0100;
constexpr unsigned RDW_ERASENOW = 0x0200;
constexpr unsigned RDW_FRAME = 0x0400;
constexpr unsigned RDW_NOFRAME = 0x0800;

// rect null: the whole client area. A window clips its children and the siblings above it, so
// this never makes a child paint.
bool InvalidateRect(Hwnd hwnd, const Rect* rect, bool erase);
bool InvalidateRgn(Hwnd hwnd, const gdi::Region* region, bool erase);
bool ValidateRect(Hwnd hwnd, const Rect* rect);
bool RedrawWindow(Hwnd hwnd, const Rect* rect, const gdi::Region* region, unsigned flags);
// Paints the window now (WM_NCPAINT and WM_PAINT) when it has something to paint.
bool UpdateWindow(Hwnd hwnd);
// Bounds of the update region; false when there is nothing to paint.
bool GetUpdateRect(Hwnd hwnd, Rect* rect);
gdi::Region GetUpdateRgn(Hwnd hwnd);

gdi::DC* BeginPaint(Hwnd hwnd, PaintStruct* ps);
bool EndPaint(Hwnd hwnd, const PaintStruct* ps);
// A context on the client area (GetDC) or on the whole window including its frame (GetWindowDC),
// clipped to the visible part. Each must be given back with ReleaseDC. Null for a message-only or
// unknown window.
gdi::DC* GetDC(Hwnd hwnd);
gdi::DC* GetWindowDC(Hwnd hwnd);
bool ReleaseDC(Hwnd hwnd, gdi::DC* dc);

// Gives the window a shape (window coordinates); nullopt returns it to its rectangle. Outside the
// shape the window neither paints nor takes the mouse.
bool SetWindowRgn(Hwnd hwnd, std::optional<gdi::Region> region, bool redraw);
std::optional<gdi::Region> GetWindowRgn(Hwnd hwnd);

} // namespace plat::win
