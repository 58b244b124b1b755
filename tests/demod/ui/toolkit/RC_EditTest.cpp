#include "tests/demod/ui/toolkit/ToolkitTestKit.h"

#include "demod/ui/toolkit/RC_Edit.h"

#include <string>

namespace {

using namespace toolkit_test;

class RC_EditTest : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        edit_ = new RC_Edit(top_, 10, 10, 120, 20);
        edit_->Show(win::SW_SHOW);
    }
    void Type(const std::string& text) {
        for (char c : text) win::SendMessage(top_->Handle(), win::WM_CHAR, static_cast<unsigned char>(c), 0);
    }
    void Key(std::uint32_t vk, bool down = true) {
        win::SendMessage(top_->Handle(), down ? win::WM_KEYDOWN : win::WM_KEYUP, vk, 0);
    }
    void ShiftKey(std::uint32_t vk) {
        Key(win::VK_SHIFT);
        Key(vk);
        Key(win::VK_SHIFT, false);
    }
    std::string Text() const { return edit_->Caption(); }
    RC_Edit* edit_ = nullptr;
};

TEST_F(RC_EditTest, TypingInsertsAtTheCaretUpToTheMaximumLength) {
    edit_->Focus();
    Type("abd");
    Key(win::VK_LEFT);
    Type("c");
    EXPECT_EQ(Text(), "abcd");
    EXPECT_EQ(edit_->Caret(), 3u);
    edit_->SetMaximumLength(4);
    Type("x");
    EXPECT_EQ(Text(), "abcd") << "full: nothing typed";
    ShiftKey(win::VK_HOME);
    EXPECT_EQ(edit_->SelectionStart(), 0u);
    EXPECT_EQ(edit_->SelectionEnd(), 3u) << "Shift+Home selects from the caret to the start";
    Type("z");
    EXPECT_EQ(Text(), "zd") << "the selection is replaced";
    edit_->SetCaption("0123456789");
    EXPECT_EQ(Text(), "0123");
}

TEST_F(RC_EditTest, EditingKeys) {
    edit_->SetCaption("hello");
    edit_->Focus();
    edit_->SetCaret(5);
    Key(win::VK_BACK);
    EXPECT_EQ(Text(), "hell");
    Key(win::VK_HOME);
    Key(win::VK_DELETE);
    EXPECT_EQ(Text(), "ell");
    Key(win::VK_END);
    Key(win::VK_DELETE);
    EXPECT_EQ(Text(), "ell") << "Delete at the end does nothing";
    Key(win::VK_LEFT);
    ShiftKey(win::VK_LEFT);
    EXPECT_EQ(edit_->SelectionStart(), 1u);
    EXPECT_EQ(edit_->SelectionEnd(), 2u);
    Key(win::VK_BACK);
    EXPECT_EQ(Text(), "el");
    Key(win::VK_HOME);
    Key(win::VK_LEFT);
    EXPECT_EQ(edit_->Caret(), 0u);
}

TEST_F(RC_EditTest, EscapeRestoresTheTextFromWhenTheFocusCame) {
    edit_->SetCaption("42");
    edit_->Focus();
    edit_->SelectAll();
    Type("1000");
    EXPECT_EQ(Text(), "1000");
    Key(win::VK_ESCAPE);
    EXPECT_EQ(Text(), "42");
}

TEST_F(RC_EditTest, EnterGivesTheFocusAwayAndCallsBack) {
    int entered = 0;
    edit_->onEnter = {[](void* user, RC_Edit*) { ++*static_cast<int*>(user); }, &entered};
    edit_->Focus();
    ASSERT_TRUE(edit_->IsFocused());
    Key(win::VK_RETURN);
    EXPECT_EQ(entered, 1);
    EXPECT_FALSE(edit_->IsFocused());
    EXPECT_FALSE(win::GetCaretState().visible);
}

TEST_F(RC_EditTest, PasteDropsControlCharactersAndCopyOfAPasswordGivesStars) {
    ASSERT_TRUE(win::OpenClipboard(top_->Handle()));
    win::EmptyClipboard();
    win::SetClipboardText("a\tb\r\nc");
    win::CloseClipboard();
    edit_->SetCaption("[]");
    edit_->Focus();
    edit_->SetCaret(1);
    Key(win::VK_SHIFT);
    Key(win::VK_INSERT);
    Key(win::VK_SHIFT, false);
    EXPECT_EQ(Text(), "[abc]");
    EXPECT_EQ(edit_->Caret(), 4u);

    edit_->SetStyle(edit_->Style() | RC_Edit::kPassword);
    edit_->SelectAll();
    Key(win::VK_CONTROL);
    Type("\x03");
    Key(win::VK_CONTROL, false);
    ASSERT_TRUE(win::OpenClipboard(top_->Handle()));
    EXPECT_EQ(win::GetClipboardText().value_or(""), "*****");
    win::CloseClipboard();
}

TEST_F(RC_EditTest, FirstClickSelectsAllAndASecondPlacesTheCaret) {
    edit_->SetCaption("abcdef");
    Click(edit_, 60, 10);
    EXPECT_TRUE(edit_->IsFocused());
    EXPECT_EQ(edit_->SelectionStart(), 0u);
    EXPECT_EQ(edit_->SelectionEnd(), 6u);
    Click(edit_, 4, 10); // left of the first character's middle
    win::UpdateWindow(top_->Handle());
    EXPECT_EQ(edit_->Caret(), 0u);
    EXPECT_EQ(edit_->SelectionStart(), edit_->SelectionEnd());
    EXPECT_TRUE(win::GetCaretState().hwnd == top_->Handle());
}

TEST_F(RC_EditTest, LongTextScrollsToKeepTheCaretInside) {
    edit_->Focus();
    Type(std::string(60, 'W'));
    win::UpdateWindow(top_->Handle());
    win::UpdateWindow(top_->Handle());
    EXPECT_GT(edit_->ScrollOffset(), 0);
    const win::CaretState caret = win::GetCaretState();
    EXPECT_LT(caret.rect.left, edit_->X() + edit_->Width());
    Key(win::VK_HOME);
    win::UpdateWindow(top_->Handle());
    win::UpdateWindow(top_->Handle());
    EXPECT_LE(edit_->ScrollOffset(), 1) << "back at the start";
    EXPECT_GE(win::GetCaretState().rect.left, edit_->X());
}

TEST_F(RC_EditTest, ReadOnlyBoxIgnoresTyping) {
    edit_->SetCaption("fixed");
    edit_->SetReadOnly(true);
    edit_->Focus();
    Type("x");
    Key(win::VK_BACK);
    EXPECT_EQ(Text(), "fixed");
}

} // namespace
