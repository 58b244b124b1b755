// The front panel under the mouse and keys as the window system delivers them: the wheel turns
// what is under the pointer, the menu keys work again once the recall list is closed, and the
// store dialog opened from the list comes up above it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/controls/TmyIntEdit.h"
#include "app/controls/TstSpeedButton.h"
#include "app/controls/TstKnob.h"
#include "app/controls/TstListBox.h"
#include "app/forms/TMemoryForm.h"
#include "app/forms/TRecallForm.h"
#include "app/receiver/TmyQ745.h"
#include "platform/components/TApplicationEvents.h"
#include "platform/components/TMenuPopup.h"
#include "platform/win/InputApi.h"
#include "platform/win/WindowApi.h"
#include "tests/app/forms/DemoPanel.h"

namespace lxq {
namespace {

namespace win = plat::win;
using namespace plat::comp;

class PanelInput : public test::DemoPanel {
protected:
    void SetUp() override {
        StartPanel({});
        form->Show();
        Application().ProcessMessages();
    }
    void TearDown() override {
        for (std::uint32_t vk : {win::VK_MENU, win::VK_SHIFT, win::VK_CONTROL}) win::InjectKey(vk, false);
        Application().ProcessMessages();
    }
    static win::Point Centre(TControl& c) {
        const auto p = c.ClientToScreen({c.Width() / 2, c.Height() / 2});
        return {p.x, p.y};
    }
    static void Keys(std::initializer_list<std::uint32_t> held, std::uint32_t key) {
        for (std::uint32_t k : held) win::InjectKey(k, true);
        win::InjectKey(key, true);
        win::InjectKey(key, false);
        for (std::uint32_t k : held) win::InjectKey(k, false);
        Application().ProcessMessages();
    }
};

// Notes the caption of every drop-down that opens and leaves it.
class MenuWatch {
public:
    MenuWatch() : events_(new TApplicationEvents(nullptr)) {
        events_->OnIdle = [this](TObject*, bool& done) {
            done = true;
            if (TMenuPopup* p = TMenuPopup::Current()) {
                opened.push_back(p->Items().Caption());
                p->Leave();
            }
        };
    }
    ~MenuWatch() { delete events_; }
    std::vector<std::string> opened;

private:
    TApplicationEvents* events_;
};

TEST_F(PanelInput, TheWheelTurnsTheControlUnderThePointerNotTheFocusedOne) {
    form->Q7->SetMode(1); // AM: 500 Hz a knob step with "x1"
    form->Q7->SetFreq(10'000'000);
    ASSERT_TRUE(form->myIntEdit3->Enabled());
    const int level = form->myIntEdit3->Value();

    form->stKnob1->SetFocus();
    win::InjectMouseWheel(Centre(*form->myIntEdit3), win::WHEEL_DELTA);
    Application().ProcessMessages();
    EXPECT_NE(form->myIntEdit3->Value(), level) << "the squelch level under the pointer steps";
    EXPECT_EQ(form->Q7->GetFreq(), 10'000'000) << "the focused knob stays put";

    const int stepped = form->myIntEdit3->Value();
    form->myIntEdit3->SetFocus();
    win::InjectMouseWheel(Centre(*form->stKnob1), win::WHEEL_DELTA);
    Application().ProcessMessages();
    EXPECT_EQ(form->Q7->GetFreq(), 10'000'500) << "the knob under the pointer tunes";
    EXPECT_EQ(form->myIntEdit3->Value(), stepped);
}

TEST_F(PanelInput, MenuKeysWorkAgainOnceTheRecallListIsClosed) {
    Add(test::Channel(1, 1'000'000));
    form->stSpeedButton15Click(form->stSpeedButton15);
    Application().ProcessMessages();
    ASSERT_TRUE(form->RecallForm->Visible());
    ASSERT_EQ(win::GetActiveWindow(), form->RecallForm->Handle());
    Keys({}, win::VK_ESCAPE);
    ASSERT_FALSE(form->RecallForm->Visible());
    EXPECT_EQ(win::GetActiveWindow(), form->Handle()) << "the panel has the keyboard again";

    MenuWatch watch;
    Keys({win::VK_MENU}, 'F');
    EXPECT_EQ(watch.opened, std::vector<std::string>{"&File"});
}

TEST_F(PanelInput, TheStoreDialogOpenedFromTheRecallListComesUpAboveIt) {
    Add(test::Channel(1, 1'000'000));
    // Both windows made and shown once before, the dialog first, as a session goes.
    form->MemoryForm->HandleNeeded();
    form->stSpeedButton15Click(form->stSpeedButton15);
    Application().ProcessMessages();
    TstListBox& list = *form->RecallForm->ListBox1;
    const auto row = list.ClientToScreen({40, TRecallForm::kRowHeight / 2});

    bool seen = false;
    plat::comp::test::ModalScript script;
    script.Then([&](plat::comp::TCustomForm& f) {
        seen = true;
        EXPECT_STREQ(f.ClassName(), "TMemoryForm");
        win::Rect r;
        win::GetWindowRect(f.Handle(), &r);
        win::Rect under;
        win::GetWindowRect(form->RecallForm->Handle(), &under);
        const win::Rect both = r.Intersect(under);
        ASSERT_FALSE(both.IsEmpty()) << "the two windows overlap";
        const win::Point inside{(both.left + both.right) / 2, (both.top + both.bottom) / 2};
        EXPECT_EQ(win::GetAncestor(win::WindowFromPoint(inside), win::GA_ROOT), f.Handle())
            << "the dialog is above the list";
        EXPECT_EQ(win::GetActiveWindow(), f.Handle());
        f.SetModalResult(plat::comp::mrCancel);
    });
    // A double click on the row opens the store dialog on its channel.
    for (int i = 0; i < 2; ++i) {
        win::InjectMouseButton({row.x, row.y}, win::MouseButton::Left, true);
        win::InjectMouseButton({row.x, row.y}, win::MouseButton::Left, false);
    }
    Application().ProcessMessages();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(script.Done());
    form->RecallForm->Hide();
}

} // namespace
} // namespace lxq
