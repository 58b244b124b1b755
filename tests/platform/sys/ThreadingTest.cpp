#include "platform/sys/Event.h"
#include "platform/sys/RecursiveMutex.h"
#include "platform/sys/Thread.h"

#include <atomic>
#include <gtest/gtest.h>

namespace plat::sys {
namespace {

TEST(Event, AutomaticResetLetsOneWaiterThroughPerSet) {
    Event e(Event::Reset::Automatic, true);
    EXPECT_TRUE(e.WaitFor(0));
    EXPECT_FALSE(e.WaitFor(0)) << "reset itself";
    std::atomic<int> through{0};
    Thread waiter([&] { e.Wait(); ++through; }, ThreadPriority::Lowest);
    e.Set();
    waiter.Join();
    EXPECT_EQ(through, 1);
    EXPECT_FALSE(e.IsSet());
}

TEST(Event, ManualResetStaysSetUntilReset) {
    Event e(Event::Reset::Manual, false);
    EXPECT_FALSE(e.WaitFor(0));
    e.Set();
    EXPECT_TRUE(e.WaitFor(0));
    EXPECT_TRUE(e.WaitFor(0));
    e.ResetEvent();
    EXPECT_FALSE(e.IsSet());
}

TEST(RecursiveMutex, TryLockFailsOnlyForOtherThreads) {
    RecursiveMutex m;
    m.Lock();
    EXPECT_TRUE(m.TryLock());
    bool other = true;
    Thread([&] { other = m.TryLock(); }, ThreadPriority::Highest).Join();
    EXPECT_FALSE(other);
    m.Unlock();
    m.Unlock();
}

TEST(Thread, JoinOnItselfDoesNotDeadlock) {
    Event done(Event::Reset::Manual, false);
    Thread* self = nullptr;
    Event started(Event::Reset::Manual, false);
    Thread t([&] {
        started.Wait();
        self->Join();
        done.Set();
    }, ThreadPriority::Normal);
    self = &t;
    started.Set();
    done.Wait();
    t.Join();
}

} // namespace
} // namespace plat::sys
