#include <gtest/gtest.h>

#include <filesystem>

#include "platform/gdi/PngFile.h"
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
    std::filesystem::create_directories(LXQ_SCREENSHOT_DIR);
    const std::string path = std::string(LXQ_SCREENSHOT_DIR) + "/controls-form.png";
    ASSERT_TRUE(plat::gdi::SavePng(screen->Surface(), path));
    EXPECT_GT(std::filesystem::file_size(path), 1000u);
}

} // namespace
} // namespace lxq
