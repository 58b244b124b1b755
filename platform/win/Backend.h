#pragma once
// Where windows are shown and where input comes from. The message loop only ever waits through
// this interface, so tests run the whole window system headless, without a display.

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
};

} // namespace plat::win
