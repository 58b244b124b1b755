#include "driver/WrapArithmetic.h"

#include <gtest/gtest.h>

#include <limits>

namespace lxq::driver {
namespace {

TEST(WrapArithmetic, TruncationKeepsTheLow32BitsOfTheWholePart) {
    struct Case {
        double value;
        std::uint32_t low;
    };
    const Case cases[] = {
        {0.0, 0},
        {1.9, 1},
        {-1.9, 0xFFFFFFFFu}, // toward zero: -1
        {4294967296.0 + 5.5, 5},
        {-4294967296.0 - 2.0, 0xFFFFFFFEu},
        {9.0e18, static_cast<std::uint32_t>(9'000'000'000'000'000'000ll & 0xFFFFFFFF)},
        {1.0e30, 0}, // beyond 64 bits
        {-1.0e30, 0},
        {std::numeric_limits<double>::infinity(), 0},
        {std::numeric_limits<double>::quiet_NaN(), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(TruncLow32(c.value), c.low);
    }
}

} // namespace
} // namespace lxq::driver
