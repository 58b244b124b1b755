#pragma once
// The back end for people: each top-level window is an X window showing its surface; X input
// becomes the window system's mouse and keyboard input. Xlib is only touched in the source file.

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/win/Backend.h"

namespace plat::win {

class X11Backend final : public Backend {
public:
    // Null when the display cannot be opened; `error` says why.
    static std::unique_ptr<X11Backend> Open(const std::string& displayName, std::string* error);
    ~X11Backend() override;

    const char* Name() const override { return "x11"; }
    bool Wait(int wakeFd, sys::Nanoseconds timeout) override;
    void Pump() override;
    // Collected and shown on the next pass of the loop, only the areas that changed.
    void SurfaceChanged(std::uint32_t topLevel, const gdi::Rect& area) override;
    void TopLevelChanged(std::uint32_t topLevel) override;
    void TopLevelDestroyed(std::uint32_t topLevel) override;
    // Without a window manager nothing else restacks: the X windows follow the window system's
    // z-order, so a dialog comes up above the window it was opened from.
    void TopLevelRaised(std::uint32_t topLevel) override;
    void ConfinePointer(const gdi::Rect* screen) override;

    struct Impl;

private:
    explicit X11Backend(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

} // namespace plat::win
