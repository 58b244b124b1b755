#include "tests/demod/ui/toolkit/ToolkitTestKit.h"

#include "demod/ui/toolkit/RC_NumberEdit.h"

#include <string>
#include <vector>

namespace {

using namespace toolkit_test;

class RC_NumberEditTest : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        field_ = new RC_NumberEdit(top_, 10, 10, 120, 20);
        field_->Show(win::SW_SHOW);
        field_->onValueChange = {[](void* u, RC_NumberEdit*, double v) { static_cast<std::vector<double>*>(u)->push_back(v); }, &changes_};
    }
    void Type(const std::string& text) {
        for (char c : text) win::SendMessage(top_->Handle(), win::WM_CHAR, static_cast<unsigned char>(c), 0);
    }
    void Key(std::uint32_t vk) { win::SendMessage(top_->Handle(), win::WM_KEYDOWN, vk, 0); }
    std::string Text() const { return field_->Caption(); }

    RC_NumberEdit* field_ = nullptr;
    std::vector<double> changes_;
};

TEST_F(RC_NumberEditTest, ValueTextChoosesItsPrefixByMagnitudeAndResolution) {
    struct Case {
        double value;
        int resolution;
        const char* text;
        char prefix;
    };
    const Case cases[] = {
        {2999, 0, "2999", ' '},
        {3001, 0, "3.001", 'k'},
        {2500000, 0, "2500.000", 'k'},
        {4000000, 0, "4.000000", 'M'},
        {4000000, 3, "4.000", 'M'},
        {-12.25, 0, "-12", ' '},
        {5e9, 0, "5.000000000", 'G'},
        {5e12, 0, "5.000000000000", 'T'},
    };
    field_->SetMaximum(1e13);
    field_->SetMinimum(-1e13);
    for (const Case& c : cases) {
        field_->SetResolution(c.resolution);
        field_->SetValue(true, c.value);
        EXPECT_EQ(Text(), c.text) << c.value;
        EXPECT_EQ(field_->Prefix(), c.prefix) << c.value;
    }
}

// The demodulator's bandwidth field is 62 pixels wide: from 10 kHz up "12.345 kHz" does not fit.
// It shows fewer decimals rather than a number cut at its edge, and keeps the value.
TEST_F(RC_NumberEditTest, ANarrowFieldShowsFewerDecimalsButKeepsTheWholeValue) {
    auto* narrow = new RC_NumberEdit(top_, 10, 40, 62, 20);
    narrow->SetUnit("Hz");
    narrow->SetMaximum(20000);
    narrow->Show(win::SW_SHOW);
    field_->SetUnit("Hz");
    field_->SetMaximum(20000);
    for (RC_NumberEdit* f : {narrow, field_}) f->SetValue(true, 12345);
    EXPECT_EQ(Text(), "12.345") << "a field wide enough shows every decimal";
    EXPECT_EQ(std::string(narrow->Caption()), "12.35");
    EXPECT_LE(narrow->TextWidth(narrow->Caption()) + narrow->TextWidth(" kHz") + 2 + 3, 62 - 4);
    narrow->SetValue(true, 2300);
    EXPECT_EQ(std::string(narrow->Caption()), "2300") << "below 3 kHz in Hz, whole";
    narrow->SetValue(true, 12345);
    narrow->Focus();
    top_->Focus();
    EXPECT_EQ(narrow->Value(), 12345.0) << "leaving the field untouched changes nothing";
    narrow->Focus();
    Type("9.5k");
    top_->Focus();
    EXPECT_EQ(narrow->Value(), 9500.0) << "typed text is committed as ever";
}

TEST_F(RC_NumberEditTest, TypedNumberWithPrefixIsCommittedWhenTheFocusLeaves) {
    field_->SetMaximum(1e7);
    field_->Focus();
    Type("1.5M");
    EXPECT_EQ(Text(), "1.5");
    EXPECT_EQ(field_->Prefix(), 'M');
    top_->Focus();
    EXPECT_EQ(field_->Value(), 1500000.0);
    EXPECT_EQ(changes_, (std::vector<double>{1500000.0}));
    EXPECT_EQ(Text(), "1500.000") << "the text shows the committed value";
}

TEST_F(RC_NumberEditTest, CommitIsClampedToTheRange) {
    field_->Focus();
    Type("250");
    Key(win::VK_RETURN);
    EXPECT_EQ(field_->Value(), 100.0);
    EXPECT_EQ(Text(), "100");
}

TEST_F(RC_NumberEditTest, PrefixLettersUnitLetterAndASecondPointAreHandled) {
    field_->SetUnit("Hz");
    field_->Focus();
    Type("2.5.");
    EXPECT_EQ(Text(), "2.5") << "a second decimal point is refused";
    Type("K");
    EXPECT_EQ(field_->Prefix(), 'k');
    Type("h");
    EXPECT_EQ(field_->Prefix(), ' ') << "the unit's first letter clears the prefix";
    Type("x");
    EXPECT_EQ(Text(), "2.5") << "other letters are not typed";
}

TEST_F(RC_NumberEditTest, EscapeRestoresTheCommittedText) {
    field_->SetValue(true, 42);
    field_->Focus();
    Type("7");
    EXPECT_NE(Text(), "42");
    Key(win::VK_ESCAPE);
    EXPECT_EQ(Text(), "42");
    EXPECT_EQ(field_->Value(), 42.0);
}

TEST_F(RC_NumberEditTest, LinkedSpinnerStepsTheValueAndFollowsTheRange) {
    field_->SetStyle(field_->Style() | RC_NumberEdit::kLinkedSpinner);
    ASSERT_NE(field_->Spinner(), nullptr);
    field_->SetMaximum(10);
    field_->SetValue(true, 9);
    field_->Spinner()->Step(5, true);
    EXPECT_EQ(field_->Value(), 10.0);
    EXPECT_EQ(Text(), "10");
    EXPECT_EQ(changes_, (std::vector<double>{10.0}));
    field_->SetStyle(field_->Style() & ~RC_NumberEdit::kLinkedSpinner);
    EXPECT_EQ(field_->Spinner(), nullptr);
}

TEST_F(RC_NumberEditTest, SelectionIsHighlightedUnlessTurnedOff) {
    field_->SetValue(true, 88);
    field_->Focus();
    field_->SelectAll();
    auto highlighted = [&] {
        const auto image = Render(field_);
        for (int y = 0; y < image->Height(); ++y) {
            for (int x = 0; x < image->Width(); ++x) {
                if (image->GetPixel(x, y) == 0x008000u) return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(highlighted());
    EXPECT_EQ(win::GetCaretState().rect.Width(), 2);
    field_->SetStyle(field_->Style() | RC_NumberEdit::kNoHighlight);
    EXPECT_FALSE(highlighted());
}

TEST_F(RC_NumberEditTest, ReadOnlyFieldIgnoresKeys) {
    field_->SetValue(true, 5);
    field_->Focus();
    field_->SetStyle(field_->Style() | RC_NumberEdit::kReadOnly);
    Type("9");
    EXPECT_EQ(Text(), "5");
}

} // namespace
