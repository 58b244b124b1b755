#pragma once
// A device context on a window: it draws into the surface of the window's top-level window, with
// its origin at the window (or its client area) and clipped to the part of it that is visible.

#include <memory>

#include "platform/gdi/DC.h"
#include "platform/win/Types.h"

namespace plat::win {

class WindowDC final : public gdi::DC {
public:
    // `area`: bounds of what the context can draw on, in surface coordinates.
    WindowDC(std::shared_ptr<gdi::Bitmap> surface, Hwnd hwnd, Hwnd topLevel, Rect area)
        : gdi::DC(surface.get()), surface_(std::move(surface)), hwnd_(hwnd), topLevel_(topLevel), area_(area) {}
    Hwnd Window() const { return hwnd_; }
    Hwnd TopLevel() const { return topLevel_; }
    Rect Area() const { return area_; }

private:
    std::shared_ptr<gdi::Bitmap> surface_; // kept alive while the context is out
    Hwnd hwnd_;
    Hwnd topLevel_;
    Rect area_;
};

} // namespace plat::win
