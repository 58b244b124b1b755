#include "crashreport/text/TmyString.h"

#include "tests/crashreport/TmyStringPrinter.h"

#include <gtest/gtest.h>

#include <string>

using errvane::TmyString;

TEST(TmyString, CopiesShareUntilOneChanges) {
    TmyString original("alpha");
    TmyString copy = original;
    EXPECT_EQ(original.ShareCount(), 2);
    copy += "-beta";
    EXPECT_EQ(original, "alpha");
    EXPECT_EQ(copy, "alpha-beta");
    EXPECT_EQ(original.ShareCount(), 1);
    copy.At(0) = 'A';
    EXPECT_EQ(copy, "Alpha-beta");
    EXPECT_EQ(original, "alpha");
}

TEST(TmyString, WriteBeyondCapacityHitsScratchNotTheHeap) {
    TmyString text("abc");
    text.At(1000) = 'x';
    EXPECT_EQ(text, "abc");
}

TEST(TmyString, AppendToItself) {
    TmyString text("ab");
    text += text;
    EXPECT_EQ(text, "abab");
    std::string expected = "abab";
    for (int i = 0; i < 6; ++i) {
        text.Append(text.Text() + 1, 3);  // grows while reading itself
        expected += expected.substr(1, 3);
    }
    EXPECT_EQ(text, expected.c_str());
}

TEST(TmyString, SubstringEdges) {
    const TmyString text("abc");
    EXPECT_EQ(text.Sub(5, 1), "");
    EXPECT_EQ(text.Sub(1, 10), "bc");
    EXPECT_EQ(text.Sub(3, 1), "");
}

TEST(TmyString, PathParts) {
    struct Case {
        const char* path;
        const char* fileName;
        const char* withoutExtension;
    };
    const Case cases[] = {
        {"/opt/my.app/lxq745", "lxq745", "/opt/my.app/lxq745"},
        {"/opt/bin/lxq.745.bin", "lxq.745.bin", "/opt/bin/lxq.745"},
        {"plain", "plain", "plain"},
        {"/a/b.c", "b.c", "/a/b"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TmyString(c.path).FileNamePart(), c.fileName) << c.path;
        EXPECT_EQ(TmyString(c.path).WithoutExtension(), c.withoutExtension) << c.path;
    }
}

TEST(TmyString, CompareFindTrimPad) {
    const TmyString text(" \t x\x80yz \n");
    EXPECT_EQ(text.Trimmed(), "x\x80yz");
    EXPECT_EQ(TmyString("a").Compare("\x80"), -1);  // unsigned bytes: 0x80 sorts after 'a'
    EXPECT_EQ(TmyString("b").Compare("a"), 1);
    EXPECT_EQ(TmyString("abcabc").Find('c', 3), 5);
    EXPECT_EQ(TmyString("abcabc").Find("ca"), 2);
    EXPECT_EQ(TmyString("abc").Find("x"), -1);
    EXPECT_EQ(TmyString("ab").Padded(4), "ab  ");
    EXPECT_EQ(TmyString("abcdef").Padded(4), "abcdef");
    EXPECT_EQ(TmyString("A\\B\\c").Replaced('\\', '/').Lower(), "a/b/c");
}

TEST(TmyString, NumberTexts) {
    EXPECT_EQ(TmyString::Hex(0x1F, 8), "0000001f");
    EXPECT_EQ(TmyString::Hex(0), "0");
    EXPECT_EQ(TmyString::Hex(0xFFFFFFFFFFFFFFFFull, 16), "ffffffffffffffff");
    EXPECT_EQ(TmyString::Decimal(-42, 4, 8), "   -0042");
    EXPECT_EQ(TmyString::Decimal(INT64_MIN), "-9223372036854775808");
    EXPECT_EQ(TmyString::Unsigned(3765269347u), "3765269347");
    EXPECT_EQ(TmyString::Repeat('=', 3), "===");
    EXPECT_EQ(TmyString().Format("%s-%d", "x", 7), "x-7");
}

TEST(TmyString, DirectBufferWriteThenRecount) {
    TmyString text = TmyString::Reserved(4);
    char* buffer = text.Buffer(32);
    ASSERT_NE(buffer, nullptr);
    std::string("written").copy(buffer, 7);
    buffer[7] = 0;
    text.Recount();
    EXPECT_EQ(text.Length(), 7u);
    EXPECT_EQ(text, "written");
}
