#include <gtest/gtest.h>

#include <filesystem>

#include "platform/components/Graphics.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/DC.h"
#include "platform/gdi/PngFile.h"
#include "platform/win/ScreenApi.h"
#include "tests/platform/components/ShowcaseForm.h"
#include "tests/platform/components/UiTest.h"

namespace plat::comp {
namespace {

class ScreenshotTest : public test::UiTest {};

// Counts the pixels of a rectangle that are far from a colour (text, marks).
int InkPixels(const gdi::Bitmap& b, TRect r, gdi::ColorRef background) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            const gdi::ColorRef c = b.GetPixel(x, y);
            const int d = std::abs(gdi::RedOf(c) - gdi::RedOf(background)) +
                          std::abs(gdi::GreenOf(c) - gdi::GreenOf(background)) +
                          std::abs(gdi::BlueOf(c) - gdi::BlueOf(background));
            if (d > 200) ++n;
        }
    return n;
}

TEST_F(ScreenshotTest, FormWithEachStandardControlIsComposedHeadless) {
    test::ShowcaseForm form(nullptr);
    form.Show();
    form.check->SetFocus();
    // The hint pops up below the button, in the form's coordinates for this picture.
    const TRect hintSize = form.hint->CalcHintRect(200, "Store the frequency in a memory");
    const TPoint at = form.button->ClientToScreen({0, form.button->Height() + 2});

    auto shot = gdi::Bitmap::Create(form.Width(), form.Height(), 32);
    ASSERT_TRUE(shot);
    gdi::DC dc(shot.get());
    form.PaintTo(dc, 0, 0);
    form.hint->ActivateHint(hintSize.Offset(at.x, at.y), "Store the frequency in a memory");
    const TPoint origin = form.ClientToScreen({0, 0});
    const int menu = form.menu->BarHeight();
    form.hint->PaintTo(dc, at.x - origin.x, at.y - origin.y + menu);

    const std::filesystem::path dir = LXQ_SCREENSHOT_DIR;
    std::filesystem::create_directories(dir);
    ASSERT_TRUE(gdi::SavePng(*shot, (dir / "components-form.png").string()));

    // Chosen pixels (window coordinates: the menu bar is above the client area).
    auto px = [&](int x, int y) { return shot->GetPixel(x, y + menu); };
    EXPECT_EQ(shot->GetPixel(2, 2), ColorToRGB(clMenu)) << "menu bar";
    EXPECT_EQ(px(400, 170), ColorToRGB(clBtnFace)) << "form background";
    EXPECT_EQ(px(80 + 3, 8 + 3), ColorToRGB(clWindow)) << "inside the edit's frame";
    EXPECT_EQ(px(80, 8), ColorToRGB(clBtnShadow)) << "the edit's sunken frame";
    EXPECT_EQ(px(240 + 1, 6 + 1), ColorToRGB(clBtnHighlight)) << "default button: frame, then raised";
    EXPECT_EQ(px(325, 6), ColorToRGB(clBtnHighlight)) << "panel: raised outer bevel";
    EXPECT_EQ(px(326, 7), ColorToRGB(clBtnShadow)) << "panel: lowered inner bevel";
    EXPECT_EQ(px(10 + 2 + 5, 66 + 2 + 16 + 8), ColorToRGB(clHighlight)) << "the current list row";
    EXPECT_EQ(px(10 + 140 - 2 - 8, 66 + 2 + 30), ColorToRGB(clBtnFace)) << "list scroll bar";
    EXPECT_GT(InkPixels(*shot, {10 + 3, 40 + menu + 4, 10 + 12, 40 + menu + 13}, ColorToRGB(clWindow)), 8)
        << "the check mark";
    EXPECT_GT(InkPixels(*shot, {10, 10 + menu, 70, 24 + menu}, ColorToRGB(clBtnFace)), 30)
        << "the label's text";
    EXPECT_GT(InkPixels(*shot, {10, 176 + menu, 200, 196 + menu}, ColorToRGB(clBtnFace)), 30)
        << "the tab captions";
}

TEST_F(ScreenshotTest, TheWindowSystemShowsTheSamePictureAsPaintTo) {
    test::ShowcaseForm form(nullptr);
    form.Show();
    // Painted twice: a paint must not depend on what the one before left in the canvas.
    Application().ProcessMessages();
    form.Invalidate();
    for (int i = 0; i < form.ControlCount(); ++i) form.Controls(i)->Invalidate();
    Application().ProcessMessages();
    const auto onScreen = win::CaptureWindow(form.Handle());
    ASSERT_TRUE(onScreen);
    ASSERT_EQ(onScreen->Width(), form.Width());
    ASSERT_EQ(onScreen->Height(), form.Height());
    auto composed = gdi::Bitmap::Create(form.Width(), form.Height(), 32);
    gdi::DC dc(composed.get());
    form.PaintTo(dc, 0, 0);
    const std::filesystem::path dir = LXQ_SCREENSHOT_DIR;
    std::filesystem::create_directories(dir);
    gdi::SavePng(*onScreen, (dir / "components-form-window.png").string());
    gdi::SavePng(*composed, (dir / "components-form-composed.png").string());
    int differing = 0;
    TRect where{};
    for (int y = 0; y < form.Height(); ++y)
        for (int x = 0; x < form.Width(); ++x)
            if (onScreen->GetPixel(x, y) != composed->GetPixel(x, y)) {
                ++differing;
                where = where.Union({x, y, x + 1, y + 1});
            }
    EXPECT_EQ(differing, 0) << "within " << where.left << "," << where.top << " - " << where.right
                            << "," << where.bottom;
}

} // namespace
} // namespace plat::comp
