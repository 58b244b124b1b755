#include "tests/support/ScreenshotPath.h"
#include "tests/demod/ui/toolkit/ToolkitTestKit.h"

#include "demod/ui/toolkit/RC_ColourPicker.h"
#include "demod/ui/toolkit/RC_ComboBox.h"
#include "demod/ui/toolkit/RC_GroupFrame.h"
#include "demod/ui/toolkit/RC_ListBox.h"
#include "demod/ui/toolkit/RC_Slider.h"
#include "demod/ui/toolkit/RC_TabControl.h"

#include <filesystem>
#include <string>

namespace {

using namespace toolkit_test;

using RC_WidgetsScreenshotTest = ToolkitTest;

TEST_F(RC_WidgetsScreenshotTest, PopupWithEachContainerAndListWidget) {
    auto* p = new RC_Popup(nullptr, 40, 40, 360, 240, RC_Window::kKeepsLoop);
    p->SetCaption("Widgets");
    auto* group = new RC_GroupFrame(p, 10, 26, 160, 90, "Sound card");
    group->SetKind(RC_GroupFrame::kRounded);
    auto* combo = new RC_ComboBox(group, 10, 20, 140, 20);
    for (const char* item : {"Speakers", "Headphones", "Line out"}) combo->AddItem(item);
    combo->SetSelection(1);
    auto* slider = new RC_Slider(group, 10, 50, 140, 18, RC_Slider::kMinLeft);
    slider->SetButtons(true);
    slider->SetSliderValue(30);
    auto* list = new RC_ListBox(p, 10, 124, 160, 94);
    for (const char* item : {"alpha", "bravo", "charlie", "delta", "echo", "foxtrot", "golf", "hotel"}) list->AddItem(item);
    list->SetSelected(1);
    list->SetMark(3, 1);
    auto* tabs = new RC_TabControl(p, 180, 26, 170, 192);
    tabs->SetPageCount(3);
    const char* names[] = {"AM", "FM", "SSB"};
    for (int i = 0; i < 3; ++i) {
        tabs->Page(i)->Move(4, 24, 162, 164, true);
        tabs->Page(i)->SetCaption(names[i]);
        tabs->Page(i)->SetBackgroundColour(0x404040);
    }
    tabs->SetPage(1);
    for (RC_Window* w : std::initializer_list<RC_Window*>{group, combo, slider, list, tabs}) w->Show(win::SW_SHOW);
    p->Show(win::SW_SHOW);
    win::UpdateWindow(p->Handle());
    Pump();
    ASSERT_TRUE(win::SaveScreenshot(lxq_test::ScreenshotPath("toolkit_widgets.png"), p->Handle()));
    const auto shot = win::CaptureWindow(p->Handle());
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(shot->GetPixel(10 + 130, 124 + 2 + 15 + 7), 0x808080u) << "the selected row, left of the scroll bar";
    EXPECT_EQ(shot->GetPixel(10 + 130, 124 + 2 + 45 + 7), 0x800000u) << "the marked row";
    delete p;

    RC_Colour colour = 0x2080C0;
    auto* picker = new RC_ColourPicker(nullptr, &colour, false);
    picker->Show(win::SW_SHOW);
    win::UpdateWindow(picker->Handle());
    Pump();
    ASSERT_TRUE(win::SaveScreenshot(lxq_test::ScreenshotPath("toolkit_colour_picker.png"), picker->Handle()));
    const auto pickerShot = win::CaptureWindow(picker->Handle());
    ASSERT_NE(pickerShot, nullptr);
    EXPECT_EQ(pickerShot->GetPixel(160, 120), 0x2080C0u) << "the preview";
    delete picker;
}

} // namespace
