#include <cstring>

#include "driver/TuningTables.h"
#include "tests/driver/TunerFixture.h"
#include "tests/support/ByValue.h"

namespace lxq::driver::test {
namespace {

using TunerFrequency = TunerFixture;

struct TuneCase {
    std::uint32_t freq;
    int band;
    int range;
    std::uint32_t lo1, vco;
    int step;
    std::uint32_t divider, mainControl, mainFraction;
    std::uint16_t bandWord;
    int preselector;
    std::uint8_t control;
};

// Expected words worked out from the frequency plan independently of the driver: every band edge
// and both sides of it, a synthesiser-range edge, a spur, products and doublings that wrap at
// 32 bits, and the interpolated preselector of bands 4..7. Tuned from 0 Hz, so every jump above
// 1 MHz sets the fast-PLL bit.
const TuneCase kTuneCases[] = {
    {9000, 1, 0, 1200009000u, 1010137408u, 500, 4040549u, 0x01F48000u, 433850713u, 0x00C3, 0, 0x1A},
    {2000000, 1, 0, 1202000000u, 1026065408u, 500, 4104261u, 0x01F48008u, 440691737u, 0x00C3, 0, 0x1A},
    {2000001, 2, 0, 1202000001u, 1026065416u, 500, 4104261u, 0x01F48008u, 440691740u, 0x00C7, 0, 0x1A},
    {3940000, 2, 0, 1203940000u, 1041585408u, 490, 4251369u, 0x01EA8008u, 456487271u, 0x00C7, 0, 0x1A},
    {45000000, 3, 0, 1245000000u, 1370065408u, 600, 4566884u, 0x02588008u, 490365510u, 0x00CB, 0, 0x1A},
    {60000000, 3, 0, 1260000000u, 1490065408u, 600, 4966884u, 0x02588008u, 533315183u, 0x00CB, 0, 0x1A},
    {60000001, 4, 0, 1260000001u, 1490065416u, 600, 4966884u, 0x02588008u, 533315185u, 0x00CF, 10, 0x1A},
    {90500000, 4, 0, 1290500000u, 1734065408u, 600, 5780218u, 0x02588008u, 620646184u, 0x00CF, 81, 0x1A},
    {120000000, 4, 0, 1320000000u, 1970065408u, 600, 6566884u, 0x02588008u, 705113874u, 0x00CF, 250, 0x1A},
    {120000001, 5, 0, 1320000001u, 1970065416u, 600, 6566884u, 0x02588008u, 705113877u, 0x009F, 20, 0x1A},
    {185000000, 5, 0, 1385000000u, 2490065408u, 600, 1141939u, 0x02588008u, 891229124u, 0x009F, 97, 0x1A},
    {250000000, 5, 0, 1450000000u, 3010065408u, 600, 2875272u, 0x02588008u, 1077344373u, 0x009F, 220, 0x1A},
    {300000000, 6, 0, 1500000000u, 3410065408u, 600, 4208605u, 0x02588008u, 1220509950u, 0x006F, 16, 0x1A},
    {300000001, 6, 1, 1500000001u, 3410065416u, 800, 3156454u, 0x03208008u, 915382464u, 0x006F, 16, 0x1C},
    {500000000, 6, 1, 1700000000u, 715098112u, 600, 2383660u, 0x02588008u, 255943583u, 0x006F, 59, 0x1C},
    {1500000000, 7, 4, 2700000000u, 1105032704u, 600, 3683442u, 0x02588008u, 395506610u, 0x003F, 77, 0x62},
    {2850000000u, 7, 10, 1650000000u, 1650000000u, 600, 5500000u, 0x02588008u, 590558003u, 0x003F, 212, 0xE2},
    {3000000000u, 7, 11, 1800000000u, 1800000000u, 800, 4500000u, 0x03208008u, 483183820u, 0x003F, 250, 0xE4},
};

TEST_F(TunerFrequency, EveryBandAndRangeEdgeGivesThePlannedWords) {
    const TunerState start = tuner.State().current;
    for (const TuneCase& c : kTuneCases) {
        SCOPED_TRACE(c.freq);
        tuner.State().current = start;
        tuner.State().frequency = 0;
        ASSERT_EQ(tuner.SetTunerFrequency(c.freq, true, false, false, false, 0), kStatusSuccess);

        const LX_Q7_HWINFO& info = tuner.State().hwInfo;
        EXPECT_EQ(lxq_test::ByValue(info.frequency), c.freq);
        EXPECT_EQ(lxq_test::ByValue(info.band), c.band);
        EXPECT_EQ(lxq_test::ByValue(info.bandLow), TestImage().bandEdges[c.band - 1]);
        EXPECT_EQ(lxq_test::ByValue(info.bandHigh), TestImage().bandEdges[c.band]);
        EXPECT_EQ(lxq_test::ByValue(info.rangeIndex), c.range);
        EXPECT_EQ(lxq_test::ByValue(info.lo1), c.lo1);
        EXPECT_EQ(lxq_test::ByValue(info.vco), c.vco);
        EXPECT_EQ(lxq_test::ByValue(info.step), c.step);
        EXPECT_EQ(lxq_test::ByValue(info.stepDivisor), 2);
        EXPECT_EQ(lxq_test::ByValue(info.divider), c.divider);
        EXPECT_EQ(lxq_test::ByValue(info.preselector), c.preselector);
        EXPECT_EQ(info.lo1Flags & 1, kSynthRanges[c.range].injectionBelow ? 1 : 0);
        EXPECT_EQ(lxq_test::ByValue(info.referenceHz), 40'000'000u);

        const TunerState& ts = Pushed();
        EXPECT_EQ(lxq_test::ByValue(ts.mainControl), c.mainControl);
        EXPECT_EQ(lxq_test::ByValue(ts.mainFraction), c.mainFraction);
        EXPECT_EQ(lxq_test::ByValue(ts.bandWord), c.bandWord);
        EXPECT_EQ(lxq_test::ByValue(ts.preselector), c.preselector);
        EXPECT_EQ(lxq_test::ByValue(ts.rangeControl), c.control);
        EXPECT_EQ(lxq_test::ByValue(ts.dwell), 80); // both main words changed
        EXPECT_EQ(lxq_test::ByValue(tuner.State().frequency), c.freq);
    }
}

TEST_F(TunerFrequency, LockoutRefusesBothRangesEndsIncluded) {
    struct Case {
        std::uint32_t freq;
        bool accepted;
    };
    const Case cases[] = {{823'999'999, true},  {824'000'000, false}, {849'000'000, false},
                          {849'000'001, true},  {868'999'999, true},  {869'000'000, false},
                          {894'000'000, false}, {894'000'001, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.freq);
        const NtStatus status = tuner.SetTunerFrequency(c.freq, true, false, false, false, 0);
        EXPECT_EQ(status, c.accepted ? kStatusSuccess : kStatusInvalidParameter);
    }
    tuner.State().image.capabilities &= ~kCapLockout;
    EXPECT_EQ(tuner.SetTunerFrequency(824'000'000, true, false, false, false, 0), kStatusSuccess);
}

TEST_F(TunerFrequency, RefusalsLeaveBothRecordsAndTheFrequencyUntouched) {
    ASSERT_EQ(tuner.SetTunerFrequency(100'000'000, true, false, false, false, 0), kStatusSuccess);
    const LX_Q7_HWINFO info = tuner.State().hwInfo;
    const TunerState current = tuner.State().current;
    const std::size_t pushes = hw.pushes.size();

    struct Case {
        const char* what;
        std::uint32_t freq;
        void (*prepare)(TuningState&);
    };
    const Case cases[] = {
        {"no reference", 100'000'000, [](TuningState& s) { s.referenceHz = 0.0; }},
        {"below the first edge", 8'999, [](TuningState&) {}},
        {"above the last edge", 3'000'000'001u, [](TuningState&) {}},
        {"beyond the synthesiser ranges", 2'950'000'000u,
         [](TuningState& s) { s.image.synthRangeCount = 11; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TuningState saved = tuner.State();
        c.prepare(tuner.State());
        EXPECT_EQ(tuner.SetTunerFrequency(c.freq, true, false, false, false, 0),
                  kStatusInvalidParameter);
        EXPECT_EQ(std::memcmp(&tuner.State().hwInfo, &info, sizeof info), 0);
        EXPECT_EQ(std::memcmp(&tuner.State().current, &current, sizeof current), 0);
        EXPECT_EQ(tuner.State().frequency, 100'000'000u);
        EXPECT_EQ(hw.pushes.size(), pushes);
        tuner.State() = saved;
    }
}

TEST_F(TunerFrequency, StepFollowsVcoEdgesReferenceAndFineStepCapability) {
    struct Case {
        const char* what;
        std::uint32_t firstIf;
        std::uint32_t freq;
        bool fine;
        std::uint8_t reference;
        int step;
    };
    const Case cases[] = {
        {"select 1 at 1.05 GHz", 1'800'000'000u, 2'850'000'000u, true, kReferenceInternal, 500},
        {"select 1 above 1.05 GHz", 1'800'000'000u, 2'850'000'001u, true, kReferenceInternal, 600},
        {"select 2 at 1.45 GHz", 1'500'000'000u, 2'950'000'000u, true, kReferenceInternal, 600},
        {"select 2 above 1.45 GHz", 1'500'000'000u, 2'950'000'001u, true, kReferenceInternal, 800},
        {"coarse, range 0", 1'200'000'000u, 300'000'000u, false, kReferenceInternal, 1200},
        {"coarse, range 1", 1'200'000'000u, 300'000'001u, false, kReferenceInternal, 1500},
        {"external reference, range 0", 1'200'000'000u, 300'000'000u, true, kReferenceExternal, 1200},
        {"external reference, range 11", 1'200'000'000u, 3'000'000'000u, true, kReferenceExternal,
         1500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TuningState& s = tuner.State();
        s.image.firstIfHz = c.firstIf;
        s.image.capabilities = c.fine ? kCapFineSteps : 0;
        s.current.referenceSelect = c.reference;
        ASSERT_EQ(tuner.SetTunerFrequency(c.freq, true, false, false, false, 0), kStatusSuccess);
        EXPECT_EQ(s.hwInfo.step, c.step);
        EXPECT_EQ(Pushed().mainControl >> 16, static_cast<std::uint32_t>(c.step));
    }
}

TEST_F(TunerFrequency, FirstIfIsTheFmWideOneOnlyWithFmWideAndItsOptionBit) {
    struct Case {
        bool fmWide;
        std::uint8_t options;
        std::uint32_t freq, lo1;
    };
    // 100 MHz lies in range 0 (LO1 above the signal), 2.85 GHz in range 10 (LO1 below it).
    const Case cases[] = {
        {false, 0, 100'000'000, 1'300'000'000u},
        {true, 0, 100'000'000, 1'300'000'000u},
        {false, kOptFmWideIf, 100'000'000, 1'300'000'000u},
        {true, kOptFmWideIf, 100'000'000, 210'700'000u},
        {true, kOptFmWideIf, 2'850'000'000u, 2'739'300'000u},
        {true, 0, 2'850'000'000u, 1'650'000'000u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fmWide << " " << int{c.options} << " " << c.freq);
        tuner.State().fmWide = c.fmWide;
        tuner.State().image.options = c.options;
        ASSERT_EQ(tuner.SetTunerFrequency(c.freq, true, false, false, false, 0), kStatusSuccess);
        EXPECT_EQ(lxq_test::ByValue(tuner.State().hwInfo.lo1), c.lo1);
    }
}

TEST_F(TunerFrequency, JumpsOfMoreThanOneMegahertzSetTheFastPllBit) {
    struct Case {
        std::uint32_t freq;
        bool fast;
    };
    const Case cases[] = {{101'000'000, false}, {101'000'001, true},
                          {99'000'000, false},  {98'999'999, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.freq);
        tuner.State().frequency = 100'000'000;
        ASSERT_EQ(tuner.SetTunerFrequency(c.freq, true, false, false, false, 0), kStatusSuccess);
        EXPECT_EQ((Pushed().mainControl & kMainControlFastPll) != 0, c.fast);
    }
}

TEST_F(TunerFrequency, DwellIsTheCallersLowByteUnlessBothMainWordsChange) {
    ASSERT_EQ(tuner.SetTunerFrequency(100'000'000, true, false, false, false, 0), kStatusSuccess);
    EXPECT_EQ(Pushed().dwell, 80);
    const struct {
        std::uint32_t dwell;
        int sent;
    } cases[] = {{0, 20}, {300, 44}, {7, 7}};
    for (const auto& c : cases) {
        ASSERT_EQ(tuner.SetTunerFrequency(100'000'000, true, false, false, false, c.dwell),
                  kStatusSuccess);
        EXPECT_EQ(Pushed().dwell, c.sent);
    }
}

TEST_F(TunerFrequency, PushLengthensTheDwellOnlyWhenAWholeSynthesiserWordPairChanges) {
    TunerState& cur = tuner.State().current;
    cur.mainControl = 1;
    cur.mainFraction = 2;
    cur.secondControl = 3;
    cur.secondFraction = 4;
    const TunerState base = cur;
    struct Case {
        const char* what;
        std::uint32_t d0, d4, d8, d12; // added to words 0, 4, 8, 12
        int sent;
    };
    const Case cases[] = {
        {"nothing", 0, 0, 0, 0, 7},        {"word 0 only", 1, 0, 0, 0, 7},
        {"words 0 and 4", 1, 1, 0, 0, 80}, {"word 12 only", 0, 0, 0, 1, 7},
        {"words 8 and 12", 0, 0, 1, 1, 80}, {"one word of each pair", 1, 0, 0, 1, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cur = base;
        TunerState next = base;
        next.mainControl += c.d0;
        next.mainFraction += c.d4;
        next.secondControl += c.d8;
        next.secondFraction += c.d12;
        next.dwell = 7;
        ASSERT_EQ(tuner.PushTunerState(next, false, false), kStatusSuccess);
        EXPECT_EQ(Pushed().dwell, c.sent);
    }
}

TEST_F(TunerFrequency, FailedPushKeepsTheFrequencyButNotTheOldHardwareInfo) {
    ASSERT_EQ(tuner.SetTunerFrequency(100'000'000, true, false, false, false, 0), kStatusSuccess);
    hw.pushStatus = kStatusDeviceBusy;
    EXPECT_EQ(tuner.SetTunerFrequency(500'000'000, true, true, true, true, 0), kStatusDeviceBusy);
    EXPECT_EQ(lxq_test::ByValue(tuner.State().frequency), 100'000'000u);
    EXPECT_EQ(lxq_test::ByValue(tuner.State().hwInfo.frequency), 500'000'000u);
    EXPECT_TRUE(hw.pushes.back().waitPush);
    EXPECT_TRUE(hw.pushes.back().forceAll);
    EXPECT_EQ(lxq_test::ByValue(hw.lockReads), 0); // no lock wait after a failed push
}

TEST_F(TunerFrequency, ForcedPreselectorAndAttenuatorShapeTheSentBytes) {
    TuningState& s = tuner.State();
    s.hwInfo.flags = kHwInfoPreselectorForced | kHwInfoRfAmpOn;
    s.hwInfo.preselector = 0x77;
    s.hwInfo.attenuator = kHwInfoAttenuatorOn;
    s.current.preselector = 0x55;
    s.current.bandWord = 0xAB00;
    ASSERT_EQ(tuner.SetTunerFrequency(90'500'000, true, false, false, false, 0), kStatusSuccess);
    EXPECT_EQ(lxq_test::ByValue(s.hwInfo.preselector), 0x77); // not interpolated while forced
    EXPECT_EQ(lxq_test::ByValue(Pushed().preselector), 0x55); // the sent byte keeps its value
    EXPECT_EQ(lxq_test::ByValue(Pushed().bandWord), 0xABCC); // band 4 code, attenuator on, amplifier on
}

} // namespace
} // namespace lxq::driver::test
