#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/ScreenshotPath.h"
#include "platform/components/TApplication.h"
#include "platform/gdi/PngFile.h"
#include "platform/win/ScreenApi.h"
#include "tests/app/controls/ControlTestSupport.h"
#include "tests/app/controls/ShowcaseForm.h"

namespace lxq {
namespace {

using namespace plat::comp;

TEST(ShowcaseScreenshotTest, AFormHoldingEachControlIsWrittenAsPng) {
    test::Showcase showcase = test::MakeShowcaseForm();
    TForm& form = *showcase.form;
    const auto screen = test::Render(form);
    // The knob composes the same pixels on the form as alone.
    const auto knob = test::Render(*showcase.knob);
    const TPoint at{showcase.knob->Left(), showcase.knob->Top()};
    for (int y = 0; y < knob->Height(); y += 7)
        for (int x = 0; x < knob->Width(); x += 7)
            ASSERT_EQ(test::PixelAt(*screen, at.x + x, at.y + y), test::PixelAt(*knob, x, y));
    const std::string path = lxq_test::ScreenshotPath("controls-form.png");
    ASSERT_TRUE(plat::gdi::SavePng(screen->Surface(), path));
    EXPECT_GT(std::filesystem::file_size(path), 1000u);
}

} // namespace
} // namespace lxq

namespace lxq {
namespace {

using namespace plat::comp;

TEST(ShowcaseScreenshotTest, TheWindowSystemShowsTheFormAsComposed) {
    plat::sys::FakeClock clock;
    plat::sys::ScopedClock scoped(clock);
    Application().ResetTerminated();
    test::Showcase showcase = test::MakeShowcaseForm();
    TForm& form = *showcase.form;
    form.Show();
    Application().ProcessMessages();
    const auto onScreen = plat::win::CaptureWindow(form.Handle());
    ASSERT_TRUE(onScreen);
    const auto composed = test::Render(form);
    ASSERT_TRUE(plat::win::SaveScreenshot(lxq_test::ScreenshotPath("controls-form-window.png"),
                                          form.Handle()));
    int differing = 0;
    TRect where{};
    for (int y = 0; y < form.Height(); ++y)
        for (int x = 0; x < form.Width(); ++x)
            if (onScreen->GetPixel(x, y) != composed->Surface().GetPixel(x, y)) {
                ++differing;
                where = where.Union({x, y, x + 1, y + 1});
            }
    EXPECT_EQ(differing, 0) << "within " << where.left << "," << where.top << " - " << where.right
                            << "," << where.bottom;
    form.Hide();
}

} // namespace
} // namespace lxq
