// The plug-in's about box: a tool window with a centred OK button that ends it with 1.

#include "demod/ui/AboutWindow.h"
#include "platform/win/Styles.h"
#include "platform/win/WindowApi.h"
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

    auto bitmap = Render(about); // paints the texts without fault
    EXPECT_EQ(bitmap->Width(), 300);

    ASSERT_TRUE(ok->onAction);
    ok->onAction.fn(ok->onAction.user, ok); // what a press of the button reports
    EXPECT_EQ(about->ModalResult(), 1);
    delete about;
}

} // namespace
