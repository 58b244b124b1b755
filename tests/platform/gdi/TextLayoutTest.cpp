#include "platform/gdi/TextLayout.h"

#include "platform/gdi/TextDecoding.h"
#include "platform/gdi/TextMetrics.h"

#include <gtest/gtest.h>

namespace plat::gdi {
namespace {

// Every character is 10 pixels wide, so widths can be checked by counting.
int Measure(std::u32string_view t) { return static_cast<int>(t.size()) * 10; }

std::vector<std::u32string> Texts(const std::vector<TextLine>& lines) {
    std::vector<std::u32string> out;
    for (const TextLine& l : lines) out.push_back(l.text);
    return out;
}

struct LayoutCase {
    const char32_t* text;
    int width;
    unsigned format;
    std::vector<std::u32string> expected;
};

TEST(TextLayout, BreaksWrapsAndShortensAsTheFlagsSay) {
    const LayoutCase cases[] = {
        {U"one\ntwo\r\nthree\rfour", 1000, 0, {U"one", U"two", U"three", U"four"}},
        {U"one\ntwo", 1000, dt::SingleLine, {U"one\ntwo"}},
        {U"the quick brown fox", 110, dt::WordBreak, {U"the quick", U"brown fox"}},
        {U"a  verylongword b", 60, dt::WordBreak, {U"a", U"verylongword", U"b"}},
        {U"abcdefgh", 30, dt::WordBreak | dt::EditControl, {U"abc", U"def", U"gh"}},
        {U"", 100, dt::WordBreak, {U""}},
        {U"frequency", 60, dt::SingleLine | dt::EndEllipsis, {U"fre..."}},
        {U"short", 60, dt::SingleLine | dt::EndEllipsis, {U"short"}},
        {U"one two three", 100, dt::SingleLine | dt::WordEllipsis, {U"one two..."}},
        {U"one two three", 90, dt::SingleLine | dt::WordEllipsis, {U"one..."}},
        {U"/home/user/file.txt", 150, dt::SingleLine | dt::PathEllipsis, {U"/ho.../file.txt"}},
        {U"a\tb", 1000, dt::ExpandTabs, {U"a       b"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "case width " << c.width << " format " << c.format);
        const auto lines = LayoutText(c.text, c.width, c.format, Measure);
        EXPECT_EQ(Texts(lines), c.expected);
        for (const TextLine& l : lines) EXPECT_EQ(l.width, Measure(l.text));
    }
}

TEST(TextLayout, PrefixMarksUnderlineTheNextCharacterUnlessTurnedOff) {
    auto lines = LayoutText(U"&File && more", 1000, dt::SingleLine, Measure);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text, U"File & more");
    EXPECT_EQ(lines[0].underline, 0);
    lines = LayoutText(U"Sa&ve", 1000, dt::SingleLine | dt::NoPrefix, Measure);
    EXPECT_EQ(lines[0].text, U"Sa&ve");
    EXPECT_EQ(lines[0].underline, -1);
    lines = LayoutText(U"one\nt&wo", 1000, 0, Measure);
    EXPECT_EQ(lines[1].underline, 1);
    lines = LayoutText(U"Sa&ve", 1000, dt::HidePrefix, Measure);
    EXPECT_EQ(lines[0].text, U"Save");
    EXPECT_EQ(lines[0].underline, -1);
}

TEST(TextDecoding, ReadsUtf8AndFallsBackToLatin1ForOtherBytes) {
    EXPECT_EQ(DecodeText("A\xC2\xB5V"), U"A\u00B5V");          // UTF-8 micro sign
    EXPECT_EQ(DecodeText("5\xB5V"), U"5\u00B5V");              // Latin-1 micro sign
    EXPECT_EQ(DecodeText("\xE2\x82\xAC"), U"\u20AC");          // three bytes
    EXPECT_EQ(DecodeText("\xF0\x9F\x93\xBB"), U"\U0001F4FB");  // four bytes
    EXPECT_EQ(DecodeText("\xC0\xAF"), U"\u00C0\u00AF");        // overlong form: not UTF-8
    EXPECT_EQ(DecodeText("\xED\xA0\x80"), U"\u00ED\u00A0\u0080"); // encoded surrogate
    EXPECT_EQ(DecodeText("\xE2\x82"), U"\u00E2\u0082");        // cut short at the end
}

} // namespace
} // namespace plat::gdi
