#include "tests/driver/TunerFixture.h"

namespace lxq::driver::test {
namespace {

using TunerLockWait = TunerFixture;

TEST_F(TunerLockWait, EndsAsSoonAsTheSynthesiserReportsLock) {
    struct Case {
        const char* what;
        std::deque<std::uint8_t> script;
        int reads;
    };
    const Case cases[] = {
        {"both loops locked at once", {3}, 1},
        {"first loop only, then locked", {1, 1}, 2}, // 3 is needed to skip the re-read
        {"unlocked twice, then locked", {0, 0, 2, 1}, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        hw.lockScript = c.script;
        hw.lockReads = 0;
        EXPECT_EQ(tuner.SetTunerFrequency(100'000'000, true, true, true, false, 0), kStatusSuccess);
        EXPECT_EQ(hw.lockReads, c.reads);
        EXPECT_FALSE(tuner.State().tuneError);
    }
}

TEST_F(TunerLockWait, TimesOutAfterOneSecondAndForcesTheNextPush) {
    hw.lastLock = 0;
    const plat::sys::Nanoseconds start = clock.Now();
    EXPECT_EQ(tuner.SetTunerFrequency(100'000'000, true, false, true, false, 0),
              kStatusDeviceBusy);
    const plat::sys::Nanoseconds waited = clock.Now() - start;
    EXPECT_GT(waited, plat::sys::kNsPerSecond);
    EXPECT_LT(waited, plat::sys::kNsPerSecond + 10 * plat::sys::kNsPerMs);
    EXPECT_TRUE(tuner.State().tuneError);
    // The frequency stays current: the push itself succeeded.
    EXPECT_EQ(tuner.State().frequency, 100'000'000u);

    ASSERT_EQ(tuner.SetTunerFrequency(100'000'000, true, false, false, false, 0), kStatusSuccess);
    EXPECT_TRUE(hw.pushes.back().forceAll);
    EXPECT_FALSE(tuner.State().tuneError);
}

TEST_F(TunerLockWait, ReadFailureEndsTheWaitWithItsStatus) {
    hw.lockReadStatus = kStatusIoDeviceError;
    EXPECT_EQ(tuner.SetTunerFrequency(100'000'000, true, false, true, false, 0),
              kStatusIoDeviceError);
    EXPECT_FALSE(tuner.State().tuneError);
}

TEST_F(TunerLockWait, RunsOnlyWhenAskedAndPowered) {
    EXPECT_EQ(tuner.SetTunerFrequency(100'000'000, true, false, false, false, 0), kStatusSuccess);
    EXPECT_EQ(hw.lockReads, 0);
    tuner.State().powered = false;
    hw.lastLock = 0;
    EXPECT_EQ(tuner.SetTunerFrequency(100'000'000, true, false, true, false, 0), kStatusSuccess);
    EXPECT_EQ(hw.lockReads, 0);
}

TEST_F(TunerLockWait, WithoutTuningOnlyTheWaitRuns) {
    const std::size_t pushes = hw.pushes.size();
    tuner.State().referenceHz = 0.0; // would refuse any tuning
    EXPECT_EQ(tuner.SetTunerFrequency(5, false, false, true, false, 0), kStatusSuccess);
    EXPECT_EQ(hw.pushes.size(), pushes);
    EXPECT_EQ(hw.lockReads, 1);
}

} // namespace
} // namespace lxq::driver::test
