#include "tests/driver/TunerFixture.h"
#include "tests/support/ByValue.h"

namespace lxq::driver::test {
namespace {

using TunerSecondLo = TunerFixture;

TEST_F(TunerSecondLo, ProgramsTheSecondSynthesiserFromBothIntermediateFrequencies) {
    struct Case {
        const char* what;
        std::uint32_t firstIf;
        std::int32_t if2;
        bool fmWide;
        std::uint32_t lo2, scaled, fraction;
        bool negative;
    };
    // 4 * LO2 wraps at 32 bits before the division by 195.
    const Case cases[] = {
        {"positive IF2", 1'200'000'000u, 10'700'000, false, 1'210'700'000u, 2'809'398u,
         2'666'624'053u, false},
        {"negative IF2", 1'200'000'000u, -455'000, false, 1'199'545'000u, 2'580'577u,
         2'642'054'638u, true},
        {"FM-wide through the 110.7 MHz IF", 1'200'000'000u, -455'000, true, 121'400'000u,
         2'490'256u, 267'389'246u, false},
        // Above 2^31 the LO2 word reads as negative for the fraction word.
        {"LO2 above 2^31", 2'200'000'000u, 0, false, 2'200'000'000u, 1'077'258u, 3'975'669'966u,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tuner.State().fmWide = c.fmWide;
        tuner.State().image.options = c.fmWide ? kOptFmWideIf : 0;
        tuner.State().image.firstIfHz = c.firstIf;
        ASSERT_EQ(tuner.SetSecondLO(c.if2, true), kStatusSuccess);
        const LX_Q7_HWINFO& info = tuner.State().hwInfo;
        EXPECT_EQ(lxq_test::ByValue(tuner.State().if2), c.if2);
        EXPECT_EQ(lxq_test::ByValue(info.lo2), c.lo2);
        EXPECT_EQ(lxq_test::ByValue(info.lo2Again), c.lo2);
        EXPECT_EQ(lxq_test::ByValue(info.lo2Scaled), c.scaled);
        EXPECT_EQ(lxq_test::ByValue(info.lo2Divisor), 195);
        EXPECT_EQ(lxq_test::ByValue(info.lo2Multiplier), 4);
        EXPECT_EQ(lxq_test::ByValue(info.lo2Valid), 1);
        EXPECT_EQ(info.lo2Flags & 1, c.negative ? 1 : 0);
        EXPECT_EQ(lxq_test::ByValue(Pushed().secondControl), 0x00C38105u);
        EXPECT_EQ(lxq_test::ByValue(Pushed().secondFraction), c.fraction);
        EXPECT_TRUE(hw.pushes.back().waitPush);
        EXPECT_FALSE(hw.pushes.back().forceAll);
    }
}

TEST_F(TunerSecondLo, NeedsAReference) {
    tuner.State().referenceHz = 0.0;
    EXPECT_EQ(tuner.SetSecondLO(10'700'000, false), kStatusInvalidParameter);
    EXPECT_TRUE(hw.pushes.empty());
    EXPECT_EQ(tuner.State().if2, 0);
}

TEST_F(TunerSecondLo, FmWideSwitchSavesAndRestoresTheGainsAndRetunesTheSecondLo) {
    TuningState& s = tuner.State();
    s.image.options = kOptFmWideIf;
    ASSERT_EQ(tuner.ApplyGains(2, 70, 0), kStatusSuccess);
    ASSERT_EQ(tuner.SetSecondLO(-455'000, false), kStatusSuccess);

    ASSERT_EQ(tuner.SetFmWide(true), kStatusSuccess);
    EXPECT_TRUE(s.fmWide);
    EXPECT_EQ(lxq_test::ByValue(s.agcMode), 0);
    EXPECT_EQ(lxq_test::ByValue(s.ifGain), 0);
    EXPECT_EQ(lxq_test::ByValue(s.hwInfo.lo2), 121'400'000u);
    // Switching on again keeps the gains saved the first time.
    ASSERT_EQ(tuner.SetFmWide(true), kStatusSuccess);

    ASSERT_EQ(tuner.SetFmWide(false), kStatusSuccess);
    EXPECT_FALSE(s.fmWide);
    EXPECT_EQ(lxq_test::ByValue(s.agcMode), 2);
    EXPECT_EQ(lxq_test::ByValue(s.ifGain), 70);
    EXPECT_EQ(lxq_test::ByValue(s.if2), -455'000);
    EXPECT_EQ(lxq_test::ByValue(s.hwInfo.lo2), 1'199'545'000u);
    EXPECT_EQ(lxq_test::ByValue(hw.fmWideSwitches), (std::vector<bool>{true, true, false}));
}

TEST_F(TunerSecondLo, FmWideRefusalsChangeNothing) {
    TuningState& s = tuner.State();
    s.image.capabilities &= ~kCapFmWide;
    EXPECT_EQ(tuner.SetFmWide(true), kStatusNotSupported);
    EXPECT_TRUE(hw.fmWideSwitches.empty());

    s.image.capabilities |= kCapFmWide;
    hw.fmWideStatus = kStatusUnsuccessful;
    EXPECT_EQ(tuner.SetFmWide(true), kStatusUnsuccessful);
    EXPECT_FALSE(s.fmWide);
    EXPECT_TRUE(hw.pushes.empty());
}

TEST_F(TunerSecondLo, GainOptionUsesAgcModeSixInFmWide) {
    tuner.State().image.options = kOptGain;
    ASSERT_EQ(tuner.SetFmWide(true), kStatusSuccess);
    EXPECT_EQ(tuner.State().agcMode, 6);
}

} // namespace
} // namespace lxq::driver::test
