#include "demod/dsp/RC_Heap.h"
#include "demod/dsp/RC_Text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

struct NumberCase {
    std::int64_t value;
    int base;
    int minDigits;
    bool wide;     // 64-bit member
    bool isSigned;
    std::string expected;
};

std::string Convert(const NumberCase& c) {
    char buffer[kRC_MaxNumberText] = "untouched";
    if (c.isSigned) {
        c.wide ? RC_Int64ToText(c.value, c.base, buffer, c.minDigits)
               : RC_IntToText(static_cast<std::int32_t>(c.value), c.base, buffer, c.minDigits);
    } else {
        c.wide ? RC_UInt64ToText(static_cast<std::uint64_t>(c.value), c.base, buffer, c.minDigits)
               : RC_UIntToText(static_cast<std::uint32_t>(c.value), c.base, buffer, c.minDigits);
    }
    return buffer;
}

TEST(RC_Text, NumberToTextTable) {
    const NumberCase cases[] = {
        {0, 10, 0, false, true, "0"},
        {-1, 16, 0, false, true, "FFFFFFFF"}, // the sign is written in base 10 only
        {-1, 10, 0, false, true, "-1"},
        {-42, 10, 5, false, true, "-00042"},
        {INT32_MIN, 10, 0, false, true, "-2147483648"},
        {INT64_MIN, 10, 0, true, true, "-9223372036854775808"},
        {-1, 2, 0, true, true, std::string(64, '1')},
        {255, 2, 12, false, false, "000011111111"},
        {35, 36, 0, false, false, "Z"},
        {0xFFFFFFFF, 10, 0, false, false, "4294967295"},
        {5, 10, 40, false, false, "00000000000000000000000000000005"}, // at most 32 digits
        {7, 1, 0, false, true, "untouched"},
        {7, 37, 0, false, false, "untouched"},
    };
    for (const NumberCase& c : cases) {
        EXPECT_EQ(Convert(c), c.expected) << c.value << " base " << c.base;
    }
}

TEST(RC_Text, StrToDoubleTable) {
    const struct {
        const char* text;
        double expected;
    } cases[] = {
        {"  -3,25", -3.25}, {"\t+7.5x", 7.5}, {"12", 12.0}, {"1e5", 1.0},
        {"abc", 0.0},       {"", 0.0},        {".5", 0.5},  {"-", 0.0},
        {"0.1", 0.1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RC_StrToDouble(c.text), c.expected) << '"' << c.text << '"';
    }
    EXPECT_EQ(RC_StrToDouble(nullptr), 0.0);
    const std::string huge = "1" + std::string(130, '0') + ".5"; // longer than the digit buffer
    EXPECT_DOUBLE_EQ(RC_StrToDouble(huge.c_str()), 1e130);
}

TEST(RC_Text, ComparisonsAndSearches) {
    EXPECT_EQ(RC_StrCmp("abc", "abc"), 0);
    EXPECT_LT(RC_StrCmp("abc", "abd"), 0);
    EXPECT_GT(RC_StrCmp("\xC0", "a"), 0) << "bytes compare unsigned";
    EXPECT_EQ(RC_StrNCmp("abcX", "abcY", 3), 0);
    EXPECT_EQ(RC_StrNCmp("a", "b", 0), 0);
    EXPECT_EQ(RC_StrNCmp(nullptr, "b", 4), 0);
    EXPECT_EQ(RC_StrCmpPrefix("Talk", "Ta"), 0);
    EXPECT_NE(RC_StrCmpPrefix("T", "Ta"), 0);
    const char* text = "Hello World";
    EXPECT_EQ(RC_StrFind(text, "World"), text + 6);
    EXPECT_EQ(RC_StrFind(text, "world"), nullptr);
    EXPECT_EQ(RC_StrFindNoCase(text, "wORLD"), text + 6);
    EXPECT_EQ(RC_StrFind("", ""), nullptr);
    char reversed[] = "abcd";
    EXPECT_STREQ(RC_StrReverse(reversed), "dcba");
    char small[4];
    EXPECT_STREQ(RC_StrNCopy(small, "truncated", sizeof small), "tru");
    char* copy = RC_StrDup("dup");
    EXPECT_STREQ(copy, "dup");
    RC_Free(copy);
    char overlap[] = "123456";
    RC_MemMove(overlap + 1, overlap, 4);
    EXPECT_STREQ(overlap, "112346");
    EXPECT_EQ(RC_CountBits(0xF0F0u), 8);
}

} // namespace
