#include "platform/sys/Clock.h"

#include <gtest/gtest.h>

namespace plat::sys {
namespace {

TEST(Clock, FakeClockMovesOnlyWhenToldAndIsRestoredAfterScope) {
    FakeClock fake(5 * kNsPerSecond);
    {
        ScopedClock use(fake);
        Clock& clock = ActiveClock();
        EXPECT_TRUE(clock.IsFake());
        EXPECT_EQ(clock.NowMs(), 5000);
        clock.SleepMs(1000); // a fake sleep advances time at once
        fake.AdvanceMs(250);
        fake.Advance(-5); // time never runs backwards
        EXPECT_EQ(clock.NowMs(), 6250);
    }
    EXPECT_FALSE(ActiveClock().IsFake());
}

TEST(Clock, RealClockIsMonotonic) {
    RealClock real;
    const Nanoseconds a = real.Now();
    real.Sleep(0);
    EXPECT_LE(a, real.Now());
}

} // namespace
} // namespace plat::sys
