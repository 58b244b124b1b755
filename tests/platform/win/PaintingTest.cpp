#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

#include "platform/sys/Clock.h"
#include "platform/win/CaretApi.h"
#include "platform/win/PaintApi.h"
#include "platform/win/ScreenApi.h"
#include "tests/platform/win/TestWindows.h"

namespace plat::win {
namespace {

constexpr gdi::ColorRef kRed = 0x0000FF;
constexpr gdi::ColorRef kGreen = 0x00FF00;
constexpr gdi::ColorRef kBlue = 0xFF0000;
constexpr gdi::ColorRef kWhite = 0xFFFFFF;
constexpr gdi::ColorRef kBlack = 0x000000;

// Windows that fill their client area with the colour in their user data and count their paints.
struct PaintLog {
    static std::map<Hwnd, int>& Counts() {
        static std::map<Hwnd, int> counts;
        return counts;
    }
    static std::vector<Hwnd>& Order() {
        static std::vector<Hwnd> order;
        return order;
    }
    static std::map<Hwnd, Rect>& LastArea() {
        static std::map<Hwnd, Rect> areas;
        return areas;
    }
};

LResult FillerProc(Hwnd hwnd, std::uint32_t msg, WParam wParam, LParam lParam) {
    if (msg == WM_PAINT) {
        PaintStruct ps;
        gdi::DC* dc = BeginPaint(hwnd, &ps);
        Rect client;
        GetClientRect(hwnd, &client);
        if (dc) dc->FillRect(client, gdi::Brush::Solid(static_cast<gdi::ColorRef>(GetWindowLongPtr(hwnd, GWLP_USERDATA))));
        EndPaint(hwnd, &ps);
        ++PaintLog::Counts()[hwnd];
        PaintLog::Order().push_back(hwnd);
        PaintLog::LastArea()[hwnd] = ps.paint;
        return 0;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

class PaintingTest : public test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        static const bool registered = [] {
            WindowClass cls;
            cls.name = "Filler";
            cls.proc = &FillerProc;
            return RegisterClass(cls);
        }();
        ASSERT_TRUE(registered);
        PaintLog::Counts().clear();
        PaintLog::Order().clear();
    }
    void TearDown() override {
        for (Hwnd h : made_) DestroyWindow(h);
        WindowTest::TearDown();
    }
    Hwnd Make(Hwnd parent, Rect r, gdi::ColorRef colour, std::uint32_t style = WS_VISIBLE) {
        const std::uint32_t kind = parent && !(style & WS_POPUP) ? WS_CHILD : WS_POPUP;
        const Hwnd h = CreateWindowEx(0, "Filler", "", style | kind, r.left, r.top, r.Width(), r.Height(),
                                      parent, 0, 0);
        SetWindowLongPtr(h, GWLP_USERDATA, static_cast<LParam>(colour));
        if (!parent || kind == WS_POPUP) made_.push_back(h);
        return h;
    }
    // Pixel of a window's picture, in its window coordinates.
    static gdi::ColorRef At(Hwnd hwnd, int x, int y) {
        auto picture = CaptureWindow(hwnd);
        return picture ? picture->GetPixel(x, y) : gdi::kInvalidColor;
    }
    std::vector<Hwnd> made_;
};

TEST_F(PaintingTest, InvalidationsCoalesceIntoOnePaintOfTheirUnion) {
    const Hwnd top = Make(0, {0, 0, 100, 100}, kRed);
    test::Pump();
    ASSERT_EQ(PaintLog::Counts()[top], 1);
    Rect a{10, 10, 20, 20};
    Rect b{50, 60, 70, 80};
    InvalidateRect(top, &a, false);
    InvalidateRect(top, &b, false);
    InvalidateRect(top, &a, false);
    Rect bounds;
    ASSERT_TRUE(GetUpdateRect(top, &bounds));
    EXPECT_EQ(bounds, (Rect{10, 10, 70, 80}));
    test::Pump();
    EXPECT_EQ(PaintLog::Counts()[top], 2);
    EXPECT_EQ(PaintLog::LastArea()[top], (Rect{10, 10, 70, 80}));
    EXPECT_FALSE(GetUpdateRect(top, &bounds));
}

TEST_F(PaintingTest, PaintIsClippedToTheUpdateRegion) {
    const Hwnd top = Make(0, {0, 0, 100, 100}, kRed);
    test::Pump();
    SetWindowLongPtr(top, GWLP_USERDATA, kBlue);
    Rect part{10, 10, 20, 20};
    InvalidateRect(top, &part, false);
    test::Pump();
    EXPECT_EQ(At(top, 10, 10), kBlue);
    EXPECT_EQ(At(top, 19, 19), kBlue);
    EXPECT_EQ(At(top, 20, 19), kRed) << "the handler filled everything, the clip kept the rest";
    EXPECT_EQ(At(top, 9, 10), kRed);
}

TEST_F(PaintingTest, ParentsPaintBeforeChildrenAndNeverOverTheirChildren) {
    const Hwnd top = Make(0, {0, 0, 100, 100}, kRed);
    const Hwnd child = Make(top, {10, 10, 50, 50}, kGreen);
    const Hwnd above = Make(top, {40, 40, 80, 80}, kBlue);
    test::Pump();
    EXPECT_EQ(PaintLog::Order(), (std::vector<Hwnd>{top, child, above}));
    EXPECT_EQ(At(top, 5, 5), kRed);
    EXPECT_EQ(At(top, 20, 20), kGreen);
    EXPECT_EQ(At(top, 45, 45), kBlue) << "the later sibling is on top";
    EXPECT_EQ(At(top, 79, 79), kBlue);
    // The parent repaints all of itself: its children stay.
    InvalidateRect(top, nullptr, true);
    test::Pump();
    EXPECT_EQ(PaintLog::Counts()[child], 1) << "clipped away, so not invalidated";
    EXPECT_EQ(At(top, 20, 20), kGreen);
    // The lower sibling repaints all of itself: the upper one stays.
    InvalidateRect(child, nullptr, true);
    test::Pump();
    EXPECT_EQ(At(top, 45, 45), kBlue);
}

TEST_F(PaintingTest, HidingOrMovingAChildRepaintsWhatItUncovers) {
    const Hwnd top = Make(0, {0, 0, 100, 100}, kRed);
    const Hwnd lower = Make(top, {0, 0, 60, 60}, kGreen);
    const Hwnd child = Make(top, {40, 40, 80, 80}, kBlue);
    test::Pump();
    ShowWindow(child, SW_HIDE);
    test::Pump();
    EXPECT_EQ(At(top, 50, 50), kGreen) << "the sibling beneath shows again";
    EXPECT_EQ(At(top, 70, 70), kRed);
    ShowWindow(child, SW_SHOW);
    test::Pump();
    EXPECT_EQ(At(top, 50, 50), kBlue);
    MoveWindow(child, 0, 70, 40, 30, true);
    test::Pump();
    EXPECT_EQ(At(top, 50, 50), kGreen);
    EXPECT_EQ(At(top, 75, 75), kRed);
    EXPECT_EQ(At(top, 10, 80), kBlue);
    DestroyWindow(lower);
    test::Pump();
    EXPECT_EQ(At(top, 10, 10), kRed) << "destroying uncovers as well";
}

TEST_F(PaintingTest, DefaultFrameAndClassBackground) {
    WindowClass cls;
    cls.name = "Erased";
    cls.proc = &DefWindowProc;
    cls.background = kGreen + 1;
    ASSERT_TRUE(RegisterClass(cls));
    const Hwnd top = Make(0, {0, 0, 100, 100}, kRed);
    const Hwnd framed = CreateWindowEx(0, "Erased", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 30, 20, top, 0, 0);
    test::Pump();
    EXPECT_EQ(At(top, 10, 10), kBlack) << "border";
    EXPECT_EQ(At(top, 39, 29), kBlack);
    EXPECT_EQ(At(top, 11, 11), kGreen) << "background erased by default";
    EXPECT_EQ(At(top, 40, 30), kRed);
    DestroyWindow(framed);
    UnregisterClass("Erased");
}

// A control that keeps a two-pixel frame of its own and paints it in rings of its own colours,
// as the program's flat edits do.
LResult RingFrameProc(Hwnd hwnd, std::uint32_t msg, WParam wParam, LParam lParam) {
    switch (msg) {
    case WM_NCCALCSIZE: {
        auto* r = reinterpret_cast<Rect*>(lParam);
        *r = r->Inflate(-2, -2);
        return 0;
    }
    case WM_NCPAINT: {
        gdi::DC* dc = GetWindowDC(hwnd);
        Rect whole;
        GetWindowRect(hwnd, &whole);
        whole = whole.Offset(-whole.left, -whole.top);
        const gdi::ColorRef outer = static_cast<gdi::ColorRef>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
        dc->FrameRect(whole, gdi::Brush::Solid(outer));
        dc->FrameRect(whole.Inflate(-1, -1), gdi::Brush::Solid(0x808080));
        ReleaseDC(hwnd, dc);
        return 0;
    }
    default:
        return FillerProc(hwnd, msg, wParam, lParam);
    }
}

TEST_F(PaintingTest, ControlPaintsItsOwnFrameOnRequest) {
    WindowClass cls;
    cls.name = "RingFrame";
    cls.proc = &RingFrameProc;
    ASSERT_TRUE(RegisterClass(cls));
    const Hwnd top = Make(0, {0, 0, 100, 100}, kRed);
    const Hwnd edit = CreateWindowEx(0, "RingFrame", "", WS_CHILD | WS_VISIBLE, 10, 10, 40, 20, top, 0, 0);
    SetWindowLongPtr(edit, GWLP_USERDATA, kBlack);
    test::Pump();
    EXPECT_EQ(At(edit, 0, 0), kBlack);
    EXPECT_EQ(At(edit, 1, 1), gdi::ColorRef{0x808080});
    EXPECT_EQ(At(edit, 2, 2), kBlack) << "client area filled by WM_PAINT with the user data colour";
    // A new frame colour shows only after the frame is redrawn, and the client area is untouched.
    SetWindowLongPtr(edit, GWLP_USERDATA, kGreen);
    const int paintsBefore = PaintLog::Counts()[edit];
    RedrawWindow(edit, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_VALIDATE);
    test::Pump();
    EXPECT_EQ(At(edit, 0, 0), kGreen);
    EXPECT_EQ(At(edit, 2, 2), kBlack);
    EXPECT_EQ(PaintLog::Counts()[edit], paintsBefore);
    // A frame change that keeps the client size repaints only the frame.
    SetWindowLongPtr(edit, GWLP_USERDATA, kBlue);
    SetWindowPos(edit, 0, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
    test::Pump();
    EXPECT_EQ(At(edit, 0, 0), kBlue);
    EXPECT_EQ(At(edit, 2, 2), kBlack);
    EXPECT_EQ(PaintLog::Counts()[edit], paintsBefore);
    DestroyWindow(edit);
    UnregisterClass("RingFrame");
}

TEST_F(PaintingTest, ReparentedWindowPaintsInsideItsNewParent) {
    // The host form with a panel; the plug-in's own top-level window with a child of its own.
    const Hwnd form = Make(0, {100, 100, 300, 250}, kRed);
    const Hwnd panel = Make(form, {20, 20, 120, 100}, kWhite);
    const Hwnd plugin = Make(0, {600, 600, 680, 660}, kGreen);
    const Hwnd knob = Make(plugin, {10, 10, 20, 20}, kBlue);
    test::Pump();
    EXPECT_EQ(At(plugin, 5, 5), kGreen);

    SetParent(plugin, panel);
    SetWindowPos(plugin, 0, 5, 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    test::Pump();
    // panel client at (20,20) in the form; plug-in at (5,5) in it; knob at (10,10) in the plug-in.
    EXPECT_EQ(At(form, 21, 21), kWhite);
    EXPECT_EQ(At(form, 26, 26), kGreen);
    EXPECT_EQ(At(form, 36, 36), kBlue);
    EXPECT_EQ(At(form, 104, 64), kGreen);
    EXPECT_EQ(At(form, 105, 65), kWhite);
    auto screen = ComposeScreen();
    EXPECT_EQ(screen->GetPixel(136, 136), kBlue) << "on the screen through the form";
    EXPECT_EQ(screen->GetPixel(600, 600), kDesktopColour) << "its old place is empty";
    EXPECT_EQ(WindowFromPoint({136, 136}), knob);

    // Clipped by the panel it now lives in.
    MoveWindow(plugin, 60, 60, 80, 60, true);
    test::Pump();
    EXPECT_EQ(At(form, 119, 99), kGreen);
    EXPECT_EQ(At(form, 120, 100), kRed) << "outside the panel";

    SetParent(plugin, 0);
    test::Pump();
    EXPECT_EQ(At(form, 100, 90), kWhite) << "the panel repaints where the plug-in was";
    EXPECT_EQ(At(plugin, 15, 15), kBlue) << "and the plug-in paints on its own again";
}

TEST_F(PaintingTest, WindowRegionShapesPaintingAndHitTesting) {
    const Hwnd top = Make(0, {0, 0, 100, 100}, kRed);
    const Hwnd round = Make(top, {10, 10, 50, 50}, kBlue);
    const Rect shapeRects[] = {{10, 0, 30, 40}, {0, 10, 40, 30}}; // a plus sign
    SetWindowRgn(round, gdi::Region::FromRects(shapeRects), true);
    test::Pump();
    EXPECT_EQ(At(top, 12, 12), kRed) << "a corner outside the shape";
    EXPECT_EQ(At(top, 30, 30), kBlue);
    EXPECT_EQ(WindowFromPoint({12, 12}), top);
    EXPECT_EQ(WindowFromPoint({30, 12}), round);
    SetWindowRgn(round, std::nullopt, true);
    test::Pump();
    EXPECT_EQ(At(top, 12, 12), kBlue);
}

TEST_F(PaintingTest, ComposedScreenStacksTopLevelWindowsAndTheCaret) {
    const Hwnd lower = Make(0, {0, 0, 100, 100}, kRed);
    const Hwnd upper = Make(0, {50, 50, 150, 150}, kGreen);
    const Hwnd pinned = Make(0, {90, 90, 110, 110}, kBlue);
    SetWindowPos(pinned, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(lower, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    test::Pump();
    auto screen = ComposeScreen();
    EXPECT_EQ(screen->GetPixel(60, 60), kRed) << "raised over the other";
    EXPECT_EQ(screen->GetPixel(120, 120), kGreen);
    EXPECT_EQ(screen->GetPixel(95, 95), kBlue) << "top-most stays on top";
    // The caret blinks on the active clock: a fake one keeps it in the half looked for, however
    // long a loaded machine takes between showing and composing.
    plat::sys::FakeClock caretClock;
    plat::sys::ScopedClock scopedCaretClock(caretClock);
    CreateCaret(upper, 2, 10);
    SetCaretPos(60, 10);
    ShowCaret(upper);
    screen = ComposeScreen();
    EXPECT_EQ(screen->GetPixel(110, 60), gdi::ColorRef{0xFF00FF}) << "caret inverts green";
    caretClock.AdvanceMs(GetCaretBlinkTime());
    screen = ComposeScreen();
    EXPECT_EQ(screen->GetPixel(110, 60), kGreen) << "the blink's dark half";
    DestroyCaret();
    ShowWindow(lower, SW_MINIMIZE);
    screen = ComposeScreen();
    EXPECT_EQ(screen->GetPixel(10, 10), kDesktopColour);
}

TEST_F(PaintingTest, DeviceContextsOutsidePaintingAndTheirRelease) {
    const Hwnd top = Make(0, {0, 0, 100, 100}, kRed);
    test::Pump();
    gdi::DC* dc = GetDC(top);
    ASSERT_NE(dc, nullptr);
    dc->SetPixel(3, 4, kBlue);
    EXPECT_TRUE(ReleaseDC(top, dc));
    EXPECT_FALSE(ReleaseDC(top, dc)) << "given back twice";
    EXPECT_EQ(At(top, 3, 4), kBlue);
    gdi::DC stranger;
    EXPECT_FALSE(ReleaseDC(top, &stranger));
    EXPECT_EQ(GetDC(CreateMessageWindow(nullptr)), nullptr);
}

TEST_F(PaintingTest, ScreenshotIsAPngFileWrittenWhole) {
    const Hwnd top = Make(0, {0, 0, 64, 48}, kGreen);
    test::Pump();
    const auto path = (std::filesystem::temp_directory_path() / "win_painting_test_shot.png").string();
    ASSERT_TRUE(SaveScreenshot(path, top));
    std::ifstream in(path, std::ios::binary);
    char signature[8] = {};
    in.read(signature, 8);
    EXPECT_EQ(std::string(signature + 1, 3), "PNG");
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    std::filesystem::remove(path);
    EXPECT_FALSE(SaveScreenshot("/nonexistent-folder/shot.png", top));
}

} // namespace
} // namespace plat::win
