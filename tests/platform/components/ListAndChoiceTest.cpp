#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/components/TCheckBox.h"
#include "platform/components/TForm.h"
#include "platform/components/TListBox.h"
#include "platform/components/TMainMenu.h"
#include "platform/components/TPageControl.h"
#include "platform/components/TPanel.h"
#include "platform/components/TRadioButton.h"
#include "platform/components/TTabSheet.h"
#include "platform/gdi/Bitmap.h"
#include "platform/win/InputApi.h"
#include "platform/win/Styles.h"
#include "platform/win/WindowApi.h"
#include "tests/platform/components/UiTest.h"

namespace plat::comp {
namespace {

using test::ClickAt;
using test::Click;
using test::Key;
using test::UiTest;

// A list box in owner-data mode the way a program's own list class sets it up: no strings of its
// own, the row count sent as LB_SETCOUNT.
class OwnerDataList : public TListBox {
public:
    explicit OwnerDataList(TComponent* owner) : TListBox(owner) { SetStyle(TListBoxStyle::lbOwnerDrawFixed); }
    void SetLength(int n) { Perform(LB_SETCOUNT, static_cast<win::WParam>(n)); }

protected:
    void CreateParams(TCreateParams& p) override {
        TListBox::CreateParams(p);
        p.style = (p.style & ~LBS_HASSTRINGS) | LBS_NODATA;
    }
};

class ListBoxTest : public UiTest {
protected:
    ListBoxTest() {
        list = new OwnerDataList(&form);
        list->SetParent(&form);
        list->SetBounds(0, 0, 100, 4 + 5 * 16); // room for exactly five rows
        form.Show();
    }
    TForm form{nullptr};
    OwnerDataList* list;
};

TEST_F(ListBoxTest, OwnerDataRowsComeFromTheCountAndAreDrawnByTheOwner) {
    list->SetLength(1000);
    EXPECT_EQ(list->Count(), 1000);
    EXPECT_EQ(list->Items().Count(), 0) << "no strings are held";
    std::vector<int> drawn;
    list->OnDrawItem = [&](TWinControl* sender, int index, TRect rect, TOwnerDrawState state) {
        EXPECT_EQ(sender, list);
        EXPECT_EQ(rect.Height(), 16);
        EXPECT_EQ((state & od::Selected) != 0, index == 2);
        drawn.push_back(index);
    };
    list->SetItemIndex(2);
    auto bitmap = gdi::Bitmap::Create(100, 84, 32);
    gdi::DC dc(bitmap.get());
    list->PaintTo(dc, 0, 0);
    EXPECT_EQ(drawn, (std::vector<int>{0, 1, 2, 3, 4})) << "only the visible rows";
}

TEST_F(ListBoxTest, ClicksAndKeysMoveTheCurrentRowAndRaiseOnClick) {
    list->SetLength(20);
    int clicks = 0;
    list->OnClick = [&](TObject*) { ++clicks; };
    ClickAt(list, 10, 16 * 3 + 5);
    EXPECT_EQ(list->ItemIndex(), 3);
    EXPECT_EQ(clicks, 1);
    Key(list, vk::Down);
    EXPECT_EQ(list->ItemIndex(), 4);
    Key(list, vk::Down);
    EXPECT_EQ(list->ItemIndex(), 5);
    EXPECT_EQ(list->TopIndex(), 1) << "the current row is kept in view";
    Key(list, vk::End);
    EXPECT_EQ(list->ItemIndex(), 19);
    EXPECT_EQ(list->TopIndex(), 15);
    Key(list, vk::End);
    EXPECT_EQ(clicks, 4) << "no click without a change";
    ClickAt(list, 10, 16 * 4 + 20 * 16); // below the rows
    EXPECT_EQ(list->ItemIndex(), 19);
}

TEST_F(ListBoxTest, ShrinkingTheCountDropsACurrentRowPastTheEnd) {
    list->SetLength(10);
    list->SetItemIndex(8);
    list->SetLength(5);
    EXPECT_EQ(list->ItemIndex(), -1);
    EXPECT_EQ(list->Perform(LB_GETCOUNT), 5);
    EXPECT_EQ(list->Perform(LB_SETCURSEL, 3), 3);
    EXPECT_EQ(list->ItemIndex(), 3);
}

TEST_F(ListBoxTest, ListWithStringsRefusesARowCountAndAsksNoData) {
    TListBox plain(nullptr);
    plain.Items().Add("b");
    plain.Items().Add("a");
    EXPECT_EQ(plain.Perform(LB_SETCOUNT, 7), LB_ERR);
    EXPECT_EQ(plain.Count(), 2);
    plain.SetSorted(true);
    EXPECT_EQ(plain.ItemText(0), "a");
}

TEST_F(ListBoxTest, VirtualListAsksOnDataForEachRowText) {
    TListBox v(nullptr);
    v.SetStyle(TListBoxStyle::lbVirtual);
    v.SetCount(3);
    v.OnData = [](TWinControl*, int index, std::string& data) { data = "row " + std::to_string(index); };
    EXPECT_EQ(v.ItemText(2), "row 2");
    EXPECT_EQ(v.ItemText(3), "") << "past the end";
}

TEST_F(ListBoxTest, TheScrollBarAppearsWithTheRowsAndScrollsByLineAndPage) {
    list->SetLength(5);
    EXPECT_EQ(list->ClientWidth(), 100 - 4) << "five rows fit: no bar";
    list->SetLength(50);
    EXPECT_EQ(list->ClientWidth(), 100 - 4 - 16) << "the bar takes its room from the rows";
    Application().ProcessMessages();
    win::Rect r;
    win::GetWindowRect(list->Handle(), &r);
    auto press = [](int x, int y) {
        win::InjectMouseButton({x, y}, win::MouseButton::Left, true);
        win::InjectMouseButton({x, y}, win::MouseButton::Left, false);
        Application().ProcessMessages();
    };
    const int barX = r.right - 2 - 8;
    press(barX, r.bottom - 2 - 4); // the down arrow
    EXPECT_EQ(list->TopIndex(), 1);
    press(barX, r.bottom - 2 - 20); // the track below the thumb: a page
    EXPECT_EQ(list->TopIndex(), 6);
    press(barX, r.top + 2 + 4); // the up arrow
    EXPECT_EQ(list->TopIndex(), 5);
    list->SetFocus(); // the wheel turns what has the keyboard
    win::InjectMouseWheel({r.left + 20, r.top + 20}, -win::WHEEL_DELTA);
    Application().ProcessMessages();
    EXPECT_EQ(list->TopIndex(), 8) << "a notch of the wheel is three rows";
}

class ChoiceTest : public UiTest {
protected:
    TForm form{nullptr};
};

TEST_F(ChoiceTest, CheckBoxCyclesItsStatesAndRaisesOnClickOnEachChange) {
    auto* box = new TCheckBox(&form);
    box->SetParent(&form);
    int clicks = 0;
    box->OnClick = [&](TObject*) { ++clicks; };
    Click(box);
    EXPECT_TRUE(box->Checked());
    Click(box);
    EXPECT_FALSE(box->Checked());
    box->SetAllowGrayed(true);
    Click(box);
    Click(box);
    EXPECT_EQ(box->State(), TCheckBoxState::cbGrayed);
    box->SetState(TCheckBoxState::cbGrayed);
    EXPECT_EQ(clicks, 4) << "setting the same state raises nothing";
    box->SetEnabled(false);
    Click(box);
    EXPECT_EQ(box->State(), TCheckBoxState::cbGrayed) << "a disabled box ignores the mouse";
}

TEST_F(ChoiceTest, RadioButtonsOfOneParentExcludeEachOther) {
    auto* group1 = new TPanel(&form);
    group1->SetParent(&form);
    auto* group2 = new TPanel(&form);
    group2->SetParent(&form);
    std::vector<TRadioButton*> r;
    for (TPanel* g : {group1, group1, group1, group2}) {
        auto* b = new TRadioButton(&form);
        b->SetParent(g);
        r.push_back(b);
    }
    r[3]->SetChecked(true);
    Click(r[0]);
    EXPECT_TRUE(r[0]->Checked());
    r[2]->SetChecked(true);
    EXPECT_FALSE(r[0]->Checked());
    EXPECT_FALSE(r[1]->Checked());
    EXPECT_TRUE(r[2]->Checked());
    EXPECT_TRUE(r[3]->Checked()) << "another parent is another group";
}

TEST_F(ChoiceTest, PageControlShowsOnePageAndAsksBeforeChanging) {
    auto* pages = new TPageControl(&form);
    pages->SetParent(&form);
    std::vector<TTabSheet*> sheets;
    for (const char* caption : {"First", "Second", "Third"}) {
        auto* s = new TTabSheet(&form);
        s->SetCaption(caption);
        s->SetPageControl(pages);
        sheets.push_back(s);
    }
    EXPECT_EQ(pages->ActivePage(), sheets[0]);
    EXPECT_TRUE(sheets[0]->Visible());
    EXPECT_FALSE(sheets[1]->Visible());
    bool allow = false;
    int changes = 0;
    pages->OnChanging = [&](TObject*, bool& ok) { ok = allow; };
    pages->OnChange = [&](TObject*) { ++changes; };
    const auto tabs = pages->TabRects();
    ASSERT_EQ(tabs.size(), 3u);
    const TRect second = tabs[1].second;
    ClickAt(pages, second.left + 3, second.top + 3);
    EXPECT_EQ(pages->ActivePage(), sheets[0]) << "refused";
    allow = true;
    ClickAt(pages, second.left + 3, second.top + 3);
    EXPECT_EQ(pages->ActivePage(), sheets[1]);
    EXPECT_FALSE(sheets[0]->Visible());
    EXPECT_EQ(changes, 1);
    delete sheets[1];
    EXPECT_EQ(pages->PageCount(), 2);
    EXPECT_EQ(pages->ActivePage(), sheets[2]) << "the next page takes the place of a freed one";
    // A page fills the area under the tabs.
    EXPECT_EQ(sheets[2]->Top(), 22);
}

TEST_F(ChoiceTest, MenuShortcutsClickTheirItemsAndCheckingByCaptionWalksTheTree) {
    auto* menu = new TMainMenu(&form);
    auto* file = new TMenuItem(menu);
    file->SetCaption("&File");
    menu->Items().Add(file);
    auto* exit = new TMenuItem(menu);
    exit->SetCaption("E&xit");
    exit->SetShortCut(scAlt | 'X');
    file->Add(exit);
    auto* demod = new TMenuItem(menu);
    demod->SetCaption("Demodulators");
    menu->Items().Add(demod);
    for (const char* name : {"One", "Two"}) {
        auto* item = new TMenuItem(menu);
        item->SetCaption(name);
        item->SetRadioItem(true);
        demod->Add(item);
    }
    form.SetMenu(menu);
    int exits = 0;
    exit->OnClick = [&](TObject*) { ++exits; };
    form.Perform(win::WM_KEYDOWN, vk::Menu, 0);
    form.Perform(win::WM_KEYDOWN, 'X', 0);
    form.Perform(win::WM_KEYUP, vk::Menu, 0);
    EXPECT_EQ(exits, 1);
    form.Perform(win::WM_KEYDOWN, 'X', 0);
    EXPECT_EQ(exits, 1) << "without Alt it is another key";

    CheckMenuItemByCaption(menu->Items(), "Two", true);
    EXPECT_TRUE(demod->Items(1)->Checked());
    CheckMenuItemByCaption(menu->Items(), "One", true);
    EXPECT_FALSE(demod->Items(1)->Checked()) << "radio items of one group exclude each other";
    EXPECT_EQ(menu->Items().Find("File"), file) << "found without the accelerator mark";
    EXPECT_EQ(form.ClientRect().Height(), form.Height() - menu->BarHeight());
    delete menu;
    EXPECT_EQ(form.Menu(), nullptr) << "the form forgets a freed menu";
}

} // namespace
} // namespace plat::comp
