// The thread list as the report's thread stopper reads it: which threads can still take the stop
// signal, so that it waits for those on a busy machine and not for the ones that never will.
#include "crashreport/sys/TaskList.h"
#include "crashreport/sys/ThreadIdentity.h"
#include "crashreport/sys/ThreadStopper.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

TEST(TaskList, TellsWhichThreadsTakeTheStopSignal) {
    const int stop = errvane::ThreadStopper::Signal();
    std::atomic<long> id{0};
    std::atomic<bool> done{false};
    std::atomic<bool> blocking{false};
    // A process inherits its signal mask from whoever started it, and a runner may start tests
    // with signals blocked: this thread takes the stop signal because it says so here.
    sigset_t stopOnly, inherited;
    sigemptyset(&stopOnly);
    sigaddset(&stopOnly, stop);
    pthread_sigmask(SIG_UNBLOCK, &stopOnly, &inherited);
    // A thread that blocks the stop signal and no other, as a thread inside a fault handler does.
    std::thread blocker([&] {
        pthread_sigmask(SIG_SETMASK, &stopOnly, nullptr);
        id.store(errvane::ThreadIdentity::Current());
        blocking.store(true);
        while (!done.load()) std::this_thread::yield();
    });
    while (!blocking.load()) std::this_thread::yield();

    const long self = errvane::ThreadIdentity::Current();
    long ids[64];
    const std::size_t count = errvane::ListTaskIds(ids, 64);
    EXPECT_NE(std::find(ids, ids + count, self), ids + count);
    EXPECT_NE(std::find(ids, ids + count, id.load()), ids + count);

    EXPECT_TRUE(errvane::TaskTakesSignal(self, stop));
    EXPECT_FALSE(errvane::TaskTakesSignal(id.load(), stop)) << "it blocks the signal";
    EXPECT_TRUE(errvane::TaskTakesSignal(id.load(), SIGUSR2)) << "but not this one";
    done.store(true);
    blocker.join();
    EXPECT_FALSE(errvane::TaskTakesSignal(id.load(), stop)) << "an ended thread takes nothing";
    pthread_sigmask(SIG_SETMASK, &inherited, nullptr);
}

}  // namespace
