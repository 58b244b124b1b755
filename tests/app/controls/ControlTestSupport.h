#pragma once
// Helpers for control tests: painting a control into a bitmap, reading pixels, pumping the
// thread's messages and sending mouse and key input, all without a display.

#include <gtest/gtest.h>

#include <memory>

#include "tests/support/PumpMessages.h"
#include "platform/components/TBitmap.h"
#include "platform/components/TControl.h"
#include "platform/sys/Clock.h"
#include "platform/win/MessageApi.h"

namespace lxq::test {

namespace comp = plat::comp;
namespace win = plat::win;

// The control painted alone (frame and children included) into a bitmap of its size.
inline std::unique_ptr<comp::TBitmap> Render(comp::TControl& control) {
    auto bitmap = std::make_unique<comp::TBitmap>(control.Width(), control.Height());
    control.PaintTo(*bitmap->Canvas().Handle(), 0, 0);
    return bitmap;
}

inline comp::TColor PixelAt(comp::TBitmap& bitmap, int x, int y) {
    return bitmap.Canvas().Handle()->GetPixel(x, y);
}

// Handles everything waiting (timers that are due included) without blocking.
inline void Pump() { lxq_test::PumpMessages(); }

inline void Mouse(comp::TControl& c, std::uint32_t msg, int x, int y, win::WParam keys = 0) {
    c.Perform(msg, keys, win::MakeLParam(x, y));
}

// A fake clock for the test's lifetime; Advance moves time on and handles what became due, in
// steps of `step` so that periodic timers fire at every period.
class FakeTime {
public:
    void Advance(std::int64_t ms, std::int64_t step = 10) {
        for (std::int64_t done = 0; done < ms; done += step) {
            clock_.AdvanceMs(std::min(step, ms - done));
            Pump();
        }
    }
    std::int64_t NowMs() const { return clock_.NowMs(); }

private:
    plat::sys::FakeClock clock_;
    plat::sys::ScopedClock scoped_{clock_};
};

} // namespace lxq::test
