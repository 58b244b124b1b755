#include "demod/dsp/RC_Lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(RC_Lock, NestsForItsOwnerAndExcludesOtherThreads) {
    RC_Lock lock;
    lock.Lock();
    lock.Lock(); // nested use by the owner
    bool otherGotIn = true;
    std::thread([&] { otherGotIn = lock.TryLock(); }).join();
    EXPECT_FALSE(otherGotIn);
    lock.Unlock();
    std::thread([&] { otherGotIn = lock.TryLock(); }).join();
    EXPECT_FALSE(otherGotIn) << "one level is still held";
    lock.Unlock();
    std::thread([&] {
        otherGotIn = lock.TryLock();
        if (otherGotIn) {
            lock.Unlock();
        }
    }).join();
    EXPECT_TRUE(otherGotIn);
}

TEST(RC_Lock, AnUnlockByAThreadThatDoesNotOwnItIsIgnored) {
    RC_Lock lock;
    lock.Lock();
    std::thread([&] { lock.Unlock(); }).join();
    EXPECT_TRUE(lock.HeldByCaller());
    bool otherGotIn = true;
    std::thread([&] { otherGotIn = lock.TryLock(); }).join();
    EXPECT_FALSE(otherGotIn);
    lock.Unlock();
    lock.Unlock(); // unbalanced: harmless
    EXPECT_FALSE(lock.HeldByCaller());
}

TEST(RC_Lock, ContendedIncrementsAreNeverLost) {
    // The first contention is where a lazily created lock could admit two threads at once.
    RC_Lock lock;
    long counter = 0;
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            while (!go.load()) {
            }
            for (int i = 0; i < 20000; ++i) {
                lock.Lock();
                const long seen = counter;
                counter = seen + 1;
                lock.Unlock();
            }
        });
    }
    go = true;
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(counter, 80000);
}

} // namespace
