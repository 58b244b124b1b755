// The frequencies a sweep visits and the ranges it refuses.

#include <gtest/gtest.h>

#include <string>

#include "app/forms/SweepRange.h"

namespace lxq {
namespace {

TEST(SweepRange, TheEndIsTheLastWholeStepAndRangesWithoutTwoPointsAreRefused) {
    const std::string incorrect = "Incorrect range !";
    const std::string tooMany = "Sweeping so many frequencies is not recommended !\nTry smaller step size.";
    struct Case {
        std::int64_t start, end, step;
        std::int64_t lastPoint, points;
        std::string error;
    } cases[] = {
        {88'000'000, 108'000'500, 1'000'000, 108'000'000, 21, ""},
        {88'000'000, 108'000'000, 1'000'000, 108'000'000, 21, ""},
        {88'000'000, 89'000'000, 1'000'000, 89'000'000, 2, ""},
        {88'000'000, 88'000'000, 1'000'000, 0, 0, incorrect},  // End equal to Start
        {88'000'000, 80'000'000, 1'000'000, 0, 0, incorrect},  // End below Start
        {88'000'000, 88'999'999, 1'000'000, 0, 0, incorrect},  // less than one step
        {88'000'000, 108'000'000, 0, 0, 0, incorrect},         // no step at all
        {0, 500'000'000, 1, 500'000'000, 500'000'001, tooMany},
        {1, 500'000'000, 1, 500'000'000, 500'000'000, ""},
        // A span wider than 64 bits: refused, not wrapped round.
        {-9'000'000'000'000'000'000, 9'000'000'000'000'000'000, 1'000'000'000'000, 0, 0, incorrect},
        {INT64_MIN, INT64_MAX, 1, 0, 0, incorrect},
        {9'000'000'000'000'000'000, -9'000'000'000'000'000'000, 1'000'000'000'000, 0, 0, incorrect},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.start) + ".." + std::to_string(c.end) + " / " + std::to_string(c.step));
        const SweepRange r = MakeSweepRange(c.start, c.end, c.step);
        EXPECT_EQ(r.error ? std::string(r.error) : std::string(), c.error);
        if (c.error == incorrect) continue;
        EXPECT_EQ(r.end, c.lastPoint);
        EXPECT_EQ(r.points, c.points);
    }
}

} // namespace
} // namespace lxq
