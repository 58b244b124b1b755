// The demonstration receiver: every slot simulated when no device is present, opening rules and
// every export answered from the slot's cache.

#include "api/Lxq745Api.h"
#include "api/SignalLevel.h"
#include "tests/api/ApiFixture.h"

#include <cstring>

namespace lxq::api::testing {
namespace {

using SimulatedReceiver = ApiFixture;

TEST(SignalLevel, DbmToRawClampsBySignWithoutOverflow) {
    const struct {
        std::int32_t level, raw;
    } cases[] = {{-1300, 0},  {-301, 254}, {-300, 255}, {0, 255},          {-800, 127},
                 {-1301, 0},  {-5000, 0},  {INT32_MIN, 0}, {INT32_MAX, 255}, {-8'389'908, 0}};
    for (const auto& c : cases) EXPECT_EQ(DbmToRaw(c.level), c.raw) << c.level;
}

TEST_F(SimulatedReceiver, NoDeviceMeansSixteenDemoSlotsAndAnEmptyList) {
    Load();
    EXPECT_TRUE(Lib().InitialisedTable());
    std::uint8_t buffer[196 * 2];
    EXPECT_EQ(Lib().ListRadios(buffer, sizeof buffer, 196), 0);
    for (int i = 1; i <= 16; ++i) {
        EXPECT_EQ(Read(Lib().Slot(i).simulated), 1u);
        EXPECT_EQ(std::memcmp(Lib().Slot(i).eeprom.serial, "**DEMO**", 8), 0);
        EXPECT_EQ(Read(Lib().Slot(i).if2Frequency), 12'000u);
        EXPECT_EQ(Read(Lib().Slot(i).deviceHandle), kNoDeviceHandle);
    }
}

TEST_F(SimulatedReceiver, OpenTakesFreeDemoSlotsUnlessAnExactSerialIsGiven) {
    Load();
    EXPECT_EQ(Lib().Open("**DEMO**"), 0);    // a free demo slot has no device to open
    EXPECT_EQ(Lib().Open(nullptr), 1);
    EXPECT_EQ(Lib().Open("SEVEN77"), 2);     // 7 characters: as none
    EXPECT_EQ(Lib().Open("NINE99999"), 3);   // 9 characters: as none
    EXPECT_EQ(Lib().Open("**DEMO**"), 1) << "an own open slot only counts";
    EXPECT_EQ(Read(Lib().Table().openCount[0]), 2);
    EXPECT_EQ(Lib().Open("NOTTHERE"), 0);
    EXPECT_EQ(Lib().OpenRadioDevice(0), 0);  // no real receiver
    EXPECT_EQ(Lib().OpenRadioDevice(17), 0);
    EXPECT_EQ(Lib().CloseRadioDevice(2), 1);
    EXPECT_EQ(Lib().CloseRadioDevice(2), 0);
    EXPECT_EQ(Lib().Open(nullptr), 2) << "a closed demo slot is free again";
    EXPECT_EQ(Lib().CloseRadioDevice(9), 0) << "not ours";
}

TEST_F(SimulatedReceiver, InfoRecordsInShortAndLongForm) {
    Load();
    const int i = Lib().Open(nullptr);
    std::uint8_t rec[196];
    std::memset(rec, 0xEE, sizeof rec);
    std::uint32_t size = 30;
    std::memcpy(rec, &size, 4);
    ASSERT_EQ(Lib().GetInfo(i, rec), 1);
    std::memcpy(&size, rec, 4);
    EXPECT_EQ(size, 30u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(rec + 4)), "**DEMO**");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(rec + 13)), "Q7PCIv13");
    std::uint64_t lo;
    std::memcpy(&lo, rec + 22, 8);
    EXPECT_EQ(lo, 9'000u);
    EXPECT_EQ(rec[30], 0xEE) << "nothing beyond the caller's size";

    RADIO_INFO info{};
    info.size = sizeof info;
    ASSERT_EQ(Lib().GetInfo(i, &info), 1);
    EXPECT_EQ(Read(info.size), 196u);
    EXPECT_EQ(Read(info.minFrequency), 9'000u);
    EXPECT_EQ(Read(info.maxFrequency), 1'800'000'000u);
    EXPECT_EQ(Read(info.bandCount), 7);
    EXPECT_EQ(Read(info.bandEdges[7]), 1'800'000'000u);
    EXPECT_EQ(Read(info.firstIf), 45'000'000u);
    EXPECT_EQ(Read(info.calibration[0]), 0xFFFF) << "zero-extended";
    EXPECT_EQ(Read(info.calibration[3]), -1) << "sign-extended";
    EXPECT_EQ(Read(info.calibration[4]), -1);
    EXPECT_EQ(Read(info.calibration[5]), 0xFFFF);
    // The long form also fills the preselector tables: band 4 starts at 32 MHz in 1 MHz steps.
    FILTER_NODE nodes[8];
    ASSERT_EQ(Ctl().GetFilterTbl(i, 4, nodes), 1);
    EXPECT_EQ(Read(nodes[0].hz), 32'000'000u);
    EXPECT_EQ(Read(nodes[0].value), 0u);
    EXPECT_EQ(Read(nodes[1].hz), 32'000'000u + 0x0c * 1'000'000u);
    EXPECT_EQ(Read(nodes[1].value), 0x10u);

    std::uint32_t tiny = 3;
    EXPECT_EQ(Lib().GetInfo(i, &tiny), 0);
    EXPECT_EQ(Lib().GetInfo(i, nullptr), 0);
}

TEST_F(SimulatedReceiver, SetExportsCacheAndGetExportsAnswerFromTheCache) {
    Load();
    const int i = Lib().Open(nullptr);
    RadioControl& c = Ctl();
    EXPECT_EQ(c.SetFrequency(i, 8'999), 0) << "below the EEPROM minimum";
    EXPECT_EQ(c.SetFrequency(i, 1'800'000'001), 0);
    EXPECT_EQ(c.SetFrequency(i, 145'500'000), 1);
    EXPECT_EQ(c.GetFrequency(i), 145'500'000u);
    EXPECT_EQ(c.SetPower(i, 7), 1);
    EXPECT_EQ(c.GetPower(i), 1) << "stored as 0/1";
    EXPECT_EQ(c.SetAtten(i, 1), 1);
    EXPECT_EQ(c.GetAtten(i), 1);
    EXPECT_EQ(c.SetAgc(i, 3), 1);
    EXPECT_EQ(c.GetAgc(i), 3);
    EXPECT_EQ(c.SetIfGain(i, 42), 1);
    EXPECT_EQ(c.GetIfGain(i), 42);
    EXPECT_EQ(c.SetRfAmp(i, 5), 1);
    EXPECT_EQ(c.GetRfAmp(i), 5) << "the value as passed";
    EXPECT_EQ(c.SetFmw(i, 1), 1);
    EXPECT_EQ(c.GetFmw(i), 1);
    EXPECT_EQ(c.SetPllSpeed(i, 1), 1);
    EXPECT_EQ(c.GetPllSpeed(i), 1);
    EXPECT_EQ(c.SetIf1ManGain(i, 9), 1);
    EXPECT_EQ(c.GetIf1ManGain(i), 9);
    EXPECT_EQ(c.SetIf2Frequency(i, 3'500), 1);
    EXPECT_EQ(c.GetIf2Frequency(i), 3'500);
    EXPECT_EQ(c.SetFilterVal(i, 0x33), 1);
    EXPECT_EQ(c.GetFilterVal(i), 0x33u + 4 * 256 + 2 * 65'536);
    EXPECT_EQ(c.SetFilterVal(i, -1), 1);
    EXPECT_EQ(c.GetFilterVal(i) & 0xFF, 0x33u) << "automatic keeps the byte";
    EXPECT_EQ(c.SetFrequency(i, 1'000'000), 1);
    EXPECT_EQ(c.GetFilterVal(i), 0x33u + 1 * 256);
    EXPECT_EQ(c.SetFrequency(i, 800'000'000), 1);
    EXPECT_EQ(c.GetFilterVal(i), 0x33u + 7 * 256 + 2 * 65'536);
    EXPECT_EQ(c.SetRefClock(i, 10'000'000), 1);
    EXPECT_EQ(c.GetRefClock(i), 20'000'000);
    EXPECT_EQ(c.SetLedFlashPattern(i, 3), 1);
    EXPECT_EQ(c.GetLock(i, 1), 255);
    EXPECT_EQ(c.IsBusy(i), 0);
    EXPECT_EQ(c.IsDeviceConnected(i), 1);
    EXPECT_EQ(c.GetInternalRssi(i), 0u);
    std::uint8_t buf[64];
    EXPECT_EQ(c.GetDebug(i, buf), 0);
    EXPECT_EQ(c.GetHw(i, buf, 30), 0);
    EXPECT_EQ(c.GetHwInfo(i, buf, 60), 0);
    EXPECT_EQ(c.IsSpectrumInverted(i), 0);
    EXPECT_EQ(c.IsUsVersion(i), 0);
    EXPECT_EQ(c.CodecSetGain(i, 5), 0);
    std::uint32_t bands[8];
    ASSERT_EQ(c.ReadBands(i, bands), 1);
    EXPECT_EQ(bands[1], 1'800'000u);
    EXPECT_EQ(c.WriteBands(i, bands), 1);
    const std::uint8_t data[2] = {1, 2};
    EXPECT_EQ(c.WriteEeprom(i, kCalibGuardWord, 10, 2, data), 0) << "simulated: refused";
    char path[4];
    EXPECT_EQ(c.GetPath(i, path, 1), 1);
    EXPECT_EQ(path[0], '\0');
    EXPECT_NE(c.GetPath2(i), nullptr);
}

TEST_F(SimulatedReceiver, MeasurementsStayInTheDemoRangeAndAreCached) {
    Load();
    const int i = Lib().Open(nullptr);
    for (int n = 0; n < 50; ++n) {
        const std::int32_t level = Ctl().GetSignalStrengthDbm(i);
        EXPECT_GE(level, -1300);
        EXPECT_LE(level, -300);
        EXPECT_EQ(Ctl().GetLastSsDbm(i), level);
        EXPECT_EQ(Ctl().GetLastRawSs(i), DbmToRaw(level));
        const std::int32_t raw = Ctl().GetRawSignalStrength(i);
        EXPECT_GE(raw, 0);
        EXPECT_LE(raw, 255);
    }
}

TEST_F(SimulatedReceiver, PipelinedTuningMeasuresOncePerPendingFrequency) {
    Load();
    const int i = Lib().Open(nullptr);
    std::int32_t level = 0, raw = 0;
    std::uint32_t lo = 0, hi = 0;
    EXPECT_EQ(Ctl().GetSSPipelined(i, &level, &raw, &lo, &hi), 1) << "nothing pending";
    EXPECT_EQ(Ctl().SetFreqPipelined(i, 5, 0, 20), 1) << "out of range";
    EXPECT_EQ(Ctl().SetFreqPipelined(i, 7'000'000, 1, 20), 0);
    EXPECT_EQ(Ctl().GetFrequency(i), 7'000'000u);
    EXPECT_EQ(Ctl().SetFreqPipelined(i, 7'100'000, 0, 20), 0);
    EXPECT_EQ(Ctl().GetFrequency(i), 7'000'000u) << "only pending";
    ASSERT_EQ(Ctl().GetSSPipelined(i, &level, &raw, &lo, &hi), 0);
    EXPECT_EQ(Ctl().GetFrequency(i), 7'100'000u);
    EXPECT_GE(level, -1300);
    EXPECT_LE(level, -300);
    EXPECT_EQ(raw, DbmToRaw(level));
    EXPECT_EQ(lo, 0x0100u);
    EXPECT_EQ(hi, 0x0258u);
    EXPECT_EQ(Ctl().GetSSPipelined(i, nullptr, nullptr, nullptr, nullptr), 1);
}

TEST_F(SimulatedReceiver, CalibrationWritesReachTheSlotsImage) {
    Load();
    const int i = Lib().Open(nullptr);
    LX_Q7_CALIB bad{};
    bad.guard = 0x1234;
    EXPECT_EQ(Ctl().WrCalib(5, &bad), 0) << "guard checked before the receiver";
    LX_Q7_CALIB calib{};
    calib.guard = kCalibGuardWordAlt;
    for (int w = 0; w < 8; ++w) calib.words[w] = static_cast<std::uint16_t>(100 + w);
    calib.words[1] = 0; // 0 leaves the word
    calib.referenceHz = 20'000'777;
    ASSERT_EQ(Ctl().WrCalib(i, &calib), 1);
    const LX_Q7_EEPROM& e = Lib().Slot(i).eeprom;
    EXPECT_EQ(Read(e.agcStart), 100);
    EXPECT_EQ(Read(e.agcMid), 0xFFFF);
    EXPECT_EQ(Read(e.agcEnd), 102);
    EXPECT_EQ(Read(e.dropLevel), 103);
    EXPECT_EQ(Read(e.rssiTop), -1) << "word 4 is not stored for a simulated receiver";
    EXPECT_EQ(Read(e.rssiReference), 105);
    EXPECT_EQ(Read(e.rxGain), 0xFFFF);
    EXPECT_EQ(Read(e.refClockInternalHz), 20'000'777u);
    EXPECT_EQ(Ctl().WrCalib2(i, 0x3D9F, 7), 0);
    EXPECT_EQ(Ctl().WrCalib2(i, kCalibGuardWord, 0x1F7), 1);
    EXPECT_EQ(Read(Lib().Slot(i).eeprom.if1ManualGain), 0xF7);
}

TEST_F(SimulatedReceiver, ExportsOfAReceiverNotOpenedAnswerTheirNoReceiverValues) {
    Load();
    RadioControl& c = Ctl();
    for (int i : {0, 1, 17, -3}) {
        EXPECT_EQ(c.SetFrequency(i, 10'000'000), 0);
        EXPECT_EQ(c.GetFrequency(i), 0u);
        EXPECT_EQ(c.GetAgc(i), -1);
        EXPECT_EQ(c.GetIfGain(i), -1);
        EXPECT_EQ(c.GetRefClock(i), -1);
        EXPECT_EQ(c.GetRawSignalStrength(i), -1);
        EXPECT_EQ(c.GetSignalStrengthDbm(i), -1);
        EXPECT_EQ(c.GetLastSsDbm(i), -1);
        EXPECT_EQ(c.IsSpectrumInverted(i), 1);
        EXPECT_EQ(c.IsUsVersion(i), 1);
        EXPECT_EQ(c.SetFreqPipelined(i, 10'000'000, 1, 20), 2);
        EXPECT_EQ(c.GetSSPipelined(i, nullptr, nullptr, nullptr, nullptr), 4);
        EXPECT_EQ(c.IsDeviceConnected(i), 0);
        EXPECT_EQ(c.GetPath2(i), nullptr);
    }
}

} // namespace
} // namespace lxq::api::testing
