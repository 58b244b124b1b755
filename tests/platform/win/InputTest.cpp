#include <gtest/gtest.h>

#include "platform/sys/Clock.h"
#include "platform/win/CursorApi.h"
#include "platform/win/DropApi.h"
#include "platform/win/InputApi.h"
#include "platform/win/MessageApi.h"
#include "tests/platform/win/TestWindows.h"

namespace plat::win {
namespace {

using test::Recorded;
using test::Recorder;

class InputTest : public test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        top_ = test::MakeTopLevel(100, 100, 300, 200, WS_POPUP | WS_VISIBLE);
        button_ = test::MakeChild(top_, 10, 10, 50, 20);
        test::Pump();
        Recorder::Get().Clear();
    }
    void TearDown() override {
        ClipCursor(nullptr);
        SetFocus(button_);
        for (std::uint32_t vk : {VK_SHIFT, VK_CONTROL, VK_MENU}) Key(vk, false);
        if (GetKeyState(VK_CAPITAL) & 1) {
            Key(VK_CAPITAL, true);
            Key(VK_CAPITAL, false);
        }
        DestroyWindow(top_);
        for (std::uint32_t vk : {VK_SHIFT, VK_CONTROL, VK_MENU, VK_LBUTTON}) InjectKey(vk, false);
        if (GetKeyState(VK_CAPITAL) & 1) {
            InjectKey(VK_CAPITAL, true);
            InjectKey(VK_CAPITAL, false);
        }
        WindowTest::TearDown();
    }
    // A key as the focus window's thread sees it: injected and taken from the queue.
    void Key(std::uint32_t vk, bool down) {
        InjectKey(vk, down);
        test::Pump();
    }
    void Click(Point p) {
        InjectMouseButton(p, MouseButton::Left, true);
        InjectMouseButton(p, MouseButton::Left, false);
        test::Pump();
    }
    std::vector<Recorded> MouseLog(Hwnd hwnd) {
        std::vector<Recorded> out;
        for (const auto& r : Recorder::Get().Log())
            if (r.hwnd == hwnd && r.msg >= WM_MOUSEFIRST && r.msg <= WM_MOUSELAST) out.push_back(r);
        return out;
    }
    sys::FakeClock clock_;
    sys::ScopedClock scoped_{clock_};
    Hwnd top_ = 0;
    Hwnd button_ = 0;
};

TEST_F(InputTest, PressGoesToTheWindowUnderThePointerInItsClientCoordinates) {
    Click({115, 112});
    const auto log = MouseLog(button_);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].msg, WM_LBUTTONDOWN);
    EXPECT_EQ(log[0].wParam & MK_LBUTTON, MK_LBUTTON);
    EXPECT_EQ(GetXParam(log[0].lParam), 5);
    EXPECT_EQ(GetYParam(log[0].lParam), 2);
    EXPECT_EQ(log[1].msg, WM_LBUTTONUP);
    EXPECT_EQ(log[1].wParam & MK_LBUTTON, 0u);
    EXPECT_EQ(GetActiveWindow(), top_) << "a press activates the top-level window";
}

// Every message carries where the pointer was when it was made, in screen coordinates: hints
// open there.
TEST_F(InputTest, MessagesCarryThePointerPositionOfTheirMaking) {
    InjectMouseMove({115, 112});
    PostMessage(top_, WM_USER, 0, 0);
    InjectMouseMove({150, 140});
    Msg m{};
    ASSERT_TRUE(PeekMessage(&m, 0, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE));
    EXPECT_EQ(m.pt.x, 115);
    EXPECT_EQ(m.pt.y, 112);
    ASSERT_TRUE(PeekMessage(&m, 0, WM_USER, WM_USER, PM_REMOVE));
    EXPECT_EQ(m.pt.x, 115) << "posted while the pointer was there";
    EXPECT_EQ(m.pt.y, 112);
    ASSERT_TRUE(PeekMessage(&m, 0, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE));
    EXPECT_EQ(m.pt.x, 150);
    EXPECT_EQ(m.pt.y, 140);
}

TEST_F(InputTest, CaptureGetsMovesOutsideWithNegativeCoordinates) {
    SetCapture(button_);
    InjectMouseMove({105, 300});
    test::Pump();
    auto log = MouseLog(button_);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(GetXParam(log[0].lParam), -5);
    EXPECT_EQ(GetYParam(log[0].lParam), 190);
    Recorder::Get().Clear();
    ReleaseCapture();
    EXPECT_EQ(Recorder::Get().Messages(button_, {WM_CAPTURECHANGED}).size(), 1u);
    InjectMouseMove({105, 300});
    test::Pump();
    EXPECT_TRUE(MouseLog(button_).empty()) << "outside every window once released";
}

// A clip rectangle holds the pointer: every position the window system takes in lands inside it,
// nearest to where it was, until the clip is released.
TEST_F(InputTest, ClippedPointerStaysInsideItsRectangle) {
    Rect clip;
    EXPECT_FALSE(GetClipCursor(&clip)) << "free at first";
    const Rect empty{120, 120, 120, 130};
    EXPECT_FALSE(ClipCursor(&empty));
    EXPECT_FALSE(GetClipCursor(&clip));
    const Rect area{110, 110, 160, 130}; // the button's screen rectangle
    ASSERT_TRUE(ClipCursor(&area));
    ASSERT_TRUE(GetClipCursor(&clip));
    EXPECT_EQ(clip.left, 110);
    EXPECT_EQ(clip.bottom, 130);
    const struct {
        Point in, out;
    } moves[] = {{{130, 120}, {130, 120}}, {{500, 120}, {159, 120}}, {{0, 0}, {110, 110}}, {{130, 900}, {130, 129}}};
    for (const auto& m : moves) {
        Recorder::Get().Clear();
        InjectMouseMove(m.in);
        test::Pump();
        Point at;
        GetCursorPos(&at);
        EXPECT_EQ(at.x, m.out.x) << m.in.x << "," << m.in.y;
        EXPECT_EQ(at.y, m.out.y) << m.in.x << "," << m.in.y;
        const auto log = MouseLog(button_);
        ASSERT_EQ(log.size(), 1u) << "the move reaches the window under the clipped point";
        EXPECT_EQ(GetXParam(log[0].lParam), m.out.x - 110);
        EXPECT_EQ(GetYParam(log[0].lParam), m.out.y - 110);
    }
    Recorder::Get().Clear();
    Click({400, 250});
    EXPECT_EQ(MouseLog(button_).size(), 2u) << "a press outside lands on the edge";
    SetCursorPos(5, 5);
    Point at;
    GetCursorPos(&at);
    EXPECT_EQ(at.x, 110);
    ASSERT_TRUE(ClipCursor(nullptr));
    EXPECT_FALSE(GetClipCursor(&clip));
    InjectMouseMove({500, 120});
    GetCursorPos(&at);
    EXPECT_EQ(at.x, 500) << "free again";
}

TEST_F(InputTest, DoubleClickNeedsTheClassStyleTheTimeAndThePlace) {
    struct Case {
        const char* what;
        std::int64_t gapMs;
        Point second;
        bool expectDouble;
    };
    const Case cases[] = {
        {"quick, same place", 100, {115, 112}, true},
        {"at the time limit", 500, {115, 112}, true},
        {"too slow", 501, {115, 112}, false},
        {"moved too far", 100, {118, 112}, false},
        {"within the slop", 100, {117, 114}, true},
    };
    for (const auto& c : cases) {
        Recorder::Get().Clear();
        clock_.AdvanceMs(10'000); // forget earlier presses
        Click({115, 112});
        clock_.AdvanceMs(c.gapMs);
        Click(c.second);
        const auto log = MouseLog(button_);
        ASSERT_EQ(log.size(), 4u) << c.what;
        EXPECT_EQ(log[2].msg, c.expectDouble ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN) << c.what;
    }
    // A third quick press starts a new pair instead of another double click.
    Recorder::Get().Clear();
    clock_.AdvanceMs(10'000);
    Click({115, 112});
    Click({115, 112});
    Click({115, 112});
    const auto log = MouseLog(button_);
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(log[4].msg, WM_LBUTTONDOWN);
}

TEST_F(InputTest, WindowsWithoutDoubleClickStyleGetTwoPresses) {
    WindowClass cls;
    cls.name = "NoDoubleClicks";
    cls.proc = &Recorder::Proc;
    ASSERT_TRUE(RegisterClass(cls));
    const Hwnd plain = CreateWindowEx(0, "NoDoubleClicks", "", WS_CHILD | WS_VISIBLE, 100, 100, 20, 20, top_, 0, 0);
    Click({205, 205});
    Click({205, 205});
    EXPECT_EQ(Recorder::Get().Messages(plain, {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}),
              (std::vector<std::uint32_t>{WM_LBUTTONDOWN, WM_LBUTTONDOWN}));
    DestroyWindow(plain);
    UnregisterClass("NoDoubleClicks");
}

TEST_F(InputTest, DisabledTopLevelTakesNoClicksAndDisabledChildPassesThemUp) {
    EnableWindow(button_, false);
    Click({115, 112});
    EXPECT_TRUE(MouseLog(button_).empty());
    EXPECT_EQ(MouseLog(top_).size(), 2u);
    Recorder::Get().Clear();
    EnableWindow(top_, false);
    Click({200, 150});
    EXPECT_TRUE(MouseLog(top_).empty());
}

TEST_F(InputTest, BorderPressArrivesAsNonClientMessageWithTheHitCode) {
    const Hwnd framed = test::MakeChild(top_, 100, 100, 50, 50, WS_CHILD | WS_VISIBLE | WS_BORDER);
    Click({200, 200}); // the frame's top-left pixel
    const auto log = Recorder::Get().Log();
    auto it = std::find_if(log.begin(), log.end(),
                           [&](const Recorded& r) { return r.hwnd == framed && r.msg == WM_NCLBUTTONDOWN; });
    ASSERT_NE(it, log.end());
    EXPECT_EQ(it->wParam, static_cast<WParam>(HTBORDER));
    EXPECT_EQ(GetXParam(it->lParam), 200) << "screen coordinates";
}

TEST_F(InputTest, FocusMovesWithMessagesNamingTheOtherSide) {
    const Hwnd other = test::MakeChild(top_, 100, 10, 50, 20);
    EXPECT_NE(SetFocus(button_), button_);
    EXPECT_EQ(GetFocus(), button_);
    Recorder::Get().Clear();
    EXPECT_EQ(SetFocus(other), button_);
    const auto log = Recorder::Get().Log();
    std::vector<Recorded> focus;
    for (const auto& r : log)
        if (r.msg == WM_KILLFOCUS || r.msg == WM_SETFOCUS) focus.push_back(r);
    ASSERT_EQ(focus.size(), 2u);
    EXPECT_EQ(focus[0].hwnd, button_);
    EXPECT_EQ(focus[0].msg, WM_KILLFOCUS);
    EXPECT_EQ(focus[0].wParam, other);
    EXPECT_EQ(focus[1].hwnd, other);
    EXPECT_EQ(focus[1].msg, WM_SETFOCUS);
    EXPECT_EQ(focus[1].wParam, button_);

    EnableWindow(other, false);
    EXPECT_EQ(GetFocus(), 0u) << "a disabled window loses the focus";
    EXPECT_EQ(SetFocus(other), 0u) << "and cannot take it";
    SetFocus(button_);
    ShowWindow(button_, SW_HIDE);
    EXPECT_EQ(GetFocus(), 0u) << "nor keeps it when hidden";
}

TEST_F(InputTest, KeysGoToTheFocusAndTranslateIntoCharacters) {
    SetFocus(button_);
    Recorder::Get().Clear();
    // All keys arrive before the loop runs: each character still follows the shift state of its
    // own key.
    InjectKey(VK_SHIFT, true);
    InjectKey('A', true);
    InjectKey('A', false);
    InjectKey(VK_SHIFT, false);
    InjectKey('B', true);
    InjectKey('B', false);
    test::Pump();
    std::u32string typed;
    for (const auto& r : Recorder::Get().Log())
        if (r.hwnd == button_ && r.msg == WM_CHAR) typed.push_back(static_cast<char32_t>(r.wParam));
    EXPECT_EQ(typed, U"Ab");
    const auto keys = Recorder::Get().Messages(button_, {WM_KEYDOWN, WM_CHAR, WM_KEYUP});
    EXPECT_EQ(keys[0], WM_KEYDOWN);
    EXPECT_EQ(keys[1], WM_KEYDOWN) << "shift, then A";
    EXPECT_EQ(keys[2], WM_CHAR) << "the character comes right after its key";
}

TEST_F(InputTest, CharacterTableFollowsShiftCapsAndControl) {
    struct Case {
        std::uint32_t vk;
        bool shift, caps, control;
        char32_t ch;
    };
    const Case cases[] = {
        {'Q', false, false, false, U'q'}, {'Q', true, false, false, U'Q'}, {'Q', false, true, false, U'Q'},
        {'Q', true, true, false, U'q'},   {'C', false, false, true, 3},    {'7', false, false, false, U'7'},
        {'7', true, false, false, U'&'},  {VK_OEM_PERIOD, false, false, false, U'.'},
        {VK_DECIMAL, false, false, false, U'.'}, {VK_OEM_MINUS, false, false, false, U'-'},
        {VK_BACK, false, false, false, 8}, {VK_RETURN, false, false, false, 13},
        {VK_LEFT, false, false, false, 0}, {VK_F1, false, false, false, 0},
    };
    SetFocus(button_);
    for (const auto& c : cases) {
        if (c.shift) Key(VK_SHIFT, true);
        if (c.control) Key(VK_CONTROL, true);
        if (c.caps) {
            Key(VK_CAPITAL, true);
            Key(VK_CAPITAL, false);
        }
        EXPECT_EQ(KeyToChar(c.vk), c.ch) << "vk " << c.vk;
        if (c.caps) {
            Key(VK_CAPITAL, true);
            Key(VK_CAPITAL, false);
        }
        Key(VK_SHIFT, false);
        Key(VK_CONTROL, false);
    }
}

TEST_F(InputTest, KeyStateFollowsTheMessagesTakenWhileAsyncStateFollowsTheDevice) {
    SetFocus(button_);
    const int toggle = GetKeyState(VK_CONTROL) & 1;
    InjectKey(VK_CONTROL, true);
    EXPECT_LT(GetAsyncKeyState(VK_CONTROL), 0);
    EXPECT_GE(GetKeyState(VK_CONTROL), 0) << "the thread has not taken the key yet";
    test::Pump();
    EXPECT_LT(GetKeyState(VK_CONTROL), 0);
    Key(VK_CONTROL, true); // auto-repeat does not toggle again
    Key(VK_CONTROL, false);
    EXPECT_EQ(GetKeyState(VK_CONTROL), toggle ^ 1);
    EXPECT_EQ(GetAsyncKeyState(VK_CONTROL), 0);
}

// The wheel turns what is under the pointer, whatever has the focus, and climbs to a parent that
// wants it; off every window of ours it turns the focus, as keys do.
TEST_F(InputTest, WheelGoesToTheWindowUnderThePointerElseToTheFocusAndClimbsToAParent) {
    const Hwnd other = test::MakeChild(top_, 100, 10, 50, 20);
    test::Pump();
    const struct {
        Point at;
        Hwnd expected;
        const char* where;
    } cases[] = {{{115, 112}, button_, "over the button, with the focus elsewhere"},
                 {{205, 112}, other, "over the focused window"},
                 {{0, 0}, other, "off our windows: the focus"}};
    for (const auto& c : cases) {
        SetFocus(other);
        Recorder::Get().Clear();
        InjectMouseWheel(c.at, -WHEEL_DELTA);
        test::Pump();
        std::vector<Hwnd> reached;
        for (const auto& r : Recorder::Get().Log())
            if (r.msg == WM_MOUSEWHEEL) {
                reached.push_back(r.hwnd);
                EXPECT_EQ(static_cast<std::int16_t>(HiWord(r.wParam)), -WHEEL_DELTA) << c.where;
                EXPECT_EQ(GetXParam(r.lParam), c.at.x) << "in screen coordinates: " << c.where;
            }
        EXPECT_EQ(reached, (std::vector<Hwnd>{c.expected, top_})) << c.where << ": not handled, so passed to the parent";
    }
    DestroyWindow(other);
}

TEST_F(InputTest, MovingOverAWindowShowsItsClassCursor) {
    WindowClass cls;
    cls.name = "WithIBeam";
    cls.proc = &Recorder::Proc;
    cls.cursor = LoadCursor(IDC_IBEAM);
    ASSERT_TRUE(RegisterClass(cls));
    const Hwnd edit = CreateWindowEx(0, "WithIBeam", "", WS_CHILD | WS_VISIBLE, 100, 100, 50, 20, top_, 0, 0);
    SetCursor(LoadCursor(IDC_ARROW));
    InjectMouseMove({205, 205});
    EXPECT_EQ(GetCursor(), LoadCursor(IDC_IBEAM));
    DestroyWindow(edit);
    UnregisterClass("WithIBeam");
}

TEST_F(InputTest, LeavingATrackedWindowIsReportedOnce) {
    InjectMouseMove({115, 112});
    test::Pump();
    EXPECT_EQ(GetMouseOverWindow(), button_);
    ASSERT_TRUE(TrackMouseLeave(button_));
    InjectMouseMove({116, 112});
    test::Pump();
    EXPECT_TRUE(Recorder::Get().Messages(button_, {WM_MOUSELEAVE}).empty()) << "still inside";
    InjectMouseMove({200, 150});
    InjectMouseMove({250, 150});
    test::Pump();
    EXPECT_EQ(Recorder::Get().Messages(button_, {WM_MOUSELEAVE}).size(), 1u);
    // Under capture, leaving the client area counts too.
    InjectMouseMove({115, 112});
    SetCapture(button_);
    TrackMouseLeave(button_);
    InjectMouseMove({115, 190});
    test::Pump();
    EXPECT_EQ(Recorder::Get().Messages(button_, {WM_MOUSELEAVE}).size(), 2u);
    ReleaseCapture();
    TrackMouseLeave(button_);
    test::Pump();
    EXPECT_EQ(Recorder::Get().Messages(button_, {WM_MOUSELEAVE}).size(), 3u) << "asked while outside: at once";
}

TEST_F(InputTest, DroppedFilesGoToTheNearestWindowThatAcceptsThem) {
    EXPECT_FALSE(InjectDropFiles({115, 112}, {"/tmp/a.csv"})) << "nobody accepts files yet";
    DragAcceptFiles(top_, true);
    ASSERT_TRUE(InjectDropFiles({115, 112}, {"/tmp/a.csv", "/tmp/b.csv", "/tmp/c.csv"}));
    test::Pump();
    const auto log = Recorder::Get().Log();
    auto it = std::find_if(log.begin(), log.end(), [](const Recorded& r) { return r.msg == WM_DROPFILES; });
    ASSERT_NE(it, log.end());
    EXPECT_EQ(it->hwnd, top_) << "the button under the point passes the drop to its parent";
    const auto drop = static_cast<Hdrop>(it->wParam);
    EXPECT_EQ(DragQueryFileCount(drop), 3u);
    EXPECT_EQ(DragQueryFile(drop, 2), "/tmp/c.csv");
    EXPECT_EQ(DragQueryFile(drop, 3), "");
    Point p;
    EXPECT_TRUE(DragQueryPoint(drop, &p));
    EXPECT_EQ(p, (Point{15, 12}));
    DragFinish(drop);
    EXPECT_EQ(DragQueryFileCount(drop), 0u) << "freed";
    DragAcceptFiles(top_, false);
    EXPECT_FALSE(InjectDropFiles({115, 112}, {"/tmp/a.csv"}));
}

} // namespace
} // namespace plat::win
