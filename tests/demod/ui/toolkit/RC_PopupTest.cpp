#include "tests/support/ScreenshotPath.h"
#include "tests/demod/ui/toolkit/ToolkitTestKit.h"

#include "demod/ui/toolkit/RC_CheckBox.h"
#include "demod/ui/toolkit/RC_Glyphs.h"
#include "demod/ui/toolkit/RC_Label.h"
#include "demod/ui/toolkit/RC_MessageBox.h"
#include "demod/ui/toolkit/RC_Spinner.h"

#include <functional>
#include <string>

namespace {

using namespace toolkit_test;

// Runs `action` once, from the message loop, after `ms` of fake time.
class Later {
public:
    Later(std::uint32_t ms, std::function<void()> action) : action_(std::move(action)) {
        id_ = win::SetTimer(0, 0, ms, &Fire);
    }
    ~Later() { win::KillTimer(0, id_); }

private:
    static void Fire(win::Hwnd, std::uint32_t, std::uintptr_t id, std::uint32_t) {
        win::KillTimer(0, id);
        for (Later* l : Registry()) {
            if (l->id_ == id && l->action_) {
                auto action = std::move(l->action_);
                action();
                return;
            }
        }
    }
    static std::vector<Later*>& Registry() {
        static std::vector<Later*> all;
        return all;
    }

public:
    // Every pending action is found by its timer id.
    void Register() { Registry().push_back(this); }
    void Unregister() { std::erase(Registry(), this); }

private:
    std::function<void()> action_;
    std::uintptr_t id_ = 0;
};

struct ScopedLater {
    ScopedLater(std::uint32_t ms, std::function<void()> action) : later(ms, std::move(action)) { later.Register(); }
    ~ScopedLater() { later.Unregister(); }
    Later later;
};

// Lays the box out (the first paint sizes it and places the buttons) and clicks button i.
void PressButton(RC_MessageBox* box, int i) {
    win::UpdateWindow(box->Handle());
    win::UpdateWindow(box->Handle());
    RC_Button* b = box->Button(i);
    ASSERT_NE(b, nullptr);
    Click(b, b->Width() / 2, b->Height() / 2);
}

class RC_PopupTest : public ToolkitTest {};

TEST_F(RC_PopupTest, ButtonSetWordGivesOneButtonPerNonzeroGroup) {
    struct Case {
        std::uint32_t word;
        std::vector<std::string> captions;
        std::vector<int> results;
    };
    const Case cases[] = {
        {0, {"OK"}, {1}},
        {0x46, {"Retry", "Cancel"}, {6, 4}},
        {86, {"Retry", "Abort"}, {6, 5}},
        {0x32, {"Yes", "No"}, {2, 3}},
        {0x7004, {"Cancel", "Ignore"}, {4, 7}},
    };
    for (const Case& c : cases) {
        auto* box = new RC_MessageBox(nullptr, "Caption", "Text", c.word);
        ASSERT_EQ(box->ButtonCount(), static_cast<int>(c.captions.size())) << c.word;
        for (int i = 0; i < box->ButtonCount(); ++i) {
            EXPECT_EQ(box->Button(i)->Caption(), c.captions[static_cast<std::size_t>(i)]);
            EXPECT_EQ(box->ButtonResult(i), c.results[static_cast<std::size_t>(i)]);
        }
        EXPECT_EQ(box->CloseButton(), nullptr) << "a message box has no title buttons";
        delete box;
    }
}

TEST_F(RC_PopupTest, ModalBoxAnswersThePressedButtonAndIsGone) {
    const std::size_t before = RC_Window::LiveWindowCount();
    auto* box = new RC_MessageBox(top_, "Question", "Try again?", 86);
    ScopedLater press(100, [&] { PressButton(box, 1); });
    EXPECT_EQ(box->RunModal(), 5);
    Pump();
    EXPECT_EQ(RC_Window::LiveWindowCount(), before);
}

TEST_F(RC_PopupTest, OkBoxLaysOutItsButtonCentredAtTheBottom) {
    auto* box = new RC_MessageBox(nullptr, "Note", "Done.", 0);
    ScopedLater press(100, [&] {
        win::UpdateWindow(box->Handle());
        RC_Button* ok = box->Button(0);
        EXPECT_EQ(ok->Width(), 50);
        EXPECT_EQ(ok->Y(), box->Height() - 26);
        EXPECT_EQ(ok->X(), (box->Width() - 54 + 4) / 2);
        EXPECT_GE(box->Width(), 54 + 16);
        PressButton(box, 0);
    });
    EXPECT_EQ(box->RunModal(), 1);
    Pump();
}

TEST_F(RC_PopupTest, ClosingTheBoxWithoutAButtonAnswersMinusOne) {
    auto* box = new RC_MessageBox(nullptr, "Question", "Retry?", 86);
    ScopedLater close(100, [&] { win::SendMessage(box->Handle(), win::WM_SYSCOMMAND, win::SC_CLOSE, 0); });
    EXPECT_EQ(box->RunModal(), -1);
    Pump();

    // A close posted to the window while its loop runs ends the loop the same way, without
    // pulling the box out from under it.
    auto* second = new RC_MessageBox(nullptr, "Question", "Retry?", 86);
    ScopedLater post(100, [&] { second->Close(); });
    EXPECT_EQ(second->RunModal(), -1);
    Pump();
    EXPECT_EQ(RC_Window::LiveWindowCount(), 1u);
}

TEST_F(RC_PopupTest, NestedModalLoopsDisableOuterPopupsUntilBothEnd) {
    auto* panel = new RC_Popup(nullptr, 20, 20, 120, 80, RC_Window::kKeepsLoop);
    panel->Show(win::SW_SHOW);
    auto* outer = new RC_MessageBox(nullptr, "Outer", "First", 0);
    RC_MessageBox* inner = nullptr;
    int innerAnswer = 0;
    ScopedLater innerPress(200, [&] {
        EXPECT_EQ(panel->DisableNesting(), 2);
        EXPECT_EQ(outer->DisableNesting(), 1);
        EXPECT_FALSE(outer->IsEnabled());
        PressButton(inner, 0);
    });
    ScopedLater openInner(100, [&] {
        EXPECT_EQ(panel->DisableNesting(), 1);
        EXPECT_FALSE(panel->IsEnabled());
        inner = new RC_MessageBox(nullptr, "Inner", "Second", 0x43);
        innerAnswer = inner->RunModal();
        EXPECT_EQ(panel->DisableNesting(), 1) << "still disabled by the outer box";
        EXPECT_FALSE(panel->IsEnabled());
        EXPECT_TRUE(outer->IsEnabled());
        PressButton(outer, 0);
    });
    EXPECT_EQ(outer->RunModal(), 1);
    EXPECT_EQ(innerAnswer, 3);
    EXPECT_EQ(panel->DisableNesting(), 0);
    EXPECT_TRUE(panel->IsEnabled());
    EXPECT_TRUE(win::IsWindowEnabled(panel->Handle()));
    delete panel;
    Pump();
}

TEST_F(RC_PopupTest, PopupShownOffTheScreenIsCentred) {
    auto* p = new RC_Popup(nullptr, -500, 10, 100, 80, RC_Window::kKeepsLoop);
    p->Show(win::SW_SHOW);
    EXPECT_EQ(p->X(), (win::GetSystemMetrics(win::SM_CXSCREEN) - 100) / 2);
    EXPECT_EQ(p->Y(), (win::GetSystemMetrics(win::SM_CYSCREEN) - 80) / 2);
    delete p;
}

TEST_F(RC_PopupTest, TitleButtonsSitRightToLeftAndCloseOrHide) {
    auto* p = new RC_Popup(nullptr, 10, 10, 200, 100, RC_Window::kKeepsLoop);
    p->Show(win::SW_SHOW);
    ASSERT_NE(p->CloseButton(), nullptr);
    EXPECT_EQ(p->CloseButton()->X(), 200 - 4 - 16);
    EXPECT_EQ(p->CloseButton()->Y(), 4 + 2);
    EXPECT_EQ(p->MaximiseButton()->X(), 200 - 4 - 30);
    EXPECT_EQ(p->MinimiseButton()->X(), 200 - 4 - 44);
    EXPECT_EQ(p->HelpButton()->X(), 200 - 4 - 58);
    p->ClearFlags(RC_Popup::kMaximiseButton, 0);
    EXPECT_EQ(p->MaximiseButton(), nullptr);
    EXPECT_EQ(p->MinimiseButton()->X(), 200 - 4 - 30);

    Click(p->MaximiseButton() == nullptr ? p->MinimiseButton() : p->MaximiseButton(), 5, 5);
    EXPECT_NE(p->State() & RC_Window::kMinimised, 0u);
    p->Show(win::SW_RESTORE);

    auto* hides = new RC_Popup(nullptr, 10, 10, 200, 100, RC_Window::kKeepsLoop | RC_Window::kHideOnClose);
    hides->Show(win::SW_SHOW);
    Click(hides->CloseButton(), 5, 5);
    Pump();
    EXPECT_EQ(hides->State() & RC_Window::kShown, 0u) << "hidden, still alive";
    delete hides;

    Click(p->CloseButton(), 5, 5);
    Pump();
    EXPECT_EQ(RC_Window::LiveWindowCount(), 1u) << "closed and deleted";
}

TEST_F(RC_PopupTest, ScreenshotOfAPopupWithEachBasicControl) {
    auto* p = new RC_Popup(nullptr, 40, 40, 260, 170, RC_Window::kKeepsLoop);
    p->SetCaption("Basic controls");
    auto* push = new RC_Button(p, 12, 30, 70, 22, "Push");
    auto* toggle = new RC_Button(p, 90, 30, 70, 22, "Toggle");
    toggle->SetKind(RC_Button::kToggle);
    toggle->SetDown(true);
    auto* glyph = new RC_Button(p, 170, 30, 22, 22, kGlyphRight);
    auto* check = new RC_CheckBox(p, 12, 62, 110, 20, "Check box");
    check->SetPlacement(4);
    check->SetState(RC_CheckBox::kChecked);
    auto* label = new RC_Label(p, 12, 92, 150, 18, "Label heading");
    label->SetStyle(RC_Label::kHeading);
    auto* spinner = new RC_Spinner(p, 200, 62, 20, 60, true);
    spinner->SetStyle(RC_Spinner::kShowStrip);
    auto* across = new RC_Spinner(p, 12, 120, 80, 20, false);
    for (RC_Window* w : std::initializer_list<RC_Window*>{push, toggle, glyph, check, label, spinner, across}) w->Show(win::SW_SHOW);
    p->Show(win::SW_SHOW);
    win::UpdateWindow(p->Handle());
    Pump();
    ASSERT_TRUE(win::SaveScreenshot(lxq_test::ScreenshotPath("toolkit_basic_controls.png"), p->Handle()));
    const auto shot = win::CaptureWindow(p->Handle());
    ASSERT_NE(shot, nullptr);
    // The title bar starts in the gradient's first colour just inside the frame.
    EXPECT_EQ(shot->GetPixel(4, 10), 0x800000u);
    EXPECT_EQ(shot->GetPixel(4, 150), 0x404040u) << "the popup's background below the controls";
    EXPECT_EQ(shot->GetPixel(40, 36), 0x606060u) << "inside the push button";
    delete p;
}

} // namespace
