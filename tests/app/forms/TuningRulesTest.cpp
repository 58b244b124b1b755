// The front panel's tuning arithmetic, band lookup, command line and mode names.

#include <gtest/gtest.h>

#include "app/forms/CommandLine.h"
#include "app/forms/ModeNames.h"
#include "app/forms/TQ7form.h"
#include "app/forms/TuningSteps.h"

namespace lxq {
namespace {

namespace ss = plat::comp::ss;

TEST(SpinStepTest, WalksTheTableAndHoldsAtItsEnds) {
    const struct {
        std::int64_t from;
        int clicks;
        std::int64_t to;
    } cases[] = {
        {7000, 1, 8333},   {7000, -1, 6250}, {100000, 1, 100000}, {1, -1, 1},
        {1000, 2, 3125},   {1000, -3, 100},  {8333, 1, 9000},     {150000, 1, 150000},
        {150000, -1, 100000}, {1000, 1000, 100000}, {1000, -1000, 1}, {1000, 0, 1000},
    };
    for (const auto& c : cases) EXPECT_EQ(SpinStep(c.from, c.clicks), c.to) << c.from << " by " << c.clicks;
}

TEST(KnobStepTest, WideAndNarrowModesWithKeysAndMultipliers) {
    constexpr int kAM = 1, kUSB = 5, kFM6 = 11;
    const struct {
        int mode;
        plat::comp::TShiftState state;
        KnobMultiplier multiplier;
        std::int64_t hz;
    } cases[] = {
        {kAM, 0, KnobMultiplier::One, 500},
        {kAM, ss::Ctrl, KnobMultiplier::One, 50000},
        {kUSB, 0, KnobMultiplier::One, 10},
        {kUSB, ss::Ctrl, KnobMultiplier::One, 1000},
        {kUSB, ss::Shift | ss::Ctrl, KnobMultiplier::One, 100}, // Shift comes first
        {kUSB, ss::Alt, KnobMultiplier::Ten, 1},
        {kUSB, 0, KnobMultiplier::Tenth, 1},
        {kFM6, 0, KnobMultiplier::Ten, 5000},
        {kUSB, ss::Left, KnobMultiplier::One, 500}, // a held button turns as in a wide mode
        {kUSB, 0, KnobMultiplier::TuningStep, 8333},
        {kAM, 0, KnobMultiplier::TuningStep, 8333},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KnobStepHz(c.mode, c.state, c.multiplier, 8333), c.hz)
            << "mode " << c.mode << " state " << c.state;
}

TEST(ThirdCounterTest, ThreeStepsOf8333MakeExactly25kHz) {
    ThirdCounter thirds;
    std::int64_t f = 100'000'000;
    for (int i = 0; i < 3; ++i) f = thirds.StepRight(f, 8333);
    EXPECT_EQ(f, 100'025'000);
    f = thirds.TenStepsRight(f, 8333);
    EXPECT_EQ(f, 100'108'333);
    EXPECT_EQ(thirds.Thirds(), 1);
    f = thirds.TenStepsLeft(f, 8333);
    EXPECT_EQ(f, 100'025'000) << "back the same way";
    for (int i = 0; i < 3; ++i) f = thirds.StepLeft(f, 8333);
    EXPECT_EQ(f, 100'000'000);
    EXPECT_EQ(thirds.StepRight(f, 5000), 100'005'000);
    EXPECT_EQ(thirds.Thirds(), 0) << "another step forgets the thirds";
}

TEST(FindBandTest, InclusiveBoundsAndGaps) {
    const std::vector<TBand> bands = {
        {100, 200, "a"}, {300, 400, "b"}, {500, 600, "c"}, {5'000'000'000, 6'000'000'000, "d"}};
    const std::pair<std::int64_t, int> cases[] = {{100, 0}, {200, 0},  {250, -1}, {300, 1},
                                                  {600, 2}, {601, -1}, {99, -1},
                                                  {5'500'000'000, 3}, {-5, -1}};
    for (const auto& [f, index] : cases) EXPECT_EQ(FindBand(bands, f), index) << f;
    EXPECT_EQ(FindBand({}, 150), -1);
}

TEST(CommandLineTest, PassesReadTheirOptions) {
    const std::vector<std::string> args = {"/#12345678", "/C12.8", "/cc45", "/L", "/g", "/c",
                                           "/R",         "/sd",    "/exitprocess"};
    EXPECT_EQ(ReadStartOptions(args).preferredSerial, "12345678");
    const ReceiverOptions r = ReadReceiverOptions(args);
    EXPECT_EQ(r.refClockHz, 12'800'000u);
    EXPECT_EQ(r.if2Hz, 45'000'000);
    EXPECT_EQ(r.debugLevel, 1) << "the later of /l and /g wins";
    EXPECT_TRUE(r.exitProcess);
    const PanelOptions p = ReadPanelOptions(args);
    EXPECT_TRUE(p.calibrationMenu);
    EXPECT_TRUE(p.rawSignal);
    EXPECT_TRUE(p.noDemodulator);
    EXPECT_FALSE(p.service);

    const ReceiverOptions only = ReadReceiverOptions({"/cc45", "/lx", "/c"});
    EXPECT_FALSE(only.refClockHz) << "/cc sets only the second IF; /c alone sets no clock";
    EXPECT_EQ(only.debugLevel, 2);
    EXPECT_EQ(ReadReceiverOptions({"/cxyz"}).refClockHz, 0u) << "not a number counts as 0";
}

TEST(CommandLineTest, NumbersOutsideTheirRangeAreHeldInIt) {
    EXPECT_EQ(ReadReceiverOptions({"/c99999999"}).refClockHz, UINT32_MAX);
    EXPECT_EQ(ReadReceiverOptions({"/c-5"}).refClockHz, 0u);
    EXPECT_EQ(ReadReceiverOptions({"/cc-1e30"}).if2Hz, INT32_MIN);
    EXPECT_EQ(MegahertzText("0.0000005", 0, 100), 1) << "rounded to the nearest hertz";
}

TEST(ModeNamesTest, TwentyNamesAndAnEmptyLastEntry) {
    EXPECT_EQ(ModeNames().size(), 21u);
    EXPECT_EQ(ModeName(0), "CW");
    EXPECT_EQ(ModeName(3), "FMW");
    EXPECT_EQ(ModeName(19), "APCO");
    EXPECT_EQ(ModeName(20), "");
    EXPECT_EQ(ModeName(21), "");
    EXPECT_EQ(ModeName(-1), "");
}

} // namespace
} // namespace lxq
