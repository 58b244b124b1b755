#pragma once
// Helpers for toolkit tests: a fake clock, pumping the calling thread's messages, mouse and key
// input sent to a control through its top window, and painting a window into a bitmap.

#include <gtest/gtest.h>

#include "tests/support/PumpMessages.h"
#include "demod/ui/toolkit/RC_Window.h"
#include "platform/sys/Clock.h"
#include "platform/win/Win.h"

#include <memory>

namespace toolkit_test {

namespace win = plat::win;

// Handles everything waiting, without blocking.
inline void Pump() { lxq_test::PumpMessages(); }

// Coordinates of a point of `w` in its top window.
inline win::Point InTop(const RC_Window* w, int x, int y) {
    for (; w != nullptr && w->Handle() == 0; w = w->Parent()) {
        x += w->X();
        y += w->Y();
    }
    return {x, y};
}

inline void Mouse(RC_Window* w, std::uint32_t msg, int x, int y, win::WParam keys = 0) {
    const win::Point p = InTop(w, x, y);
    win::SendMessage(w->TopWindow()->Handle(), msg, keys, win::MakeLParam(p.x, p.y));
}

inline void Click(RC_Window* w, int x, int y) {
    Mouse(w, win::WM_LBUTTONDOWN, x, y, win::MK_LBUTTON);
    Mouse(w, win::WM_LBUTTONUP, x, y);
}

// The window painted alone into a fresh 32-bit bitmap of its size.
inline std::unique_ptr<plat::gdi::Bitmap> Render(RC_Window* w) {
    auto bitmap = plat::gdi::Bitmap::Create(w->Width(), w->Height(), 32);
    plat::gdi::DC dc(bitmap.get());
    w->Invalidate();
    const int x = w->X(), y = w->Y();
    // A windowless window is copied at its place in the parent: paint it at the origin.
    if (w->Handle() == 0) w->Move(0, 0, w->Width(), w->Height(), false);
    w->Paint(dc);
    if (w->Handle() == 0) w->Move(x, y, w->Width(), w->Height(), false);
    return bitmap;
}

class ToolkitTest : public ::testing::Test {
protected:
    void SetUp() override { top_ = MakeTop(); }
    void TearDown() override {
        delete top_;
        Pump();
        EXPECT_EQ(RC_Window::LiveWindowCount(), 0u) << "a window outlived its test";
    }
    static RC_Window* MakeTop(int w = 200, int h = 150) {
        auto* top = new RC_Window(nullptr, 10, 10, w, h, RC_Window::kKeepsLoop);
        top->Show(win::SW_SHOW);
        return top;
    }

    plat::sys::FakeClock clock_;
    plat::sys::ScopedClock scoped_{clock_};
    RC_Window* top_ = nullptr;
};

} // namespace toolkit_test
