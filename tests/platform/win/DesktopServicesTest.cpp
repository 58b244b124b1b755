#include <gtest/gtest.h>

#include <thread>

#include "platform/sys/Clock.h"
#include "platform/win/CaretApi.h"
#include "platform/win/ClipboardApi.h"
#include "platform/win/CursorApi.h"
#include "tests/platform/win/TestWindows.h"

namespace plat::win {
namespace {

TEST(Cursor, StandardCursorsAreSharedAndMadeCursorsCheckTheirMasks) {
    EXPECT_EQ(LoadCursor(IDC_ARROW), LoadCursor(IDC_ARROW));
    EXPECT_NE(LoadCursor(IDC_ARROW), LoadCursor(IDC_HAND));
    EXPECT_EQ(LoadCursor(12345), 0u);
    EXPECT_FALSE(DestroyCursor(LoadCursor(IDC_ARROW)));

    const std::vector<std::uint8_t> andMask(2 * 20, 0xFF);
    const std::vector<std::uint8_t> xorMask(2 * 20, 0x00);
    EXPECT_EQ(CreateCursor(0, 0, 16, 20, std::span(andMask).first(30), xorMask), 0u) << "mask too short";
    EXPECT_EQ(CreateCursor(0, 0, 0, 20, andMask, xorMask), 0u);
    const Hcursor made = CreateCursor(40, 5, 16, 20, andMask, xorMask);
    ASSERT_NE(made, 0u);
    CursorImage shape;
    ASSERT_TRUE(GetCursorImage(made, &shape));
    EXPECT_EQ(shape.hotX, 15) << "hot spot kept inside the cursor";
    EXPECT_EQ(shape.andMask.size(), 40u);

    const Hcursor before = SetCursor(made);
    EXPECT_EQ(GetCursor(), made);
    EXPECT_TRUE(DestroyCursor(made));
    EXPECT_EQ(GetCursor(), 0u) << "a destroyed cursor is not shown any more";
    EXPECT_FALSE(GetCursorImage(made, &shape));
    SetCursor(before);
}

TEST(Caret, BlinksOnTheActiveClockAndCountsHiding) {
    sys::FakeClock clock;
    sys::ScopedClock scoped(clock);
    const Hwnd hwnd = test::MakeTopLevel();
    ASSERT_TRUE(CreateCaret(hwnd, 2, 14));
    EXPECT_FALSE(GetCaretState().visible) << "starts hidden";
    ShowCaret(hwnd);
    SetCaretPos(10, 4);
    SetCaretBlinkTime(500);
    auto state = GetCaretState();
    EXPECT_TRUE(state.visible);
    EXPECT_EQ(state.rect, (Rect{10, 4, 12, 18}));
    clock.AdvanceMs(499);
    EXPECT_TRUE(GetCaretState().visible);
    clock.AdvanceMs(1);
    EXPECT_FALSE(GetCaretState().visible) << "second half of the blink";
    SetCaretPos(11, 4);
    EXPECT_TRUE(GetCaretState().visible) << "moving restarts the blink shown";
    HideCaret(hwnd);
    HideCaret(hwnd);
    ShowCaret(hwnd);
    EXPECT_FALSE(GetCaretState().visible) << "hidden twice, shown once";
    ShowCaret(hwnd);
    EXPECT_TRUE(GetCaretState().visible);
    DestroyWindow(hwnd);
    EXPECT_FALSE(GetCaretState().visible) << "gone with its window";
    DestroyCaret();
}

TEST(Clipboard, OneOpenerAtATimeAndTextRoundTrip) {
    const Hwnd a = test::MakeTopLevel();
    const Hwnd b = test::MakeTopLevel();
    EXPECT_FALSE(SetClipboardText("x")) << "not open";
    ASSERT_TRUE(OpenClipboard(a));
    EXPECT_FALSE(OpenClipboard(b));
    bool otherThread = true;
    std::thread([&] { otherThread = OpenClipboard(0); }).join();
    EXPECT_FALSE(otherThread);
    ASSERT_TRUE(EmptyClipboard());
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
    ASSERT_TRUE(SetClipboardText("14.200 MHz \xC2\xB5"));
    EXPECT_EQ(GetClipboardOwner(), a);
    ASSERT_TRUE(CloseClipboard());
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
    EXPECT_EQ(GetClipboardText(), std::optional<std::string>("14.200 MHz \xC2\xB5"));
    ASSERT_TRUE(OpenClipboard(b));
    EXPECT_EQ(GetClipboardText(), std::optional<std::string>("14.200 MHz \xC2\xB5"));
    CloseClipboard();
    DestroyWindow(a);
    DestroyWindow(b);
}

} // namespace
} // namespace plat::win
