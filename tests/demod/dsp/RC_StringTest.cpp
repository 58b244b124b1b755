#include "demod/dsp/RC_String.h"
#include "demod/dsp/RC_StringList.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

template <typename... Args>
std::string Format(const char* format, Args... args) {
    RC_String s;
    s.AppendFormat(format, args...);
    return s.Text();
}

TEST(RC_String, FormatterConversions) {
    const unsigned char id[16] = {0x78, 0x56, 0x34, 0x12, 0xBC, 0x9A, 0xF0, 0xDE,
                                  1,    2,    3,    4,    5,    6,    7,    8};
    const char16_t wide[] = {'A', 0x263A, 'b', 0};
    const struct {
        std::string actual;
        const char* expected;
    } cases[] = {
        {Format("%d|%5d|%-5d|%05d", 42, 42, 42, -42), "42|   42|   42|-0042"},
        {Format("%+d|% d|%+d", 7, 7, -7), "+7| 7|-7"},
        {Format("%ld", static_cast<long long>(-9000000000LL)), "-9000000000"},
        {Format("%u|%lu", 4000000000u, 18000000000000000000ull), "4000000000|18000000000000000000"},
        {Format("%o|%X|%b|%#X", 8u, 0xBEEFu, 5u, 255u), "10|BEEF|101|FF"},
        {Format("%.4X|%*d|%.*d", 0xAu, 4, 1, 3, 2), "000A|   1|002"},
        {Format("%hd", 3), "3"},
        {Format("%c%c|%lc", 'o', 'k', 0x1234), "ok|_"},
        {Format("[%s]|[%6s]|[%.2s]", "abc", "abc", "abc"), "[abc]|[   abc]|[ab]"},
        {Format("%ls", wide), "A_b"},
        {Format("%f|%.2f|%.0f|%8.3f", 1.5, 2.345678, 2.5, -3.14159), "1.500000|2.35|2|  -3.142"},
        {Format("%g|%.3g|%g|%lg", 0.0001, 1234.5, 1e20, 100.0), "0.0001|1.23e+03|1e+20|100"},
        {Format("%Lf", static_cast<long double>(0.25)), "0.250000"},
        {Format("%+.1f|%08.2f", 3.0, -1.5), "+3.0|-0001.50"},
        {Format("%p", reinterpret_cast<void*>(std::uintptr_t{0xABCDEF})), "0000000000ABCDEF"},
        {Format("%a", id), "12345678-9ABC-DEF0-0102-030405060708"},
        {Format("100%% %q"), "100% %q"},
        {Format("%s", static_cast<const char*>(nullptr)), "(null)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.actual, c.expected);
    }
}

TEST(RC_String, FrequencyTexts) {
    const struct {
        bool withSign;
        double hertz;
        bool fixed;
        int digits;
        const char* expected;
    } cases[] = {
        {false, 2999.5, false, 0, "2999.5Hz"},
        {false, 3000001.0, false, 0, "3MHz"},
        {false, 3000.0, false, 0, "3000Hz"},
        {false, 3001.0, false, 0, "3.001kHz"},
        {false, 145500000.0, false, 0, "145.5MHz"},
        {false, 5e12, false, 0, "5THz"},
        {true, 1500.0, false, 0, "+1500Hz"},
        {true, -1500.0, false, 0, "-1500Hz"},
        {true, 0.0, false, 0, "0Hz"},
        {false, 1234.0, true, 0, "1234Hz"},
        {false, 1234.0, true, -2, "1234.00Hz"},
        {false, 1234.0, true, 1, "1.23kHz"},    // a whole-Hz unit cannot show tens of Hz
        {false, 14250000.0, true, 3, "14.250MHz"},
        {false, 7100000.0, true, 0, "7.100000MHz"},
        {false, 2.4e9, true, 6, "2400MHz"},
        {false, 1e13, true, 10, "10.00THz"},
    };
    for (const auto& c : cases) {
        RC_String s;
        s.AppendFrequency(c.withSign, c.hertz, c.fixed, c.digits);
        EXPECT_STREQ(s.Text(), c.expected) << c.hertz << " fixed " << c.fixed << " digits " << c.digits;
    }
}

TEST(RC_String, TimeTexts) {
    const struct {
        double seconds;
        const char* expected;
    } cases[] = {
        {0.5, "500ms"}, {-0.5, "-500ms"}, {2.0, "2s"}, {0.00002, "20us"}, {1.5e-9, "1.5ns"},
        {123.456, "123s"},
    };
    for (const auto& c : cases) {
        RC_String s;
        s.AppendTime(c.seconds);
        EXPECT_STREQ(s.Text(), c.expected);
    }
}

TEST(RC_String, EditingKeepsTheTerminatorAndNeverShrinksTheBuffer) {
    RC_String s;
    EXPECT_EQ(s.Capacity(), 64u);
    s.Assign("hello");
    s.InsertChar(99, '!');
    s.InsertChar(0, '>');
    EXPECT_STREQ(s.Text(), ">hello!");
    s.DeleteAt(0);
    s.Erase(1, 2);
    EXPECT_STREQ(s.Text(), "hlo!");
    s.Erase(2, 100);
    EXPECT_STREQ(s.Text(), "hl");
    s.Assign(s.Text()); // its own buffer: nothing
    EXPECT_STREQ(s.Text(), "hl");
    for (int i = 0; i < 100; ++i) {
        s.AppendChar('x');
    }
    EXPECT_EQ(s.Length(), 102u);
    EXPECT_EQ(s.Capacity(), 128u);
    s.SetLength(1);
    s.SetLength(50); // longer: nothing
    EXPECT_STREQ(s.Text(), "h");
    EXPECT_EQ(s.Capacity(), 128u);
    s.AppendInt(-12);
    s.AppendUInt(255, 16, 4);
    s.AppendInt64(INT64_MAX, 36);
    EXPECT_STREQ(s.Text(), "h-1200FF1Y2P0IJ32E8E7");
    RC_String copy = s;
    EXPECT_STREQ(copy.Text(), s.Text());
}

TEST(RC_StringList, SortsAfterEveryChangeAndFindsItems) {
    RC_StringList list;
    list.SetSortOrder(RC_StringList::kAscending);
    list.Add("B");
    list.Add("A");
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_STREQ(list.Item(0), "A");
    EXPECT_STREQ(list.Item(1), "B");
    list.SetSortOrder(RC_StringList::kDescending);
    list.Insert(0, "C");
    list.Add("AA");
    EXPECT_STREQ(list.Item(0), "C");
    EXPECT_STREQ(list.Item(3), "A");
    EXPECT_EQ(list.Find("AA"), 2);
    EXPECT_EQ(list.Find("Z"), -1);
    EXPECT_EQ(list.Find(nullptr), -1);
    EXPECT_EQ(list.Item(4), nullptr);
    list.Delete(0);
    EXPECT_STREQ(list.Item(0), "B");
    for (int i = 0; i < 300; ++i) {
        list.Add("x");
    }
    EXPECT_EQ(list.Count(), 303u);
    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
}

} // namespace
