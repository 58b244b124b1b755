#include "driver/host/WorkQueue.h"

#include <system_error>

namespace lxq::host {

WorkQueue::~WorkQueue() {
    std::thread finished;
    {
        std::unique_lock lock(mutex_);
        // The last item may still be running; the thread ends once the queue is empty.
        finished.swap(thread_);
    }
    if (finished.joinable()) finished.join();
}

bool WorkQueue::Post(std::function<void()> work) {
    std::thread previous;
    {
        std::lock_guard lock(mutex_);
        work_.push_back(std::move(work));
        if (running_) return true;
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
    for (;;) {
        std::function<void()> work;
        {
            std::lock_guard lock(mutex_);
            if (work_.empty()) {
                running_ = false;
                return;
            }
            work = std::move(work_.front());
            work_.pop_front();
        }
        work();
    }
}

} // namespace lxq::host
