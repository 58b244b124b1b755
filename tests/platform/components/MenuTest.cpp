#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/components/TEdit.h"
#include "platform/components/TForm.h"
#include "platform/components/TMainMenu.h"
#include "platform/components/TMenuPopup.h"
#include "platform/win/InputApi.h"
#include "platform/win/WindowApi.h"
#include "tests/platform/components/UiTest.h"

namespace plat::comp {
namespace {

using test::Key;
using test::UiTest;

// Acts on each drop-down that opens, from the idle loop; fails instead of hanging.
class PopupScript {
public:
    using Step = std::function<void(TMenuPopup&)>;
    PopupScript() : events_(new TApplicationEvents(nullptr)) {
        events_->OnIdle = [this](TObject*, bool& done) {
            done = false;
            TMenuPopup* p = TMenuPopup::Current();
            if (++passes_ > 1000) {
                ADD_FAILURE() << "drop-down script made no progress";
                if (p) p->Leave();
                return;
            }
            if (!p || p == last_ || steps_.empty()) return;
            last_ = p;
            Step s = std::move(steps_.front());
            steps_.pop_front();
            s(*p);
        };
    }
    ~PopupScript() { delete events_; }
    PopupScript& Then(Step s) {
        steps_.push_back(std::move(s));
        return *this;
    }

private:
    TApplicationEvents* events_;
    std::deque<Step> steps_;
    TMenuPopup* last_ = nullptr;
    int passes_ = 0;
};

class MenuTest : public UiTest {
protected:
    MenuTest() {
        menu = new TMainMenu(&form);
        file = Add(&menu->Items(), "&File");
        open = Add(file, "&Open...");
        Add(file, "-");
        exit = Add(file, "E&xit");
        demods = Add(file, "&Demodulators");
        for (const char* name : {"Q745 Standard", "Q745 Demodulator"}) {
            TMenuItem* d = Add(demods, name);
            d->SetRadioItem(true);
            d->OnClick = [this, d](TObject*) { clicked.push_back(d->Caption()); };
        }
        for (TMenuItem* i : {open, exit})
            i->OnClick = [this, i](TObject*) { clicked.push_back(i->Caption()); };
        form.SetMenu(menu);
        form.SetBounds(100, 50, 300, 200);
        form.Show();
        Application().ProcessMessages();
    }
    TMenuItem* Add(TMenuItem* parent, const char* caption) {
        auto* item = new TMenuItem(menu);
        item->SetCaption(caption);
        parent->Add(item);
        return item;
    }
    // Presses the mouse on the "File" caption of the bar, through the window system.
    void PressFile() {
        win::Rect r;
        win::GetWindowRect(form.Handle(), &r);
        const win::Point at{r.left + 12, r.top + menu->BarHeight() / 2};
        win::InjectMouseButton(at, win::MouseButton::Left, true);
        win::InjectMouseButton(at, win::MouseButton::Left, false);
        Application().ProcessMessages();
    }
    TForm form{nullptr};
    TMainMenu* menu;
    TMenuItem* file;
    TMenuItem* open;
    TMenuItem* exit;
    TMenuItem* demods;
    std::vector<std::string> clicked;
};

TEST_F(MenuTest, ClickOnTheBarOpensTheDropDownAndAChosenItemIsClickedAfterwards) {
    PopupScript script;
    bool openWhileClicked = true;
    open->OnClick = [&](TObject*) {
        openWhileClicked = TMenuPopup::Current() != nullptr;
        clicked.push_back("open");
    };
    script.Then([&](TMenuPopup& p) {
        EXPECT_EQ(&p.Items(), file);
        p.Choose(0);
    });
    PressFile();
    EXPECT_EQ(clicked, std::vector<std::string>{"open"});
    EXPECT_FALSE(openWhileClicked) << "the handler runs once the drop-down is gone";
}

TEST_F(MenuTest, KeysWalkPastLinesAndIntoSubmenus) {
    PopupScript script;
    script.Then([](TMenuPopup& p) {
        Key(&p, vk::Down); // Open
        Key(&p, vk::Down); // the line is skipped: Exit
        EXPECT_EQ(p.Highlighted(), 2);
        Key(&p, vk::Down); // Demodulators
        Key(&p, vk::Right);
    });
    script.Then([](TMenuPopup& p) {
        Key(&p, vk::Down);
        Key(&p, vk::Down);
        Key(&p, vk::Return);
    });
    PressFile();
    EXPECT_EQ(clicked, std::vector<std::string>{"Q745 Demodulator"});
}

TEST_F(MenuTest, EscapeOrAClickElsewhereChoosesNothing) {
    PopupScript script;
    script.Then([](TMenuPopup& p) { Key(&p, vk::Escape); });
    PressFile();
    PopupScript second;
    second.Then([](TMenuPopup& p) {
        p.Perform(win::WM_LBUTTONDOWN, win::MK_LBUTTON, win::MakeLParam(-20, -20));
    });
    PressFile();
    EXPECT_TRUE(clicked.empty());
    EXPECT_EQ(TMenuPopup::Current(), nullptr);
}

// The program was busy while the user clicked "File" and then clicked again: the drop-down opens
// late, and the click that followed reaches it as it would have, so it closes as a menu does.
TEST_F(MenuTest, ClicksMadeWhileTheProgramWasBusyReachTheDropDownTheyFollow) {
    win::Rect r;
    win::GetWindowRect(form.Handle(), &r);
    const win::Point fileCaption{r.left + 12, r.top + menu->BarHeight() / 2};
    const struct {
        const char* what;
        win::Point second;
    } cases[] = {{"a click on the form, beside the drop-down", {r.right - 20, r.bottom - 20}},
                 {"a second click on File", fileCaption}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PopupScript watchdog; // leaves a drop-down that stays open, and fails
        for (const win::Point at : {fileCaption, c.second}) {
            win::InjectMouseButton(at, win::MouseButton::Left, true);
            win::InjectMouseButton(at, win::MouseButton::Left, false);
        }
        Application().ProcessMessages();
        EXPECT_EQ(TMenuPopup::Current(), nullptr) << c.what;
        EXPECT_TRUE(clicked.empty()) << c.what;
    }
}

TEST_F(MenuTest, AltWithTheMarkedLetterOpensTheBarItemAndShortcutsWorkFromAFocusedControl) {
    exit->SetShortCut(scAlt | 'X');
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    edit->SetFocus();
    PopupScript script;
    script.Then([](TMenuPopup& p) { Key(&p, vk::Down); Key(&p, vk::Return); });
    auto press = [](std::uint32_t k) {
        win::InjectKey(vk::Menu, true);
        win::InjectKey(k, true);
        win::InjectKey(k, false);
        win::InjectKey(vk::Menu, false);
        Application().ProcessMessages();
    };
    press('F');
    EXPECT_EQ(clicked, std::vector<std::string>{"&Open..."});
    press('X');
    EXPECT_EQ(clicked, (std::vector<std::string>{"&Open...", "E&xit"}));
    EXPECT_EQ(edit->Text(), "") << "the edit never saw the keys";
}

TEST_F(MenuTest, DisabledItemsAndLinesCannotBeChosen) {
    exit->SetEnabled(false);
    PopupScript script;
    script.Then([](TMenuPopup& p) {
        p.Choose(1); // the line
        p.Choose(2); // Exit, disabled
        Key(&p, vk::Escape);
    });
    PressFile();
    EXPECT_TRUE(clicked.empty());
}

} // namespace
} // namespace plat::comp
