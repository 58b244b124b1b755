#include "driver/SpurTable.h"
#include "tests/driver/TunerFixture.h"
#include "tests/support/ByValue.h"

namespace lxq::driver::test {
namespace {

using Preselector = TunerFixture;

int Interpolate(const Tuner& tuner, int band, std::uint32_t freq, std::uint8_t before = 0xEE) {
    LX_Q7_HWINFO info{};
    info.band = static_cast<std::uint8_t>(band);
    info.preselector = before;
    tuner.InterpolatePreselector(info, freq);
    return info.preselector;
}

TEST_F(Preselector, InterpolatesBetweenNodesAndStaysPutOutsideTheTable) {
    // Band 4 nodes: 60 MHz:10, 70:30, 80:50, 90:80, 100:120, 110:160, 115:200, 120:250; band 5
    // starts at 120 MHz with 20; band 7's last node is 3 GHz:250.
    struct Case {
        int band;
        std::uint32_t freq;
        int value;
    };
    const Case cases[] = {
        {4, 60'000'000, 10},   {4, 65'000'000, 20},  {4, 70'000'000, 30},  {4, 90'500'000, 81},
        {4, 120'000'000, 250}, {3, 90'000'000, 0xEE}, // only bands 4..7 have nodes
        {7, 3'000'000'000u, 250}, {7, 3'000'000'001u, 0xEE}, // above band 7's last node
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.freq);
        EXPECT_EQ(Interpolate(tuner, c.band, c.freq), c.value);
    }
}

TEST_F(Preselector, BelowTheFirstNodeTakesTheFirstNodesValue) {
    // The band's first filter step is 5, so its first node lies 5 MHz above the band edge.
    LX_Q7_EEPROM image = TestImage();
    image.filterBytes[0] = 5;
    tuner.AdoptImage(image);
    ASSERT_EQ(lxq_test::ByValue(tuner.State().filterNodes[0].hz), 65'000'000u);
    EXPECT_EQ(Interpolate(tuner, 4, 60'000'001), 10);
    EXPECT_EQ(Interpolate(tuner, 4, 64'999'999), 10);
    // Tuning there takes the same value, not a wrapped one.
    ASSERT_EQ(tuner.SetTunerFrequency(60'000'001, true, false, false, false, 0), kStatusSuccess);
    EXPECT_EQ(lxq_test::ByValue(tuner.State().hwInfo.preselector), 10);
}

TEST_F(Preselector, NodesCloserThanHalfAKilohertzDoNotDivideByZero) {
    FILTER_NODE* band4 = tuner.State().filterNodes;
    band4[1] = {band4[0].hz + 100, 99};
    EXPECT_EQ(Interpolate(tuner, 4, band4[0].hz + 50), 10);
}

TEST_F(Preselector, LargeNodeValuesWrapInsteadOfOverflowing) {
    // Filter tables set by a caller carry 32-bit values; the product wraps in 32 bits and the
    // division truncates toward zero. At 69 MHz between 60 MHz:10 and 70 MHz: d1 = 8789 and
    // d2 = 9766.
    struct Case {
        std::uint32_t value;
        int preselector;
    };
    const Case cases[] = {
        {0x7FFFFFFF, 245}, // product wraps to 2,147,386,969 (a 64-bit product would give 157)
        {0x12345678, 94},  // product wraps negative: -1964, not the floor -1965
        {0x80000000, 246},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        tuner.State().filterNodes[1].value = c.value;
        EXPECT_EQ(Interpolate(tuner, 4, 69'000'000), c.preselector);
    }
}

TEST(SpurFrequency, BoundsAreHalfOpenAndTheOverlapCounts) {
    struct Case {
        std::uint32_t hz;
        bool spur;
    };
    const Case cases[] = {
        {0, false},
        {3'939'999, false},   {3'940'000, true},    {4'059'999, true},    {4'060'000, false},
        {366'479'999, false}, {366'480'000, true},  {366'700'000, true},  {366'730'000, true},
        {368'709'999, true},  {368'710'000, false}, {400'000'999, false}, {400'001'000, true},
        {1'794'539'999, true}, {1'794'540'000, false}, {0xFFFFFFFFu, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hz);
        EXPECT_EQ(IsSpurFrequency(c.hz), c.spur);
    }
}

TEST(SpurFrequency, AgreesWithAWalkOfTheTableEverywhere) {
    auto walk = [](std::uint32_t hz) {
        for (std::size_t i = 0; i < kSpurRangeCount; ++i) {
            if (hz < std::uint64_t{kSpurRanges[i].lowKhz} * 1000) return false;
            if (hz < std::uint64_t{kSpurRanges[i].highKhz} * 1000) return true;
        }
        return false;
    };
    for (std::uint32_t hz = 0; hz < 1'800'000'000u; hz += 4'999) {
        ASSERT_EQ(IsSpurFrequency(hz), walk(hz)) << hz;
    }
    for (std::size_t i = 0; i < kSpurRangeCount; ++i) {
        for (std::uint32_t khz : {kSpurRanges[i].lowKhz, kSpurRanges[i].highKhz}) {
            for (std::uint32_t hz : {khz * 1000 - 1, khz * 1000}) {
                ASSERT_EQ(IsSpurFrequency(hz), walk(hz)) << hz;
            }
        }
    }
}

} // namespace
} // namespace lxq::driver::test
