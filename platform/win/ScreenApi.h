#pragma once
// The composed screen: every shown top-level window's surface in z-order, with the caret. The
// headless back end has no other screen; tests and people look at it through screenshots.

#include <memory>
#include <string>

#include "platform/gdi/Bitmap.h"
#include "platform/win/Types.h"

namespace plat::win {

// Colour of the screen where no window is.
constexpr std::uint32_t kDesktopColour = 0x808040;

std::unique_ptr<gdi::Bitmap> ComposeScreen();
// What the window shows of itself (frame included), from its top-level window's surface; other
// top-level windows above it are not in the picture. Null for a hidden or unknown window.
std::unique_ptr<gdi::Bitmap> CaptureWindow(Hwnd hwnd);
// Writes the composed screen, or with a window only that window's picture, as a PNG file.
bool SaveScreenshot(const std::string& path, Hwnd hwnd = 0);
void SetScreenSize(Size size);

} // namespace plat::win
