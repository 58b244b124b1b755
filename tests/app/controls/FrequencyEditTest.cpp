#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "app/controls/FloatText.h"
#include "app/controls/TstFrequencyEdit.h"
#include "tests/app/controls/ControlTestSupport.h"

namespace lxq {
namespace {

using namespace plat::comp;
namespace win = plat::win;

// Restores the decimal separator a test changed.
class SeparatorGuard {
public:
    explicit SeparatorGuard(char sep) : old_(DecimalSeparator()) { SetDecimalSeparator(sep); }
    ~SeparatorGuard() { SetDecimalSeparator(old_); }

private:
    char old_;
};

TEST(Freq2strTest, ChoosesTheUnitAtOneAndAHalf) {
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "0 Hz"},
        {1499, "1499 Hz"},
        {1500, "1.5 kHz"},
        {-2500, "-2.5 kHz"},
        {-6250, "-6.25 kHz"},
        {1'499'999, "1499.999 kHz"},
        {1'500'000, "1.5 MHz"},
        {7'050'000, "7.05 MHz"},
        {1'499'999'999, "1499.999999 MHz"},
        {1'500'000'000, "1.5 GHz"},
        {-1'500'000'000, "-1.5 GHz"},
    };
    for (const auto& [hz, text] : cases) EXPECT_EQ(Freq2str(hz), text) << hz;
    EXPECT_EQ(Freq2str(LLONG_MIN).substr(0, 2), "-9") << "the most negative value has a magnitude";
}

TEST(Freq2strTest, UsesTheProgramsDecimalSeparator) {
    SeparatorGuard comma(',');
    EXPECT_EQ(Freq2str(1500), "1,5 kHz");
    EXPECT_EQ(StrToFloat("7,25"), 7.25);
    EXPECT_FALSE(StrToFloat("7.25")) << "only the separator of the settings counts";
}

TEST(FloatTextTest, PatternsWithRequiredAndOptionalDecimals) {
    EXPECT_EQ(FormatFloat(145.5, 6, 6), "145.500000");
    EXPECT_EQ(FormatFloat(145.5, 5, 6), "145.50000");
    EXPECT_EQ(FormatFloat(145.5, 3, 6), "145.500");
    EXPECT_EQ(FormatFloat(7.05, 0, 3), "7.05");
    EXPECT_EQ(FormatFloat(7.0, 0, 3), "7");
    EXPECT_EQ(FormatFloat(-0.0001, 3, 3), "0.000") << "what rounds to zero has no sign";
    EXPECT_FALSE(StrToFloat(""));
    EXPECT_FALSE(StrToFloat("abc"));
    EXPECT_FALSE(StrToFloat("1e999"));
    EXPECT_EQ(StrToFloat(" 12.5 "), 12.5);
}

class FrequencyEditTest : public testing::Test {
protected:
    FrequencyEditTest() {
        edit_ = new TstFrequencyEdit(nullptr);
        edit_->SetParent(&parent_);
        edit_->SetBounds(0, 0, 160, 24);
    }
    // Types one character through the key filter.
    void Type(char c) { edit_->Perform(win::WM_CHAR, static_cast<unsigned char>(c)); }
    void Key(std::uint16_t vk) { edit_->Perform(win::WM_KEYDOWN, vk); }
    void Show(std::int64_t v) { edit_->SetValue(v); }

    TWinControl parent_{nullptr};
    TstFrequencyEdit* edit_;
};

TEST_F(FrequencyEditTest, AutomaticUnitFollowsHzLimit) {
    struct Case {
        std::int64_t limit, value;
        int unit;
        const char* text;
    };
    const Case cases[] = {
        {2000, 1999, 0, "1999"},           {2000, 2000, 1, "2"},
        {2000, 1'999'999, 1, "1999.999"},  {2000, 2'000'000, 2, "2"},
        {2000, 2'000'000'000, 3, "2"},     {2000, -1999, 0, "-1999"},
        {1500, 1499, 0, "1499"},           {1500, 1500, 1, "1.5"},
        {1500, 1'500'000, 2, "1.5"},       {1500, 1'500'000'000, 3, "1.5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.limit << " " << c.value);
        edit_->SetHzLimit(c.limit);
        Show(c.value);
        EXPECT_EQ(edit_->ShownUnit(), c.unit);
        EXPECT_EQ(edit_->Text(), c.text);
    }
    edit_->SetHzLimit(-5);
    EXPECT_EQ(edit_->HzLimit(), 1);
}

TEST_F(FrequencyEditTest, EditAndDisplayFormatsByResolution) {
    struct Case {
        TFixedPoint fp;
        std::int64_t value;
        const char* edit;
        const char* display;
    };
    const Case cases[] = {
        {TFixedPoint::fpNone, 145'512'340, "145.51234", "145.51234"},
        {TFixedPoint::fp1Hz, 145'512'340, "145.512340", "145.512340"},
        {TFixedPoint::fp10Hz, 145'512'340, "145.51234", "145.51234"},
        {TFixedPoint::fp100Hz, 145'512'340, "145.51234", "145.5123"},
        {TFixedPoint::fp1kHz, 145'512'340, "145.51234", "145.512"},
        {TFixedPoint::fp10Hz, 145'500'000, "145.50000", "145.50000"},
        {TFixedPoint::fp1kHz, 145'500'000, "145.500", "145.500"},
        {TFixedPoint::fp1Hz, 7'050, "7.050", "7.050"},
        {TFixedPoint::fp1kHz, 7'050, "7.05", "7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(c.fp) << " " << c.value);
        edit_->SetFixedPoint(c.fp);
        Show(c.value);
        EXPECT_EQ(edit_->Text(), c.edit);
        EXPECT_EQ(edit_->DisplayText(), c.display);
    }
    edit_->SetShowUnit(TFrequencyUnit::fuHz);
    edit_->SetFixedPoint(TFixedPoint::fp1kHz);
    Show(1234);
    EXPECT_EQ(edit_->Text(), "1234") << "in hertz the edit text keeps every digit";
    EXPECT_EQ(edit_->DisplayText(), "1000");
}

TEST_F(FrequencyEditTest, ParsingInTheShownUnit) {
    Show(7'100'000); // MHz
    struct Case {
        const char* text;
        std::int64_t value;
    };
    const Case cases[] = {
        {"7.1", 7'100'000}, {"0.0000005", 1}, {"-3", -3'000'000}, {"", 7'100'000},
        {"abc", 7'100'000}, {"1e300", 7'100'000}, {"1e-9", 0},
    };
    for (const auto& c : cases) {
        edit_->TstAlignEdit::SetText(c.text);
        edit_->SetUnit(2);
        EXPECT_EQ(edit_->GetValue(), c.value) << c.text;
    }
}

TEST_F(FrequencyEditTest, LimitsClampUnlessTheUndefinedValueIsShown) {
    int changes = 0;
    edit_->OnValueChange = [&](TObject* s) {
        EXPECT_EQ(s, edit_);
        ++changes;
    };
    Show(5);
    EXPECT_EQ(changes, 1);
    Show(5);
    EXPECT_EQ(changes, 1) << "an unchanged value raises nothing";
    edit_->SetMin(1);
    edit_->SetMax(1'000'000'000);
    Show(0);
    EXPECT_EQ(edit_->Value(), 1);
    Show(2'000'000'000);
    EXPECT_EQ(edit_->Value(), 1'000'000'000);
    edit_->SetMax(0);
    Show(500);
    EXPECT_EQ(edit_->Value(), 1) << "Max 0 with Min 1 turns every value into 1";

    edit_->SetUndefValue(-1);
    edit_->SetUndefValueText("----");
    edit_->SetDisplayUndefValueText(true);
    Show(-1);
    EXPECT_EQ(edit_->Value(), -1) << "not clamped";
    EXPECT_EQ(edit_->Text(), "----");
    EXPECT_EQ(edit_->ShownUnit(), 4);
    EXPECT_EQ(edit_->GetValue(), -1) << "the undefined text parses to the current value";
}

TEST_F(FrequencyEditTest, KeyFilter) {
    struct Case {
        std::int64_t value;
        char key;
        const char* text;
    };
    const Case cases[] = {
        {7'100'000, '5', "7.15"},  {7'100'000, 'a', "7.1"}, {7'100'000, '.', "7.1"},
        {7'100'000, ',', "7.1"},   {7'100'000, 3, "7.1"},   {7'100'000, 22, "7.1"},
        {7'000'000, '.', "7."},    {7'000'000, ',', "7."},  {-7'000'000, '-', "-7"},
        {7'000'000, '-', "7-"},    {7'100'000, 8, "7."},
    };
    for (const auto& c : cases) {
        Show(c.value);
        Type(c.key);
        EXPECT_EQ(edit_->Text(), c.text) << c.value << " + " << static_cast<int>(c.key);
    }
    SeparatorGuard comma(',');
    Show(7'000'000);
    Type('.');
    EXPECT_EQ(edit_->Text(), "7,") << "'.' types the locale's separator";
}

TEST_F(FrequencyEditTest, UnitLettersEnterAndEscape) {
    Show(7'100'000);
    Type('g');
    EXPECT_EQ(edit_->ShownUnit(), 3);
    EXPECT_EQ(edit_->Text(), "7.1") << "the letter switches the unit and is not typed";
    Key(vk::Return);
    EXPECT_EQ(edit_->Value(), 7'100'000'000);
    Show(7'100'000);
    Type('5');
    Key(vk::Escape);
    EXPECT_EQ(edit_->Text(), "7.1");
    EXPECT_EQ(edit_->Value(), 7'100'000);
    Type('k');
    Key(vk::Return);
    EXPECT_EQ(edit_->Value(), 7'100);
}

TEST_F(FrequencyEditTest, TypingPastMaxStepsTheUnitDown) {
    edit_->SetShowUnit(TFrequencyUnit::fuMHz);
    edit_->SetMin(1);
    edit_->SetMax(1'000'000'000);
    Show(1'000'000); // "1" MHz
    for (char c : std::string("500")) Type(c);
    EXPECT_EQ(edit_->Text(), "1500");
    EXPECT_EQ(edit_->ShownUnit(), 1) << "1500 MHz is above Max: kHz";
    Key(vk::Return);
    EXPECT_EQ(edit_->Value(), 1'500'000);
}

TEST_F(FrequencyEditTest, SmallTrailingDigitsInTheirOwnColour) {
    edit_->Font().SetSize(14);
    edit_->Font().SetColor(clBlack);
    edit_->SetColor(clWhite);
    edit_->SetFixedPoint(TFixedPoint::fp1Hz);
    edit_->SetSmallFixedPoint(TFixedPoint::fp1kHz);
    edit_->SetSmallColor(clRed);
    Show(145'500'000);
    EXPECT_EQ(edit_->DisplayText(), "145.500000");
    const auto bitmap = test::Render(*edit_);
    int leftmostRed = edit_->Width();
    int rightmostBlack = -1;
    for (int y = 0; y < bitmap->Height(); ++y) {
        for (int x = 0; x < edit_->DigitsRightEdge(); ++x) {
            const TColor p = test::PixelAt(*bitmap, x, y);
            // Text is smoothed: strong ink counts.
            const bool red = (p & 0xFF) >= 0xC0 && ((p >> 8) & 0xFF) < 0x60 && (p >> 16) < 0x60;
            const bool black = (p & 0xFF) < 0x40 && ((p >> 8) & 0xFF) < 0x40 && (p >> 16) < 0x40;
            if (red) leftmostRed = std::min(leftmostRed, x);
            if (black) rightmostBlack = std::max(rightmostBlack, x);
        }
    }
    ASSERT_LT(leftmostRed, edit_->DigitsRightEdge()) << "the small digits are drawn";
    ASSERT_GE(rightmostBlack, 0);
    EXPECT_LT(rightmostBlack, leftmostRed) << "the large part ends where the small one starts";
}

// The field as the front panel has it, focused in a shown form: the user must see what the next
// key will do to the text.
} // namespace
} // namespace lxq

#include "app/controls/TstKnob.h"
#include "platform/components/TApplication.h"
#include "platform/components/TForm.h"
#include "platform/win/CaretApi.h"
#include "tests/platform/components/UiTest.h"
#include "platform/win/WindowApi.h"

namespace lxq {
namespace {

using namespace plat::comp;

TEST(FrequencyEditFocusTest, EnterHandsTheFocusToTheExitControlAndLeavingCommits) {
    plat::sys::FakeClock clock;
    plat::sys::ScopedClock scoped(clock);
    Application().ResetTerminated();
    TForm form(nullptr);
    auto* edit = new TstFrequencyEdit(nullptr);
    edit->SetParent(&form);
    auto* knob = new TstKnob(nullptr);
    knob->SetParent(&form);
    knob->SetLeft(200);
    knob->SetTabStop(true);
    edit->SetExitControl(knob);
    form.Show();
    Application().ProcessMessages();
    edit->SetFocus();
    Application().ProcessMessages();
    ASSERT_TRUE(edit->Focused());
    edit->Perform(plat::win::WM_CHAR, '7');
    edit->Perform(plat::win::WM_KEYDOWN, vk::Return);
    Application().ProcessMessages();
    EXPECT_EQ(edit->Value(), 7);
    EXPECT_TRUE(knob->Focused()) << "the focus went on to the knob";
    edit->SetFocus();
    Application().ProcessMessages();
    edit->Perform(plat::win::WM_CHAR, '9');
    knob->SetFocus();
    Application().ProcessMessages();
    EXPECT_EQ(edit->Value(), 9) << "leaving the field takes the typed number";
    edit->SetUpdateOnExit(false);
    edit->SetFocus();
    Application().ProcessMessages();
    edit->Perform(plat::win::WM_CHAR, '5');
    knob->SetFocus();
    Application().ProcessMessages();
    EXPECT_EQ(edit->Value(), 9);
    EXPECT_EQ(edit->Text(), "9") << "the typed text is discarded";
    form.Hide();
}

// The field as the front panel has it, focused in a shown form: the user must see what the next
// key will do to the text.
class FrequencyEditEditingTest : public testing::Test {
protected:
    FrequencyEditEditingTest() {
        Application().ResetTerminated();
        edit_ = new TstFrequencyEdit(nullptr);
        edit_->SetParent(&form_);
        edit_->SetBounds(10, 10, 200, 26);
        edit_->SetFixedPoint(TFixedPoint::fp1Hz);
        edit_->SetShowUnit(TFrequencyUnit::fuMHz);
        edit_->SetValue(145'500'000);
        other_ = new TstFrequencyEdit(nullptr);
        other_->SetParent(&form_);
        other_->SetBounds(10, 50, 200, 26);
        form_.Show();
        Application().ProcessMessages();
    }
    ~FrequencyEditEditingTest() override { form_.Hide(); }
    void Enter() {
        other_->SetFocus();
        Application().ProcessMessages();
        edit_->SetFocus();
        Application().ProcessMessages();
    }
    // Columns of the client area holding the selection colour.
    int HighlightedColumns() {
        auto picture = test::Render(*edit_);
        const int border = (edit_->Width() - edit_->ClientWidth()) / 2;
        int columns = 0;
        for (int x = border; x < edit_->Width() - border; ++x) {
            bool lit = false;
            for (int y = border; y < edit_->Height() - border; ++y)
                lit |= test::PixelAt(*picture, x, y) == ColorToRGB(clHighlight);
            columns += lit;
        }
        return columns;
    }

    plat::sys::FakeClock clock_;
    plat::sys::ScopedClock scoped_{clock_};
    TForm form_{nullptr};
    TstFrequencyEdit* edit_;
    TstFrequencyEdit* other_;
};

TEST_F(FrequencyEditEditingTest, EnteringSelectsTheTextVisiblyAndTheCaretStandsInTheDigits) {
    Enter();
    ASSERT_TRUE(edit_->Focused());
    EXPECT_EQ(edit_->SelLength(), static_cast<int>(edit_->Text().size()));
    EXPECT_GT(HighlightedColumns(), 40) << "\"145.500000\" shows selected";
    edit_->Repaint();
    const win::CaretState caret = win::GetCaretState();
    EXPECT_EQ(caret.hwnd, edit_->Handle());
    EXPECT_GT(caret.rect.left, edit_->DigitsRightEdge() - 20) << "at the end of the digits";
    EXPECT_LE(caret.rect.left, edit_->DigitsRightEdge()) << "not over the unit";
    edit_->Perform(win::WM_CHAR, '7');
    EXPECT_EQ(edit_->Text(), "7") << "the selected text is replaced";
    EXPECT_EQ(HighlightedColumns(), 0);
}

TEST_F(FrequencyEditEditingTest, WithoutAutoSelectTheCaretGoesToTheEndAndTypingAppends) {
    edit_->SetAutoSelect(false);
    Enter();
    EXPECT_EQ(edit_->SelLength(), 0);
    EXPECT_EQ(edit_->SelStart(), static_cast<int>(edit_->Text().size()));
    EXPECT_EQ(HighlightedColumns(), 0);
    edit_->Perform(win::WM_CHAR, '1');
    EXPECT_EQ(edit_->Text(), "145.5000001");
    edit_->Perform(win::WM_CHAR, 1); // Ctrl+A selects the whole text, as in any edit
    EXPECT_EQ(edit_->SelLength(), static_cast<int>(edit_->Text().size()));
    EXPECT_EQ(edit_->Text(), "145.5000001");
}

TEST_F(FrequencyEditEditingTest, TheClickThatEntersSelectsTheWholeFrequencyAndTypingReplacesIt) {
    other_->SetFocus();
    Application().ProcessMessages();
    plat::comp::test::ClickAt(edit_, 20, edit_->ClientHeight() / 2); // in the middle of the digits
    ASSERT_TRUE(edit_->Focused());
    EXPECT_EQ(edit_->SelLength(), static_cast<int>(edit_->Text().size()));
    for (char c : std::string("-7")) edit_->Perform(win::WM_CHAR, static_cast<unsigned char>(c));
    EXPECT_EQ(edit_->Text(), "-7") << "typed over the selection, the sign included";
    plat::comp::test::ClickAt(edit_, 5, edit_->ClientHeight() / 2); // in the box that has the focus
    EXPECT_EQ(edit_->SelLength(), 0) << "places the caret";
}

TEST_F(FrequencyEditEditingTest, WithoutCtl3DTheBorderIsOnePlainLineAndTheDigitsMoveIn) {
    const int sunken = edit_->Width() - edit_->ClientWidth();
    const int right3D = edit_->DigitsRightEdge();
    edit_->SetCtl3D(false);
    Application().ProcessMessages();
    EXPECT_EQ(edit_->Width() - edit_->ClientWidth(), 2) << "one pixel each side";
    EXPECT_GT(sunken, 2);
    // The digits keep the 3-D edge's inset from the wider client area.
    EXPECT_EQ(edit_->DigitsRightEdge(), right3D + (sunken - 2) -
                                            (win::GetSystemMetrics(win::SM_CXEDGE) -
                                             win::GetSystemMetrics(win::SM_CXBORDER)));
}

} // namespace
} // namespace lxq
