#pragma once
// Where windows are shown and where input comes from. The message loop only ever waits through
// this interface, so tests run the whole window system headless, without a display.

#include <cstdint>

#include "platform/gdi/Geometry.h"
#include "platform/sys/Clock.h"

namespace plat::win {

class Backend {
public:
    virtual ~Backend() = default;
    virtual const char* Name() const = 0;
    // Blocks until wakeFd is readable, the display has events or the timeout passes
    // (negative: no limit). Returns true when something arrived, false on timeout.
    virtual bool Wait(int wakeFd, sys::Nanoseconds timeout) = 0;
    // Turns pending display events into messages for their windows' threads.
    virtual void Pump() {}
    // Part of a top-level window's surface got new pixels (a context on it was given back); an
    // empty area means all of it.
    virtual void SurfaceChanged(std::uint32_t topLevel, const gdi::Rect& area) {
        (void)topLevel;
        (void)area;
    }
    // A top-level window appeared, moved, changed size or visibility, or went away.
    virtual void TopLevelChanged(std::uint32_t topLevel) { (void)topLevel; }
    virtual void TopLevelDestroyed(std::uint32_t topLevel) { (void)topLevel; }
    // A top-level window went to the top of the z-order (shown or activated); top-most windows
    // stay above it.
    virtual void TopLevelRaised(std::uint32_t topLevel) { (void)topLevel; }
    // Holds the real pointer inside a screen rectangle, or frees it (null). The window system
    // clamps the positions it is given anyway; a back end without a real pointer does nothing.
    virtual void ConfinePointer(const gdi::Rect* screen) { (void)screen; }
};

} // namespace plat::win
