#include "crashreport/base/CommandLine.h"

#include <gtest/gtest.h>

using errvane::CommandLine;

TEST(CommandLine, SplitsArgumentsWithQuotes) {
    const char* line = "\"/opt/my app/lxq745\"  /c14.2 \"\" \"a b\"c  last";
    EXPECT_EQ(CommandLine::Argument(line, 1), "/c14.2");
    EXPECT_EQ(CommandLine::Argument(line, 2), "a bc");
    EXPECT_EQ(CommandLine::Argument(line, 3), "last");
    EXPECT_EQ(CommandLine::Argument(line, 4), "");
    EXPECT_NE(CommandLine::Argument(line, 0), "");  // the running program's own file
}

TEST(CommandLine, TraceOptions) {
    struct Case {
        const char* line;
        std::uint32_t flags;
        bool threadEnd;
    };
    const Case cases[] = {
        {"prog /L", 1, true},     {"prog /ll", 3, false},   {"prog /lx", 0, false},
        {"prog /l /x", 1, true},  {"prog", 0, false},       {"prog a/l", 0, true},
        {"prog /LL /l", 3, true}, {"prog /l\t", 1, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CommandLine::TraceFlags(c.line), c.flags) << c.line;
        EXPECT_EQ(CommandLine::ThreadEndTraceOn(c.line), c.threadEnd) << c.line;
    }
}
