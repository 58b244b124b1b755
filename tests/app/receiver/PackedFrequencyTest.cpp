#include "app/receiver/PackedFrequency.h"

#include <gtest/gtest.h>

namespace lxq {
namespace {

struct PackCase {
    std::int64_t hz;
    std::uint32_t word;
    std::int64_t decoded; // what the word unpacks to
};

TEST(PackedFrequency, EncodesAndDecodesAroundTheThreshold) {
    const PackCase cases[] = {
        {0, 0, 0},
        {40'000'000, 40'000'000, 40'000'000},
        {1'999'999'999, 1'999'999'999, 1'999'999'999},
        {2'000'000'000, 0x77359400, 2'000'000'000}, // the threshold itself stays unscaled
        {2'000'000'001, 0x8BEBC200, 2'000'000'000}, // the last digit is lost above it
        {2'000'000'005, 0x8BEBC200, 2'000'000'000},
        {2'000'000'010, 0x8BEBC201, 2'000'000'010},
        {3'500'000'000, 0x80000000u | 350'000'000u, 3'500'000'000},
        {21'474'836'470, 0xFFFFFFFF, 21'474'836'470}, // largest representable
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hz);
        EXPECT_EQ(EncodeFreq32(c.hz), c.word);
        EXPECT_EQ(DecodeFreq32(c.word), c.decoded);
    }
}

TEST(PackedFrequency, OutOfRangeValuesKeepTheirLowBitsWithoutOverflow) {
    // Beyond the representable range the tens value wraps in 32 bits but keeps bit 31 set.
    EXPECT_EQ(EncodeFreq32(21'474'836'480), 0x80000000u);
    // Negative values are not frequencies; they pass as their low 32 bits.
    EXPECT_EQ(EncodeFreq32(-1), 0xFFFFFFFFu);
}

} // namespace
} // namespace lxq
