#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/components/TEdit.h"
#include "platform/components/TForm.h"
#include "platform/components/TMemo.h"
#include "platform/win/ClipboardApi.h"
#include "tests/platform/components/UiTest.h"

namespace plat::comp {
namespace {

using test::Key;
using test::Type;
using test::UiTest;

class EditTest : public UiTest {
protected:
    EditTest() {
        edit = new TEdit(&form);
        edit->SetParent(&form);
        edit->OnChange = [this](TObject*) { ++changes; };
        form.Show();
        edit->SetFocus();
    }
    TForm form{nullptr};
    TEdit* edit;
    int changes = 0;
};

// One keystroke script per case: characters are typed, keys in braces are pressed.
void Play(TEdit* e, const std::string& script) {
    for (std::size_t i = 0; i < script.size(); ++i) {
        if (script[i] != '{') {
            Type(e, std::string(1, script[i]));
            continue;
        }
        const auto close = script.find('}', i);
        const std::string name = script.substr(i + 1, close - i - 1);
        i = close;
        if (name == "left") Key(e, vk::Left);
        else if (name == "right") Key(e, vk::Right);
        else if (name == "home") Key(e, vk::Home);
        else if (name == "end") Key(e, vk::End);
        else if (name == "del") Key(e, vk::Delete);
        else if (name == "bs") Type(e, "\b");
        else if (name == "shift") e->Perform(win::WM_KEYDOWN, vk::Shift, 0);
        else if (name == "/shift") e->Perform(win::WM_KEYUP, vk::Shift, 0);
        else if (name == "ctrl-a") Type(e, "\x01");
        else ADD_FAILURE() << "unknown key " << name;
    }
}

TEST_F(EditTest, KeystrokesEditTheText) {
    struct Case {
        const char* script;
        const char* text;
        int selStart;
        int selLength;
    };
    const std::vector<Case> cases = {
        {"abc", "abc", 3, 0},
        {"abc{left}{left}X", "aXbc", 2, 0},
        {"abc{home}{del}", "bc", 0, 0},
        {"abc{bs}{bs}", "a", 1, 0},
        {"{bs}{del}", "", 0, 0},
        {"abcd{left}{shift}{left}{left}{/shift}", "abcd", 1, 2},
        {"abcd{left}{shift}{left}{left}{/shift}Z", "aZd", 2, 0},
        {"abcd{home}{shift}{end}{/shift}{del}", "", 0, 0},
        {"abc{ctrl-a}x", "x", 1, 0},
        {"ab{home}{right}{right}{right}c", "abc", 3, 0},
    };
    for (const Case& c : cases) {
        edit->SetText("");
        Play(edit, c.script);
        EXPECT_EQ(edit->Text(), c.text) << c.script;
        EXPECT_EQ(edit->SelStart(), c.selStart) << c.script;
        EXPECT_EQ(edit->SelLength(), c.selLength) << c.script;
    }
}

TEST_F(EditTest, MaxLengthDropsWhatDoesNotFitAndReadOnlyTakesNothing) {
    edit->SetMaxLength(4);
    Type(edit, "abcdef");
    EXPECT_EQ(edit->Text(), "abcd");
    edit->SetSelStart(1);
    edit->SetSelLength(2);
    edit->SetSelText("XYZW");
    EXPECT_EQ(edit->Text(), "aXYd") << "a replacement is cut to the room left";
    edit->SetReadOnly(true);
    Type(edit, "q\b");
    Key(edit, vk::Delete);
    EXPECT_EQ(edit->Text(), "aXYd");
}

TEST_F(EditTest, ClipboardCopyCutAndPasteTakeTheFirstLineOnly) {
    edit->SetText("hello world");
    edit->SetSelStart(6);
    edit->SetSelLength(5);
    edit->CopyToClipboard();
    edit->SetSelStart(0);
    edit->PasteFromClipboard();
    EXPECT_EQ(edit->Text(), "worldhello world");
    edit->SelectAll();
    edit->CutToClipboard();
    EXPECT_EQ(edit->Text(), "");
    ASSERT_TRUE(win::OpenClipboard(0));
    win::EmptyClipboard();
    win::SetClipboardText("one\r\ntwo");
    win::CloseClipboard();
    edit->PasteFromClipboard();
    EXPECT_EQ(edit->Text(), "one");
}

TEST_F(EditTest, PasswordTextIsNeverCopiedAndChangeFollowsEveryChange) {
    edit->SetPasswordChar('*');
    edit->SetText("secret");
    changes = 0;
    ASSERT_TRUE(win::OpenClipboard(0));
    win::EmptyClipboard();
    win::SetClipboardText("before");
    win::CloseClipboard();
    edit->SelectAll();
    edit->CopyToClipboard();
    EXPECT_EQ(win::GetClipboardText().value_or(""), "before");
    Type(edit, "ab");
    EXPECT_EQ(changes, 2);
    edit->SetText("ab");
    EXPECT_EQ(changes, 2) << "an unchanged text is no change";
}

TEST_F(EditTest, UpperCaseEditStoresUpperCase) {
    edit->SetCharCase(TEditCharCase::ecUpperCase);
    Type(edit, "abc");
    EXPECT_EQ(edit->Text(), "ABC");
}

class MemoTest : public UiTest {
protected:
    MemoTest() {
        memo = new TMemo(&form);
        memo->SetParent(&form);
        form.Show();
        memo->SetFocus();
    }
    TForm form{nullptr};
    TMemo* memo;
};

TEST_F(MemoTest, EnterSplitsAndBackspaceJoinsLines) {
    Type(memo, "one\rtwo");
    ASSERT_EQ(memo->Lines().Count(), 2);
    EXPECT_EQ(memo->Lines()[0], "one");
    EXPECT_EQ(memo->Lines()[1], "two");
    EXPECT_EQ(memo->Text(), "one\r\ntwo\r\n");
    Key(memo, vk::Home);
    Type(memo, "\b");
    ASSERT_EQ(memo->Lines().Count(), 1);
    EXPECT_EQ(memo->Lines()[0], "onetwo");
    EXPECT_EQ(memo->CaretColumn(), 3);
    Key(memo, vk::End);
    Type(memo, "\r");
    EXPECT_EQ(memo->Lines().Count(), 2);
    EXPECT_EQ(memo->CaretLine(), 1);
}

TEST_F(MemoTest, LinesAndTextAreOneContent) {
    memo->SetText("a\nb\r\nc");
    ASSERT_EQ(memo->Lines().Count(), 3);
    EXPECT_EQ(memo->Lines()[2], "c");
    memo->Lines().Add("d");
    EXPECT_EQ(memo->Text(), "a\r\nb\r\nc\r\nd\r\n");
}

TEST_F(MemoTest, WithoutWantReturnsEnterIsLeftToTheForm) {
    memo->SetWantReturns(false);
    Type(memo, "x\ry");
    EXPECT_EQ(memo->Lines().Count(), 1);
    EXPECT_EQ(memo->Lines()[0], "xy");
}

} // namespace
} // namespace plat::comp
