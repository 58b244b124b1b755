// The receiver worker: requests run in the order asked on one thread of their own, asking never
// waits for a request under way, and stopping carries out what was asked before it ends.

#include "demod/ui/ReceiverWorker.h"

#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace {

TEST(ReceiverWorkerTest, RequestsRunInTheOrderAskedOnOneThreadThatIsNotTheAsker) {
    std::mutex lock;
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    ReceiverWorker worker;
    for (int i = 0; i < 200; ++i)
        worker.Ask([&, i] {
            std::lock_guard hold(lock);
            order.push_back(i);
            threads.push_back(std::this_thread::get_id());
        });
    worker.Stop();
    ASSERT_EQ(order.size(), 200u);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(order[i], i);
    for (const std::thread::id& id : threads) {
        EXPECT_EQ(id, threads.front()) << "one thread";
        EXPECT_NE(id, std::this_thread::get_id()) << "not the asker's";
    }
}

TEST(ReceiverWorkerTest, AskingReturnsWhileARequestWaitsAndStopCarriesOutWhatWasAskedFirst) {
    std::promise<void> answer;
    std::shared_future<void> answered = answer.get_future().share();
    std::promise<void> entered;
    std::vector<int> done; // the worker's until Stop has returned
    ReceiverWorker worker;
    worker.Ask([&] {
        entered.set_value();
        answered.wait(); // a receiver that does not answer yet
        done.push_back(1);
    });
    entered.get_future().wait();
    // The first request holds the worker: these are queued behind it, and the asker goes on.
    worker.Ask([&] { done.push_back(2); });
    worker.Ask([&] { done.push_back(3); });
    EXPECT_EQ(worker.Pending(), 3u);
    answer.set_value();
    worker.Stop();
    EXPECT_EQ(done, (std::vector<int>{1, 2, 3})) << "everything asked before the stop";
    EXPECT_EQ(worker.Pending(), 0u);

    worker.Ask([&] { done.push_back(4); });
    EXPECT_EQ(worker.Pending(), 0u) << "refused once stopped";
    worker.Stop(); // again: nothing more to wait for
    EXPECT_EQ(done.size(), 3u);
}

} // namespace
