// The plug-in's about box: a tool window with a centred OK button that ends it with 1.

#include "demod/ui/AboutWindow.h"
#include "platform/win/Styles.h"
#include "platform/win/PaintApi.h"
#include "platform/win/ScreenApi.h"
#include "platform/win/WindowApi.h"
#include "tests/support/ScreenshotPath.h"
#include "tests/demod/ui/toolkit/ToolkitTestKit.h"

#include <gtest/gtest.h>

namespace {

using namespace toolkit_test;

class AboutWindowTest : public ToolkitTest {};

TEST_F(AboutWindowTest, IsAToolWindowWithItsOkButtonCentredAboveTheBottom) {
    auto* about = new AboutWindow(top_);
    EXPECT_STREQ(about->Caption(), "About");
    EXPECT_EQ(about->Width(), 300);
    EXPECT_EQ(about->Height(), 180);
    const auto ex = static_cast<std::uint32_t>(win::GetWindowLongPtr(about->Handle(), win::GWL_EXSTYLE));
    EXPECT_NE(ex & win::WS_EX_TOOLWINDOW, 0u);
    RC_Button* ok = about->OkButton();
    const plat::gdi::Rect& c = about->ContentRect();
    EXPECT_EQ(ok->Width(), 80);
    EXPECT_EQ(ok->Height(), 19);
    EXPECT_EQ(ok->Y(), c.bottom - 22);
    EXPECT_EQ(ok->X() - c.left, c.right - (ok->X() + ok->Width()));
    EXPECT_STREQ(ok->Caption(), "OK");
    EXPECT_NE(ok->State() & RC_Window::kShown, 0u) << "the button is there to press";

    auto bitmap = Render(about);
    EXPECT_EQ(bitmap->Width(), 300);
    // The texts in their colours, and the plug-in's picture at x = 40 under them.
    int notice = 0, title = 0;
    for (int y = 0; y < bitmap->Height(); ++y)
        for (int x = 0; x < bitmap->Width(); ++x) {
            const auto c = bitmap->GetPixel(x, y) & 0xFFFFFF;
            notice += c == 0x00FFFF;
            title += c == 0x2040FF;
        }
    EXPECT_GT(title, 50);
    EXPECT_GT(notice, 50) << "notice and web lines in the toolkit's text colour";
    about->Show(win::SW_SHOW);
    win::UpdateWindow(about->Handle());
    win::SaveScreenshot(lxq_test::ScreenshotPath("demod_about.png"), about->Handle());

    ASSERT_TRUE(ok->onAction);
    ok->onAction.fn(ok->onAction.user, ok); // what a press of the button reports
    EXPECT_EQ(about->ModalResult(), 1);
    delete about;
}

} // namespace
