#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/controls/TstSpeedButton.h"
#include "platform/components/TWinControl.h"
#include "tests/app/controls/ControlTestSupport.h"

namespace lxq {
namespace {

using namespace plat::comp;
namespace win = plat::win;

class SpeedButtonTest : public testing::Test {
protected:
    TstSpeedButton* Make(int w = 20, int h = 20) {
        auto* b = new TstSpeedButton(nullptr);
        b->SetParent(&parent_);
        b->SetBounds(0, 0, w, h);
        return b;
    }
    static void Press(TstSpeedButton& b, int x = 5, int y = 5) {
        test::Mouse(b, win::WM_LBUTTONDOWN, x, y, win::MK_LBUTTON);
    }
    static void Release(TstSpeedButton& b, int x = 5, int y = 5) {
        test::Mouse(b, win::WM_LBUTTONUP, x, y);
    }

    TWinControl parent_{nullptr};
};

struct GlyphCase {
    TSTButtonKind kind;
    std::vector<std::string> picture; // columns p-1 .. p+6, rows q .. q+5; '#' is glyph colour
};

// A 6-pixel glyph (20 x 20 button, no bevel, KindPercent 30) placed at p = q = 7.
TEST_F(SpeedButtonTest, TheTenGlyphs) {
    const GlyphCase cases[] = {
        {TSTButtonKind::stbkLeftArrow,
         {".....##.", "...####.", ".######.", ".######.", "...####.", ".....##."}},
        {TSTButtonKind::stbkRightArrow,
         {".##.....", ".####...", ".######.", ".######.", ".####...", ".##....."}},
        {TSTButtonKind::stbkUpArrow,
         {"........", "........", "...##...", "..####..", ".######.", "........"}},
        {TSTButtonKind::stbkDownArrow,
         {"........", ".######.", "..####..", "...##...", "........", "........"}},
        {TSTButtonKind::stbkStop,
         {".######.", ".######.", ".######.", ".######.", ".######.", ".######."}},
        {TSTButtonKind::stbkPause,
         {"###.###.", "###.###.", "###.###.", "###.###.", "###.###.", "###.###."}},
        {TSTButtonKind::stbkFastForward,
         {".#..#...", ".##.##..", ".######.", ".######.", ".##.##..", ".#..#..."}},
        {TSTButtonKind::stbkRewind,
         {"....#.#.", "...####.", "..#####.", "..#####.", "...####.", "....#.#."}},
        {TSTButtonKind::stbkShortLeftArrow,
         {".......#", "......##", ".....###", ".....###", "......##", ".......#"}},
        {TSTButtonKind::stbkShortRightArrow,
         {".#......", ".##.....", ".###....", ".###....", ".##.....", ".#......"}},
    };
    TstSpeedButton* b = Make();
    b->SetBevelWidth(0);
    b->SetColor(clWhite);
    b->Font().SetColor(clBlack);
    b->SetKindPercent(30);
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        b->SetKind(c.kind);
        const auto bitmap = test::Render(*b);
        EXPECT_EQ(b->GlyphPos(), (TPoint{7, 7}));
        std::vector<std::string> drawn;
        for (int y = 7; y < 13; ++y) {
            std::string row;
            for (int x = 6; x < 14; ++x) row += test::PixelAt(*bitmap, x, y) == clBlack ? '#' : '.';
            drawn.push_back(row);
        }
        EXPECT_EQ(drawn, c.picture);
    }
    b->SetShowKind(false);
    const auto hidden = test::Render(*b);
    EXPECT_EQ(test::PixelAt(*hidden, 13, 9), clWhite) << "ShowKind false draws no glyph";
}

TEST_F(SpeedButtonTest, GlyphSizeFromKindPercentBevelAndBorder) {
    TstSpeedButton* b = Make(40, 20);
    b->SetKind(TSTButtonKind::stbkStop);
    b->Font().SetColor(clBlack);
    b->SetKindPercent(60);
    const auto bitmap = test::Render(*b);
    // a = (20 - 2 x 2) x 60 / 100 = 9, centred: p = 20 - 4, q = 10 - 4.
    EXPECT_EQ(b->GlyphPos(), (TPoint{16, 6}));
    EXPECT_EQ(test::PixelAt(*bitmap, 16 + 8, 6 + 8), clBlack);
    EXPECT_NE(test::PixelAt(*bitmap, 16 + 9, 6 + 8), clBlack);
}

TEST_F(SpeedButtonTest, BevelColoursUpAndPressed) {
    TstSpeedButton* b = Make(20, 20);
    const TColor c = 0x808080;
    b->SetColor(c);
    b->SetColorDown(0x707070);
    b->SetShadowOffset(90);
    auto up = test::Render(*b);
    EXPECT_EQ(test::PixelAt(*up, 0, 10), GetColorShadow(c, 90, 2, 2)) << "outer ring: full shift";
    EXPECT_EQ(test::PixelAt(*up, 1, 10), GetColorShadow(c, 90, 2, 1));
    EXPECT_EQ(test::PixelAt(*up, 10, 0), GetColorShadow(c, 90, 2, 2));
    EXPECT_EQ(test::PixelAt(*up, 19, 10), GetColorShadow(c, 90, -2, 2));
    EXPECT_EQ(test::PixelAt(*up, 10, 18), GetColorShadow(c, 90, -2, 1));
    EXPECT_EQ(test::PixelAt(*up, 10, 10), c);
    Press(*b);
    auto pressed = test::Render(*b);
    EXPECT_EQ(test::PixelAt(*pressed, 0, 10), GetColorShadow(c, 90, -2, 2)) << "sunken";
    EXPECT_EQ(test::PixelAt(*pressed, 19, 10), GetColorShadow(c, 30, 2, 2)) << "a weaker highlight";
    EXPECT_EQ(test::PixelAt(*pressed, 10, 10), 0x707070u) << "ColorDown face";
    Release(*b);
    b->SetEnabled(false);
    b->SetColorDisabled(0x202020);
    auto disabled = test::Render(*b);
    EXPECT_EQ(test::PixelAt(*disabled, 10, 10), 0x202020u);
}

TEST_F(SpeedButtonTest, BevelNeverExceedsHalfTheButtonLessTheBorder) {
    TstSpeedButton* b = Make(10, 10);
    b->SetColor(0x808080);
    b->SetBorderWidth(3);
    b->SetBorderColor(clBlack);
    b->SetBevelWidth(4);
    const auto bitmap = test::Render(*b);
    // Two rings (10/2 - 3) fill the 4 pixels inside the 3-pixel border.
    EXPECT_EQ(test::PixelAt(*bitmap, 2, 5), clBlack);
    EXPECT_EQ(test::PixelAt(*bitmap, 3, 5), GetColorShadow(0x808080, 50, 2, 2));
    EXPECT_EQ(test::PixelAt(*bitmap, 4, 5), GetColorShadow(0x808080, 50, 2, 1));
    EXPECT_EQ(test::PixelAt(*bitmap, 5, 5), GetColorShadow(0x808080, 50, -2, 1));
    EXPECT_EQ(test::PixelAt(*bitmap, 6, 5), GetColorShadow(0x808080, 50, -2, 2));
    EXPECT_EQ(test::PixelAt(*bitmap, 7, 5), clBlack);
}

TEST_F(SpeedButtonTest, AutoRepeatAtThePressThenEverySpeedFromDelay) {
    test::FakeTime time;
    TstSpeedButton* b = Make();
    std::vector<std::int64_t> at;
    const std::int64_t start = time.NowMs();
    b->OnAutoRepeat = [&](TObject*) { at.push_back(time.NowMs() - start); };
    Press(*b);
    time.Advance(1200);
    Release(*b);
    time.Advance(500);
    EXPECT_EQ(at, (std::vector<std::int64_t>{0, 500, 600, 700, 800, 900, 1000, 1100, 1200}));
}

TEST_F(SpeedButtonTest, PointerOffTheButtonPausesRepeatsUnlessKeepMouse) {
    test::FakeTime time;
    TstSpeedButton* b = Make();
    int repeats = 0;
    b->OnAutoRepeat = [&](TObject*) { ++repeats; };
    Press(*b);
    time.Advance(500);
    EXPECT_EQ(repeats, 2);
    test::Mouse(*b, win::WM_MOUSEMOVE, 50, 50, win::MK_LBUTTON);
    EXPECT_EQ(b->Visual(), TButtonVisual::Up);
    time.Advance(300);
    EXPECT_EQ(repeats, 2) << "paused outside";
    test::Mouse(*b, win::WM_MOUSEMOVE, 5, 5, win::MK_LBUTTON);
    time.Advance(100);
    EXPECT_EQ(repeats, 3);
    Release(*b);

    b->SetKeepMouse(true);
    repeats = 0;
    Press(*b);
    test::Mouse(*b, win::WM_MOUSEMOVE, 50, 50, win::MK_LBUTTON);
    EXPECT_EQ(b->Visual(), TButtonVisual::Pressed);
    time.Advance(600);
    EXPECT_EQ(repeats, 3) << "KeepMouse keeps repeating";
    Release(*b, 50, 50);
}

TEST_F(SpeedButtonTest, ClickOnlyOnAReleaseInside) {
    TstSpeedButton* b = Make();
    int clicks = 0;
    b->OnClick = [&](TObject*) { ++clicks; };
    Press(*b);
    Release(*b);
    EXPECT_EQ(clicks, 1);
    Press(*b);
    Release(*b, 40, 5);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(b->Visual(), TButtonVisual::Up);
    b->SetDown(true);
    EXPECT_FALSE(b->Down()) << "without a group nothing latches";
}

TEST_F(SpeedButtonTest, AGroupKeepsOneButtonDown) {
    TstSpeedButton* b[3] = {Make(), Make(), Make()};
    for (int i = 0; i < 3; ++i) {
        b[i]->SetLeft(30 * i);
        b[i]->SetGroupIndex(1);
    }
    Press(*b[0]);
    Release(*b[0]);
    EXPECT_TRUE(b[0]->Down());
    Press(*b[0]);
    Release(*b[0]);
    EXPECT_TRUE(b[0]->Down()) << "a latched button of such a group stays down";
    Press(*b[1]);
    Release(*b[1]);
    EXPECT_TRUE(b[1]->Down());
    EXPECT_FALSE(b[0]->Down());
    EXPECT_EQ(b[0]->Visual(), TButtonVisual::Up);
    b[2]->SetAllowAllUp(true);
    EXPECT_TRUE(b[1]->AllowAllUp()) << "the group shares AllowAllUp";
    b[1]->SetDown(false);
    EXPECT_FALSE(b[1]->Down());
}

TEST_F(SpeedButtonTest, RepaintingAfterACaptionFillsTheFaceAgain) {
    TstSpeedButton* b = Make(40, 20);
    b->SetColor(0x808080);
    b->SetCaption("AM");
    const auto first = test::Render(*b);
    const auto second = test::Render(*b);
    EXPECT_EQ(test::PixelAt(*second, 3, 3), 0x808080u);
    EXPECT_EQ(test::PixelAt(*second, 3, 3), test::PixelAt(*first, 3, 3));
}

TEST_F(SpeedButtonTest, ABitmapHidesGlyphAndCaption) {
    TstSpeedButton* b = Make(20, 20);
    b->SetColor(clWhite);
    b->SetBevelWidth(0);
    b->Font().SetColor(clBlack);
    b->SetKind(TSTButtonKind::stbkStop);
    TBitmap picture(4, 4);
    picture.Canvas().Brush().SetColor(clLime);
    picture.Canvas().FillRect({0, 0, 4, 4});
    picture.Canvas().Brush().SetColor(clBlue);
    picture.Canvas().FillRect({1, 1, 3, 3});
    picture.Canvas().SetPixel(0, 3, clRed); // the corner names the see-through colour
    b->SetBitmap(picture);
    const auto bitmap = test::Render(*b);
    EXPECT_EQ(test::PixelAt(*bitmap, 9, 9), clBlue);
    EXPECT_EQ(test::PixelAt(*bitmap, 8, 8), clLime);
    EXPECT_EQ(test::PixelAt(*bitmap, 8, 11), clWhite) << "transparent where the corner colour is";
    EXPECT_EQ(test::PixelAt(*bitmap, 12, 12), clWhite) << "no glyph";
}

} // namespace
} // namespace lxq

#include "app/controls/TstEdit.h"
#include "platform/components/TApplication.h"
#include "platform/components/TForm.h"
#include "platform/win/InputApi.h"

namespace lxq {
namespace {

// Alt with the letter after '&' in a caption clicks that button, as typed on the keyboard with
// the focus in another control; a letter no caption has, or a button that cannot be used, clicks
// nothing.
TEST(SpeedButtonAcceleratorTest, AltAndTheUnderlinedLetterClicksTheButton) {
    test::FakeTime time;
    plat::comp::Application().ResetTerminated();
    plat::comp::TForm form(nullptr);
    form.SetBounds(50, 50, 300, 120);
    auto* edit = new TstEdit(nullptr);
    edit->SetParent(&form);
    edit->SetBounds(10, 10, 100, 21);
    struct Key {
        const char* caption;
        int clicks = 0;
        TstSpeedButton* button = nullptr;
    };
    Key keys[] = {{"&Scan"}, {"Sto&p"}, {"Fish && &chips"}, {"&Gone"}};
    int x = 10;
    for (Key& k : keys) {
        k.button = new TstSpeedButton(nullptr);
        k.button->SetParent(&form);
        k.button->SetBounds(x, 50, 60, 24);
        k.button->SetCaption(k.caption);
        k.button->OnClick = [&k](plat::comp::TObject*) { ++k.clicks; };
        x += 70;
    }
    keys[3].button->SetEnabled(false);
    form.Show();
    edit->SetFocus();
    plat::comp::Application().ProcessMessages();
    auto altKey = [](char letter) {
        win::InjectKey(win::VK_MENU, true);
        win::InjectKey(static_cast<std::uint32_t>(letter), true);
        win::InjectKey(static_cast<std::uint32_t>(letter), false);
        win::InjectKey(win::VK_MENU, false);
        plat::comp::Application().ProcessMessages();
    };
    altKey('S');
    altKey('P');
    altKey('C');
    altKey('F'); // "&&" is a plain ampersand, not an accelerator
    altKey('G'); // disabled
    altKey('X');
    EXPECT_EQ(keys[0].clicks, 1);
    EXPECT_EQ(keys[1].clicks, 1);
    EXPECT_EQ(keys[2].clicks, 1);
    EXPECT_EQ(keys[3].clicks, 0);
    EXPECT_EQ(edit->Text(), "") << "the letters did not reach the edit";
    form.Hide();
}

} // namespace
} // namespace lxq
