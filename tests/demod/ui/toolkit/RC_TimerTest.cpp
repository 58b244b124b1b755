#include "tests/demod/ui/toolkit/ToolkitTestKit.h"

#include "demod/ui/toolkit/RC_MessagePump.h"
#include "demod/ui/toolkit/RC_Timer.h"

namespace {

using toolkit_test::Pump;

struct Ticks {
    int count = 0;
    static void Fn(void* user, RC_Timer*) { ++static_cast<Ticks*>(user)->count; }
};

class RC_TimerTest : public ::testing::Test {
protected:
    plat::sys::FakeClock clock_;
    plat::sys::ScopedClock scoped_{clock_};
};

TEST_F(RC_TimerTest, FiresEachIntervalUntilStopped) {
    Ticks ticks;
    RC_Timer timer(100, &Ticks::Fn, &ticks);
    timer.Start();
    clock_.AdvanceMs(99);
    Pump();
    EXPECT_EQ(ticks.count, 0);
    clock_.AdvanceMs(1);
    RC_PumpPendingMessages(0);
    EXPECT_EQ(ticks.count, 1);
    clock_.AdvanceMs(100);
    Pump();
    EXPECT_EQ(ticks.count, 2);
    timer.Stop();
    EXPECT_FALSE(timer.Running());
    clock_.AdvanceMs(500);
    Pump();
    EXPECT_EQ(ticks.count, 2);
}

TEST_F(RC_TimerTest, ZeroIntervalStaysStoppedAndNewIntervalRestarts) {
    Ticks ticks;
    RC_Timer timer(0, &Ticks::Fn, &ticks);
    timer.Start();
    EXPECT_FALSE(timer.Running());
    timer.SetInterval(50);
    EXPECT_FALSE(timer.Running()) << "a stopped timer only takes the interval";
    timer.Start();
    clock_.AdvanceMs(30);
    timer.SetInterval(50); // same value: no restart
    clock_.AdvanceMs(20);
    Pump();
    EXPECT_EQ(ticks.count, 1);
    clock_.AdvanceMs(30);
    timer.SetInterval(200); // restarts from now
    clock_.AdvanceMs(199);
    Pump();
    EXPECT_EQ(ticks.count, 1);
    clock_.AdvanceMs(1);
    Pump();
    EXPECT_EQ(ticks.count, 2);
}

TEST_F(RC_TimerTest, TwoTimersEachCallTheirOwnCallback) {
    Ticks a, b;
    RC_Timer ta(10, &Ticks::Fn, &a);
    RC_Timer tb(25, &Ticks::Fn, &b);
    ta.Start();
    tb.Start();
    for (int i = 0; i < 10; ++i) {
        clock_.AdvanceMs(5);
        Pump();
    }
    EXPECT_EQ(a.count, 5);
    EXPECT_EQ(b.count, 2);
}

} // namespace
