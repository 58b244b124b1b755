#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/controls/TstIntEdit.h"
#include "platform/components/TApplication.h"
#include "platform/components/TForm.h"
#include "tests/app/controls/ControlTestSupport.h"

namespace lxq {
namespace {

using namespace plat::comp;
namespace win = plat::win;

class IntEditTest : public testing::Test {
protected:
    IntEditTest() {
        edit_ = new TstIntEdit(nullptr);
        edit_->SetParent(&parent_);
        edit_->SetBounds(0, 0, 80, 21);
        edit_->OnValueChange = [this](TObject*) { changes_.push_back(edit_->Value()); };
    }
    void Type(char c) { edit_->Perform(win::WM_CHAR, static_cast<unsigned char>(c)); }
    void Key(std::uint16_t vk) { edit_->Perform(win::WM_KEYDOWN, vk); }
    void Enter(const std::string& text) {
        edit_->SetText(text);
        Key(vk::Return);
    }

    TWinControl parent_{nullptr};
    TstIntEdit* edit_;
    std::vector<int> changes_;
};

TEST_F(IntEditTest, StartsAtZeroRightAligned) {
    EXPECT_EQ(edit_->Text(), "0");
    EXPECT_EQ(edit_->Value(), 0);
    EXPECT_EQ(edit_->MaxLength(), 9);
    EXPECT_EQ(edit_->Alignment(), TAlignment::taRightJustify);
    EXPECT_NE(edit_->WindowParams().style & ES_RIGHT, 0u);
}

TEST_F(IntEditTest, CommitParsesDecimalAndClamps) {
    struct Case {
        int min, max;
        const char* typed;
        int value;
        const char* text;
    };
    const Case cases[] = {
        {0, 0, "12345", 12345, "12345"},       // no limits
        {0, 0, "-77", -77, "-77"},
        {0, 10000, "12345", 10000, "10000"},   // Max tested first
        {5, 10, "-3", 5, "5"},
        {0, 0, "12a", 42, "42"},               // not a number: the current value
        {0, 0, "", 42, "42"},
        {0, 0, "99999999999", 42, "42"},       // beyond 32 bits is no number either
    };
    for (const auto& c : cases) {
        edit_->SetMin(0);
        edit_->SetMax(0);
        edit_->SetValue(42);
        edit_->SetMax(c.max);
        edit_->SetMin(c.min);
        Enter(c.typed);
        EXPECT_EQ(edit_->Value(), c.value) << c.typed;
        EXPECT_EQ(edit_->Text(), c.text) << c.typed;
    }
}

TEST_F(IntEditTest, UndefinedValueShowsItsTextUnclamped) {
    edit_->SetUndefValueText("---");
    edit_->SetUndefValue(99);
    edit_->SetMin(1);
    edit_->SetMax(16);
    edit_->SetDisplayUndefValueText(true);
    edit_->SetValue(99);
    EXPECT_EQ(edit_->Value(), 99);
    EXPECT_EQ(edit_->Text(), "---");
    edit_->SetUndefValueText("none");
    EXPECT_EQ(edit_->Text(), "none") << "a new text shows at once";
    edit_->SetDisplayUndefValueText(false);
    EXPECT_EQ(edit_->Value(), 16) << "without the text the value is clamped again";
}

TEST_F(IntEditTest, KeyFilter) {
    struct Case {
        bool hex;
        const char* before;
        char key;
        const char* after;
    };
    const Case cases[] = {
        {false, "12", '3', "123"}, {false, "12", 'a', "12"},  {false, "12", '-', "12-"},
        {false, "-12", '-', "-12"}, {false, "12", 8, "1"},    {false, "12", 3, "12"},
        {false, "12", '+', "12"},  {true, "F", 'a', "Fa"},    {true, "F", 'A', "F"},
        {true, "F", 'g', "F"},
    };
    for (const auto& c : cases) {
        edit_->SetHexa(c.hex);
        edit_->SetText(c.before);
        edit_->SetSelStart(static_cast<int>(edit_->Text().size()));
        Type(c.key);
        EXPECT_EQ(edit_->Text(), c.after) << c.before << " + " << static_cast<int>(c.key);
    }
    edit_->SetHexa(false);
    // Typed over the whole selected text, as a squelch level is replaced.
    edit_->SetText("-30");
    edit_->SetSelStart(0);
    edit_->SetSelLength(3);
    for (char c : std::string("-100")) Type(c);
    EXPECT_EQ(edit_->Text(), "-100") << "the minus replaces the selected one";
    edit_->SetReadOnly(true);
    char key = 'x';
    edit_->OnKeyPress = [&](TObject*, char& k) { key = k; };
    Type('q');
    EXPECT_EQ(key, 0) << "the filter runs also while read-only";
}

TEST_F(IntEditTest, HexadecimalShowsUpperCaseAndTwosComplement) {
    edit_->SetValue(255);
    changes_.clear();
    edit_->SetHexa(true);
    EXPECT_EQ(edit_->Text(), "FF");
    EXPECT_EQ(changes_, (std::vector<int>{0, 255})) << "through 0 and back";
    edit_->SetValue(-1);
    EXPECT_EQ(edit_->Text(), "FFFFFFFF");
    edit_->SetValue(0);
    EXPECT_EQ(edit_->Text(), "0");
}

TEST_F(IntEditTest, HexadecimalCommitGoesThroughTranslate) {
    edit_->SetHexa(true);
    edit_->SetValue(16);
    Enter("zz");
    EXPECT_EQ(edit_->Value(), 16);
    EXPECT_EQ(edit_->Text(), "10") << "without a translator the text is restored";
    edit_->OnTranslate = [](TObject*, const std::string& s, int& v) {
        v = static_cast<int>(std::stoul(s, nullptr, 16));
    };
    edit_->SetMax(200);
    Enter("ff");
    EXPECT_EQ(edit_->Value(), 200) << "the translated value is clamped";
    EXPECT_EQ(edit_->Text(), "C8");
}

TEST_F(IntEditTest, EscapeRestoresTheText) {
    edit_->SetValue(7);
    edit_->SetText("123");
    Key(vk::Escape);
    EXPECT_EQ(edit_->Text(), "7");
    EXPECT_EQ(edit_->Value(), 7);
    edit_->SetReadOnly(true);
    Enter("55");
    EXPECT_EQ(edit_->Value(), 7) << "read-only fields commit nothing";
}

TEST_F(IntEditTest, RefusedChangeKeepsValueButShowsTheNumber) {
    edit_->SetValue(3);
    changes_.clear();
    std::vector<int> asked;
    edit_->OnValueChanging = [&](TObject*, int v, bool& allow) {
        asked.push_back(v);
        allow = v != 13;
    };
    Enter("13");
    EXPECT_EQ(edit_->Value(), 3);
    EXPECT_EQ(edit_->Text(), "13");
    EXPECT_TRUE(changes_.empty());
    Enter("4");
    EXPECT_EQ(edit_->Value(), 4);
    EXPECT_EQ(asked, (std::vector<int>{13, 4}));
    EXPECT_EQ(changes_, (std::vector<int>{4}));
    Enter("4");
    EXPECT_EQ(asked.size(), 2u) << "an unchanged value asks nobody";
}

TEST_F(IntEditTest, AlignmentIsAWindowStyle) {
    edit_->SetAlignment(TAlignment::taCenter);
    EXPECT_NE(edit_->WindowParams().style & ES_CENTER, 0u);
    edit_->SetAlignment(TAlignment::taLeftJustify);
    EXPECT_EQ(edit_->WindowParams().style & (ES_CENTER | ES_RIGHT), 0u);
}

class IntEditFocusTest : public testing::Test {
protected:
    IntEditFocusTest() {
        Application().ResetTerminated();
        edit_ = new TstIntEdit(nullptr);
        edit_->SetParent(&form_);
        other_ = new TstIntEdit(nullptr);
        other_->SetParent(&form_);
        other_->SetLeft(100);
        form_.Show();
        Application().ProcessMessages();
        Focus(edit_);
    }
    ~IntEditFocusTest() override { form_.Hide(); }
    void Focus(TWinControl* c) {
        c->SetFocus();
        Application().ProcessMessages();
    }

    plat::sys::FakeClock clock_;
    plat::sys::ScopedClock scoped_{clock_};
    TForm form_{nullptr};
    TstIntEdit* edit_;
    TstIntEdit* other_;
};

TEST_F(IntEditFocusTest, EnterCommitsAndHandsTheFocusOn) {
    edit_->SetExitControl(other_);
    edit_->SetUpdateOnExit(false);
    edit_->SetText("21");
    edit_->Perform(win::WM_KEYDOWN, vk::Return);
    Application().ProcessMessages();
    EXPECT_EQ(edit_->Value(), 21) << "Enter commits even when UpdateOnExit is false";
    EXPECT_TRUE(other_->Focused());
}

TEST_F(IntEditFocusTest, LeavingCommitsOrDiscardsByUpdateOnExit) {
    edit_->SetText("12");
    Focus(other_);
    EXPECT_EQ(edit_->Value(), 12);
    edit_->SetUpdateOnExit(false);
    Focus(edit_);
    edit_->SetText("99");
    Focus(other_);
    EXPECT_EQ(edit_->Value(), 12);
    EXPECT_EQ(edit_->Text(), "12") << "the typed text is discarded";
}

TEST_F(IntEditFocusTest, RefusedChangeKeepsTheFocus) {
    edit_->SetExitControl(other_);
    edit_->OnValueChanging = [](TObject*, int, bool& allow) { allow = false; };
    edit_->SetText("5");
    edit_->Perform(win::WM_KEYDOWN, vk::Return);
    Application().ProcessMessages();
    EXPECT_TRUE(edit_->Focused());
    EXPECT_EQ(edit_->Value(), 0);
    EXPECT_EQ(edit_->Text(), "5");
}

} // namespace
} // namespace lxq
