#include <cstring>

#include "driver/EepromRepair.h"
#include "tests/driver/TunerFixture.h"
#include "tests/support/ByValue.h"

namespace lxq::driver::test {
namespace {

struct CalibWords {
    int w0, w1, w2, w3, w4, w5, w6, w7;
};

LX_Q7_EEPROM WithWords(const CalibWords& w) {
    LX_Q7_EEPROM e = TestImage();
    e.agcStart = static_cast<std::uint16_t>(w.w0);
    e.agcMid = static_cast<std::uint16_t>(w.w1);
    e.agcEnd = static_cast<std::uint16_t>(w.w2);
    e.dropLevel = static_cast<std::int16_t>(w.w3);
    e.rssiTop = static_cast<std::int16_t>(w.w4);
    e.rssiReference = static_cast<std::uint16_t>(w.w5);
    e.rxGain = static_cast<std::uint16_t>(w.w6);
    e.rssiReference2 = static_cast<std::uint16_t>(w.w7);
    return e;
}

CalibWords WordsOf(const LX_Q7_EEPROM& e) {
    return {e.agcStart, e.agcMid, e.agcEnd, e.dropLevel, e.rssiTop, e.rssiReference, e.rxGain,
            e.rssiReference2};
}

TEST(EepromRepair, CalibrationWordsOutOfRangeAreReplacedAsASet) {
    const CalibWords defaults{877, 828, 608, -870, -880, 256, 5, 650};
    struct Case {
        const char* what;
        CalibWords in;
        CalibWords out;
    };
    const Case cases[] = {
        {"every limit at its edge", {1026, 1023, 256, -600, 1, 3, 5, 400},
         {1026, 1023, 256, -600, 1, 3, 5, 400}},
        {"word 0 too close above word 1", {1025, 1023, 256, -600, 1, 3, 5, 400},
         {877, 828, 608, -870, -880, 256, 5, 400}},
        {"word 0 below 259", {258, 256, 256, -870, 1, 256, 5, 650}, defaults},
        {"word 1 above 1023", {1026, 1024, 256, -870, 1, 256, 5, 650}, defaults},
        {"word 2 below 256", {877, 828, 255, -870, 1, 256, 5, 650}, defaults},
        {"word 2 above word 1", {877, 600, 608, -870, 1, 256, 5, 650}, defaults},
        {"word 3 above -600", {877, 828, 608, -599, 1, 256, 5, 650}, defaults},
        {"word 3 below -1100", {877, 828, 608, -1101, 1, 256, 5, 650}, defaults},
        {"word 5 below 3", {877, 828, 608, -870, 1, 2, 5, 650}, defaults},
        {"word 5 above 1023", {877, 828, 608, -870, 1, 1024, 5, 650}, defaults},
        {"word 4 is not tested", {877, 828, 608, -870, 32767, 256, 5, 650},
         {877, 828, 608, -870, 32767, 256, 5, 650}},
        {"word 7 below 400 alone", {877, 828, 608, -870, 1, 256, 5, 399},
         {877, 828, 608, -870, 1, 256, 5, 650}},
        {"word 7 above 1023 alone", {877, 828, 608, -870, 1, 256, 5, 1024},
         {877, 828, 608, -870, 1, 256, 5, 650}},
        {"erased EEPROM", {0xFFFF, 0xFFFF, 0xFFFF, -1, -1, 0xFFFF, 0xFFFF, 0xFFFF},
         {877, 828, 608, -870, -880, 256, 0xFFFF, 650}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LX_Q7_EEPROM e = WithWords(c.in);
        RepairCalibrationWords(e);
        const CalibWords got = WordsOf(e);
        EXPECT_EQ(std::memcmp(&got, &c.out, sizeof got), 0)
            << got.w0 << " " << got.w1 << " " << got.w2 << " " << got.w3 << " " << got.w4 << " "
            << got.w5 << " " << got.w6 << " " << got.w7;
    }
}

TEST(EepromRepair, CountsAreCutToTheTablesAndTrimmedOfZeroEdges) {
    struct Case {
        const char* what;
        int bands, ranges;
        int zeroEdgesFrom, zeroSynthFrom; // first zeroed index, or -1
        int bandsOut, rangesOut;
    };
    const Case cases[] = {
        {"as read", 7, 12, -1, -1, 7, 12},
        {"counts far above the tables", 255, 255, -1, -1, 7, 12},
        {"band count just above", 8, 13, -1, -1, 7, 12},
        {"trailing zero edges", 7, 12, 6, 10, 5, 10},
        {"everything zero", 7, 12, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LX_Q7_EEPROM e = TestImage();
        e.bandCount = static_cast<std::uint8_t>(c.bands);
        e.synthRangeCount = static_cast<std::uint8_t>(c.ranges);
        if (c.zeroEdgesFrom >= 0)
            for (int i = c.zeroEdgesFrom; i < 8; ++i) e.bandEdges[i] = 0;
        if (c.zeroSynthFrom >= 0)
            for (int i = c.zeroSynthFrom; i < 16; ++i) e.synthEdges[i] = 0;
        RepairCounts(e);
        EXPECT_EQ(e.bandCount, c.bandsOut);
        EXPECT_EQ(e.synthRangeCount, c.rangesOut);
    }
}

using TunerEeprom = TunerFixture;

TEST_F(TunerEeprom, OversizedCountsStillTuneTheWholePlan) {
    LX_Q7_EEPROM image = TestImage();
    image.bandCount = 200;
    image.synthRangeCount = 200;
    tuner.AdoptImage(image);
    EXPECT_EQ(tuner.SetTunerFrequency(3'000'000'000u, true, false, false, false, 0),
              kStatusSuccess);
    EXPECT_EQ(tuner.State().hwInfo.band, 7);
    EXPECT_EQ(tuner.SetTunerFrequency(3'000'000'001u, true, false, false, false, 0),
              kStatusInvalidParameter);
}

TEST_F(TunerEeprom, A260MegahertzBandEdgeIsExtendedTo400) {
    LX_Q7_EEPROM image = TestImage();
    image.bandEdges[5] = 260'000'000;
    tuner.AdoptImage(image);
    const TuningState& s = tuner.State();
    EXPECT_TRUE(s.extendedBand);
    EXPECT_EQ(s.image.bandEdges[5], 400'000'000u);
    EXPECT_EQ(s.image.synthEdges[3], 315'000'000u);
    EXPECT_EQ(s.image.synthEdges[4], 400'000'000u);
    EXPECT_EQ(s.image.synthEdges[5], 400'000'000u);
    const FILTER_NODE* band5 = s.filterNodes + 8;
    EXPECT_EQ(lxq_test::ByValue(band5[0].hz), 150'000'000u);
    EXPECT_EQ(lxq_test::ByValue(band5[0].value), 0x3Fu);
    EXPECT_EQ(lxq_test::ByValue(band5[7].hz), 400'000'000u);
    EXPECT_EQ(lxq_test::ByValue(band5[7].value), 0xFFu);
    // Band 6's nodes were built from the edge as read: they start at 260 MHz.
    EXPECT_EQ(lxq_test::ByValue(s.filterNodes[16].hz), 260'000'000u);

    tuner.AdoptImage(TestImage());
    EXPECT_FALSE(tuner.State().extendedBand);
}

TEST_F(TunerEeprom, FilterNodesUseAUnitThatGrowsWithTheBandWidth) {
    const FILTER_NODE* n = tuner.State().filterNodes;
    EXPECT_EQ(lxq_test::ByValue(n[8 * 0 + 7].hz), 120'000'000u); // band 4: 60 MHz wide, 1 MHz a step
    EXPECT_EQ(lxq_test::ByValue(n[8 * 2 + 1].hz), 340'000'000u); // band 6: 750 MHz wide, 3 MHz a step
    EXPECT_EQ(lxq_test::ByValue(n[8 * 3 + 7].hz), 3'000'000'000u); // band 7: 2 GHz wide, 8 MHz a step
    EXPECT_EQ(lxq_test::ByValue(n[8 * 3 + 7].value), 250u);
}

TEST_F(TunerEeprom, ReferenceFollowsTheSelectedSource) {
    EXPECT_EQ(tuner.State().referenceHz, 40'000'000.0);
    tuner.State().current.referenceSelect = kReferenceExternal;
    tuner.RebuildTables();
    EXPECT_EQ(tuner.State().referenceHz, 10'000'000.0);
}

TEST_F(TunerEeprom, LoadRepairsTheCopyOrReportsTheReadFailure) {
    hw.eeprom = TestImage();
    hw.eeprom.rssiReference2 = 1;
    ASSERT_EQ(tuner.LoadEeprom(), kStatusSuccess);
    EXPECT_EQ(tuner.State().image.rssiReference2, 650);
    EXPECT_EQ(hw.eeprom.rssiReference2, 1); // the EEPROM itself is not rewritten

    hw.eepromReadStatus = kStatusIoDeviceError;
    hw.eeprom.rssiReference2 = 500;
    EXPECT_EQ(tuner.LoadEeprom(), kStatusIoDeviceError);
    EXPECT_EQ(tuner.State().image.rssiReference2, 650);
}

TEST_F(TunerEeprom, WritesByteByByteThenReloads) {
    hw.eeprom = TestImage();
    const std::uint8_t bands[4] = {0x40, 0x42, 0x0F, 0x00}; // 1,000,000 Hz little-endian
    EXPECT_TRUE(tuner.WriteEepromBytes(bands, kEepromBandEdgesOffset, 4));
    EXPECT_EQ(hw.writtenAddresses, (std::vector<std::uint8_t>{88, 89, 90, 91}));
    EXPECT_EQ(tuner.State().image.bandEdges[0], 1'000'000u);
}

TEST_F(TunerEeprom, FailedOrOutOfRangeWritesAnswerFalse) {
    hw.eeprom = TestImage();
    const std::uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};

    hw.failWriteAt = 90;
    EXPECT_FALSE(tuner.WriteEepromBytes(bytes, 88, 4));
    EXPECT_EQ(hw.writtenAddresses, (std::vector<std::uint8_t>{88, 89}));
    // The copy follows the partly written EEPROM.
    EXPECT_EQ(tuner.State().image.bandEdges[0] & 0xFFFFu, 0x0201u);

    hw.failWriteAt.reset();
    hw.writtenAddresses.clear();
    // A range that runs past the last address would wrap onto the filter bytes.
    EXPECT_FALSE(tuner.WriteEepromBytes(bytes, 250, 8));
    EXPECT_TRUE(tuner.WriteEepromBytes(bytes, 248, 8));
    EXPECT_EQ(hw.writtenAddresses.front(), 248);
    EXPECT_EQ(hw.writtenAddresses.back(), 255);
}

} // namespace
} // namespace lxq::driver::test
