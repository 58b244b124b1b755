#include "tests/demod/ui/toolkit/ToolkitTestKit.h"

#include "demod/ui/toolkit/RC_ColourPicker.h"

namespace {

using namespace toolkit_test;

using RC_ColourPickerTest = ToolkitTest;

std::vector<double> Fields(const RC_ColourPicker* p) {
    return {p->ChannelField(0)->Value(), p->ChannelField(1)->Value(), p->ChannelField(2)->Value()};
}
std::vector<double> Sliders(const RC_ColourPicker* p) {
    return {p->ChannelSlider(0)->Value(), p->ChannelSlider(1)->Value(), p->ChannelSlider(2)->Value()};
}

TEST_F(RC_ColourPickerTest, StartsFromTheCallersColourAndKeepsSlidersFieldsAndPreviewTogether) {
    RC_Colour colour = 0x112233; // red 0x33, green 0x22, blue 0x11
    auto* picker = new RC_ColourPicker(top_, &colour, false);
    picker->Show(win::SW_SHOW);
    EXPECT_STREQ(picker->Caption(), "Color Picker");
    EXPECT_EQ(picker->Width(), 194);
    EXPECT_EQ(Fields(picker), (std::vector<double>{0x33, 0x22, 0x11}));
    EXPECT_EQ(Sliders(picker), Fields(picker));
    EXPECT_EQ(picker->Preview()->BackgroundColour(), 0x112233u);

    // Red slider dragged to the top: the maximum.
    RC_Slider* red = picker->ChannelSlider(0);
    const plat::gdi::Rect thumb = red->ThumbRect();
    Mouse(red, win::WM_LBUTTONDOWN, 7, (thumb.top + thumb.bottom) / 2, win::MK_LBUTTON);
    Mouse(red, win::WM_MOUSEMOVE, 7, -30, win::MK_LBUTTON);
    Mouse(red, win::WM_LBUTTONUP, 7, -30);
    EXPECT_DOUBLE_EQ(picker->ChannelField(0)->Value(), 255);
    EXPECT_EQ(picker->Preview()->BackgroundColour(), 0x1122FFu);

    // Green typed into its field, 300 held to the range.
    RC_NumberEdit* green = picker->ChannelField(1);
    Click(green, 5, 5);
    for (char c : {'3', '0', '0'}) win::SendMessage(picker->Handle(), win::WM_CHAR, static_cast<win::WParam>(c), 0);
    win::SendMessage(picker->Handle(), win::WM_KEYDOWN, win::VK_RETURN, 0);
    EXPECT_DOUBLE_EQ(green->Value(), 255);
    EXPECT_DOUBLE_EQ(picker->ChannelSlider(1)->Value(), 255);
    EXPECT_EQ(picker->Preview()->BackgroundColour(), 0x11FFFFu);
    EXPECT_EQ(colour, 0x112233u) << "nothing written before OK";

    Click(picker->OkButton(), 5, 5);
    EXPECT_EQ(colour, 0x11FFFFu);
    Pump();
}

TEST_F(RC_ColourPickerTest, CancelAndANullColourWriteNothing) {
    RC_Colour colour = 0x445566;
    auto* picker = new RC_ColourPicker(top_, &colour, false);
    picker->Show(win::SW_SHOW);
    picker->ChannelField(2)->SetValue(true, 1);
    Click(picker->CancelButton(), 5, 5);
    EXPECT_EQ(colour, 0x445566u);
    Pump();

    picker = new RC_ColourPicker(top_, nullptr, false);
    picker->Show(win::SW_SHOW);
    EXPECT_EQ(Fields(picker), (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(picker->Preview()->BackgroundColour(), 0x000000u);
    Click(picker->OkButton(), 5, 5);
    Pump();
}

TEST_F(RC_ColourPickerTest, ModalPickerAnswersWhichButtonEndedIt) {
    const struct {
        bool ok;
        int result;
        RC_Colour colour;
    } cases[] = {{true, RC_ColourPicker::kOk, 0x000040}, {false, RC_ColourPicker::kCancel, 0x000010}};
    for (const auto& c : cases) {
        RC_Colour colour = 0x000010;
        auto* picker = new RC_ColourPicker(top_, &colour, true);
        picker->ChannelField(0)->SetValue(true, 0x40);
        RC_Button* button = c.ok ? picker->OkButton() : picker->CancelButton();
        // The press waits in the queue for the modal loop.
        const win::Point p = InTop(button, 5, 5);
        win::PostMessage(picker->Handle(), win::WM_LBUTTONDOWN, win::MK_LBUTTON, win::MakeLParam(p.x, p.y));
        win::PostMessage(picker->Handle(), win::WM_LBUTTONUP, 0, win::MakeLParam(p.x, p.y));
        EXPECT_EQ(picker->RunModal(), c.result);
        EXPECT_EQ(colour, c.colour);
        Pump();
    }
}

} // namespace
