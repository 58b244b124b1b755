#include "driver/host/WorkQueue.h"

#include <system_error>

namespace lxq::host {

WorkQueue::~WorkQueue() {
    std::thread finished;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;  // the thread finishes what is queued, then ends without lingering
        finished.swap(thread_);
    }
    wake_.notify_all();
    if (finished.joinable()) finished.join();
}

bool WorkQueue::Post(std::function<void()> work) {
    std::thread previous;
    {
        std::lock_guard lock(mutex_);
        work_.push_back(std::move(work));
        if (running_) {
            wake_.notify_one();
            return true;
        }
        // The thread that ran the last batch has left its loop; it is joined below, outside the lock.
        previous.swap(thread_);
        try {
            thread_ = std::thread([this] { Run(); });
            running_ = true;
        } catch (const std::system_error&) {
            work_.pop_back();
            if (previous.joinable()) previous.join();
            return false;
        }
    }
    if (previous.joinable()) previous.join();
    return true;
}

bool WorkQueue::Busy() {
    std::lock_guard lock(mutex_);
    return running_;
}

void WorkQueue::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        // Requests tend to come in runs (a client waits for each answer, then asks again): the
        // thread stays a moment for the next one rather than being started anew for each.
        if (work_.empty() && !stopping_) wake_.wait_for(lock, kLinger, [this] { return !work_.empty() || stopping_; });
        if (work_.empty()) {
            running_ = false;
            return;
        }
        std::function<void()> work = std::move(work_.front());
        work_.pop_front();
        lock.unlock();
        work();
        lock.lock();
    }
}

} // namespace lxq::host
