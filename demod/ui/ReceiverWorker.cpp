#include "demod/ui/ReceiverWorker.h"

#include <utility>

ReceiverWorker::ReceiverWorker() : thread_([this] { Run(); }, plat::sys::ThreadPriority::Normal) {}

ReceiverWorker::~ReceiverWorker() { Stop(); }

void ReceiverWorker::Ask(Request request) {
    {
        std::lock_guard hold(lock_);
        if (stopping_) return;
        requests_.push_back(std::move(request));
    }
    wake_.notify_one();
}

void ReceiverWorker::Stop() {
    {
        std::lock_guard hold(lock_);
        stopping_ = true;
    }
    wake_.notify_one();
    if (thread_.Joinable()) thread_.Join();
}

std::size_t ReceiverWorker::Pending() const {
    std::lock_guard hold(lock_);
    return requests_.size() + (running_ ? 1 : 0);
}

void ReceiverWorker::Run() {
    std::unique_lock hold(lock_);
    for (;;) {
        wake_.wait(hold, [this] { return stopping_ || !requests_.empty(); });
        // Stopping, the worker still carries out what was asked before, then ends.
        if (requests_.empty()) return;
        Request request = std::move(requests_.front());
        requests_.pop_front();
        running_ = true;
        hold.unlock();
        request();
        request = nullptr; // what it holds goes here, not under the lock
        hold.lock();
        running_ = false;
    }
}
