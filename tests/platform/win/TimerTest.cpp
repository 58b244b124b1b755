#include <gtest/gtest.h>

#include "platform/sys/Clock.h"
#include "tests/platform/win/TestWindows.h"

namespace plat::win {
namespace {

using test::Recorder;
using test::WindowTest;

class TimerTest : public WindowTest {
protected:
    sys::FakeClock clock_;
    sys::ScopedClock scoped_{clock_};
};

std::size_t TimerCount(Hwnd hwnd) { return Recorder::Get().Messages(hwnd, {WM_TIMER}).size(); }

TEST_F(TimerTest, FiresEachPeriodAndSkipsMissedPeriods) {
    const Hwnd hwnd = test::MakeTopLevel();
    ASSERT_EQ(SetTimer(hwnd, 3, 100, nullptr), 3u);
    clock_.AdvanceMs(99);
    test::Pump();
    EXPECT_EQ(TimerCount(hwnd), 0u);
    clock_.AdvanceMs(1);
    test::Pump();
    EXPECT_EQ(TimerCount(hwnd), 1u);
    test::Pump();
    EXPECT_EQ(TimerCount(hwnd), 1u) << "once per period";
    // The thread was busy for 3.5 periods: one message, and the next one on the period grid.
    clock_.AdvanceMs(350);
    test::Pump();
    EXPECT_EQ(TimerCount(hwnd), 2u);
    clock_.AdvanceMs(49);
    test::Pump();
    EXPECT_EQ(TimerCount(hwnd), 2u);
    clock_.AdvanceMs(1);
    test::Pump();
    EXPECT_EQ(TimerCount(hwnd), 3u);
    DestroyWindow(hwnd);
}

TEST_F(TimerTest, SettingAgainRestartsAndKillStops) {
    const Hwnd hwnd = test::MakeTopLevel();
    SetTimer(hwnd, 1, 100, nullptr);
    clock_.AdvanceMs(60);
    SetTimer(hwnd, 1, 100, nullptr);
    clock_.AdvanceMs(60);
    test::Pump();
    EXPECT_EQ(TimerCount(hwnd), 0u) << "restarted at 60 ms";
    clock_.AdvanceMs(40);
    test::Pump();
    EXPECT_EQ(TimerCount(hwnd), 1u);
    EXPECT_TRUE(KillTimer(hwnd, 1));
    EXPECT_FALSE(KillTimer(hwnd, 1));
    clock_.AdvanceMs(500);
    test::Pump();
    EXPECT_EQ(TimerCount(hwnd), 1u);
    DestroyWindow(hwnd);
}

TEST_F(TimerTest, BlockingLoopAdvancesTheFakeClockToTheNextTimer) {
    static int ticks = 0;
    ticks = 0;
    const auto start = clock_.NowMs();
    const auto id = SetTimer(0, 0, 250, [](Hwnd, std::uint32_t, std::uintptr_t, std::uint32_t) {
        if (++ticks == 4) PostQuitMessage(0);
    });
    ASSERT_NE(id, 0u);
    test::RunLoop();
    KillTimer(0, id);
    EXPECT_EQ(ticks, 4);
    EXPECT_EQ(clock_.NowMs() - start, 1000);
}

TEST_F(TimerTest, ThreadTimersGetDistinctIdsAndWindowTimersDieWithTheWindow) {
    auto nop = [](Hwnd, std::uint32_t, std::uintptr_t, std::uint32_t) {};
    const auto a = SetTimer(0, 0, 10, nop);
    const auto b = SetTimer(0, 0, 10, nop);
    EXPECT_NE(a, b);
    EXPECT_EQ(SetTimer(0, a, 20, nop), a) << "an existing thread timer is restarted";
    KillTimer(0, a);
    KillTimer(0, b);

    const Hwnd hwnd = test::MakeTopLevel();
    SetTimer(hwnd, 1, 10, nullptr);
    DestroyWindow(hwnd);
    EXPECT_FALSE(KillTimer(hwnd, 1));

    const Hwnd foreign = test::MakeTopLevel();
    std::uintptr_t fromOther = 1;
    std::thread([&] { fromOther = SetTimer(foreign, 1, 10, nullptr); }).join();
    EXPECT_EQ(fromOther, 0u) << "only the owning thread sets a window's timers";
    DestroyWindow(foreign);
}

} // namespace
} // namespace plat::win
