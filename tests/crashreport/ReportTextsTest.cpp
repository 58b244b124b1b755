#include "crashreport/report/ExceptionRecords.h"
#include "crashreport/report/ExceptionSection.h"
#include "crashreport/sys/ThreadEndTrace.h"
#include "crashreport/text/ReportTexts.h"
#include "crashreport/text/TmyStringList.h"

#include "tests/crashreport/TmyStringPrinter.h"

#include <gtest/gtest.h>

using namespace errvane;

TEST(ReportTexts, SizesRoundToWholeDecimalUnits) {
    struct Case {
        std::uint64_t bytes;
        const char* text;
    };
    const Case cases[] = {{0, "0 B"},           {999, "999 B"},           {1000, "1 kB"},
                          {999499, "999 kB"},   {999500, "1000 kB"},      {1500000, "2 MB"},
                          {2000000000000, "2 TB"}, {18446744073709551615ull, "18446744 TB"}};
    for (const Case& c : cases) EXPECT_EQ(SizeText(c.bytes), c.text) << c.bytes;
}

TEST(ReportTexts, DurationsKeepHoursBeyondADay) {
    EXPECT_EQ(DurationText(90061001), "25:01:01.001");
    EXPECT_EQ(DurationText(0), "0:00:00.000");
}

TEST(ReportTexts, ThreadSharesRoundAndSurviveAZeroRunTime) {
    unsigned long long user = 0, kernel = 0;
    ThreadCpuShares(1, 0, 0, &user, &kernel);
    EXPECT_EQ(user, 100u);
    EXPECT_EQ(kernel, 0u);
    ThreadCpuShares(333, 5, 1000, &user, &kernel);
    EXPECT_EQ(user, 33u);
    EXPECT_EQ(kernel, 1u);  // 0.5 % rounds up
}

TEST(ExceptionSection, NamesKnownCodesAndNumbersOthers) {
    EXPECT_EQ(ExceptionCodeName(0xC0000005), "EXCEPTION_ACCESS_VIOLATION");
    EXPECT_EQ(ExceptionCodeName(0xC00000FD), "EXCEPTION_STACK_OVERFLOW");
    EXPECT_EQ(ExceptionCodeName(0xE06D7363), "3765269347");
    EXPECT_EQ(ExceptionCodeName(0x40000015), "1073741845") << "an abort has no name of its own";
}

TEST(ExceptionSection, FollowsTheChainOfRecords) {
    ExceptionRecord inner{};
    inner.code = kIntegerDivideByZero;
    inner.address = 0;
    ExceptionRecord outer{};
    outer.code = kAccessViolation;
    outer.flags = kExceptionNoncontinuable;
    outer.nested = &inner;
    outer.address = 0x10;
    outer.parameterCount = 99;  // more than the record holds: only its 15 are read
    outer.parameters[0] = 1;
    outer.parameters[1] = 0xABC;
    TmyStringList list(8, 100);
    ReportExceptionRecord(list, &outer);
    ASSERT_EQ(list.Count(), 6u);
    EXPECT_EQ(list.Line(0), "EXCEPTION_ACCESS_VIOLATION Non continuable");
    EXPECT_EQ(list.Line(1), "Address: 0x0000000000000010 ");
    EXPECT_EQ(list.Line(2).Sub(0, 23), "Params: 0x1 0xabc 0x0 0");
    EXPECT_EQ(list.Line(3), "Associated exception follows:");
    EXPECT_EQ(list.Line(4), "EXCEPTION_INT_DIVIDE_BY_ZERO Continuable");
    EXPECT_EQ(list.Line(5), "Address: 0x0000000000000000 ");
}
