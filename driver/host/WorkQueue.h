#pragma once
// Runs posted work one item at a time, in the order posted, on a thread of its own that exists only
// while there is work (and a moment after): the channel gives one to each receiver (its requests
// run in arrival order and a request waiting on one receiver never stalls another) and one to the
// bus commands. An idle queue holds no thread, so connections cost none.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace lxq::host {

class WorkQueue {
public:
    WorkQueue() = default;
    ~WorkQueue();
    WorkQueue(const WorkQueue&) = delete;
    WorkQueue& operator=(const WorkQueue&) = delete;

    // Queues the work; false when no thread could be started for it (the work is dropped, and
    // the caller answers for it).
    bool Post(std::function<void()> work);
    // True while work is queued or running.
    bool Busy();

private:
    static constexpr std::chrono::milliseconds kLinger{100};

    void Run();

    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::deque<std::function<void()>> work_;
    bool running_ = false;
    std::thread thread_;
};

} // namespace lxq::host
