#include "app/receiver/ReceiverRequests.h"

#include <chrono>
#include <utility>

#include "platform/win/MessageApi.h"

namespace lxq {

ReceiverRequests::ReceiverRequests(plat::win::Hwnd window, std::uint32_t message)
    : window_(window), message_(message), worker_([this] { Run(); }) {}

ReceiverRequests::~ReceiverRequests() {
    {
        std::lock_guard hold(lock_);
        stop_ = true;
        jobs_.clear();
        queued_.store(0, std::memory_order_release);
    }
    wake_.notify_all();
    worker_.join();
}

void ReceiverRequests::Make(Request request, int topic, std::int32_t value) {
    {
        std::lock_guard hold(lock_);
        if (stop_) return;
        jobs_.push_back({std::move(request), topic});
        queued_.store(jobs_.size(), std::memory_order_release);
        if (topic >= 0) {
            Mark& mark = pending_[topic];
            ++mark.count;
            mark.value = value;
        }
    }
    wake_.notify_all();
}

std::optional<std::int32_t> ReceiverRequests::Pending(int topic) const {
    std::lock_guard hold(lock_);
    const auto it = pending_.find(topic);
    if (it == pending_.end()) return std::nullopt;
    return it->second.value;
}

void ReceiverRequests::Finish() {
    std::unique_lock hold(lock_);
    done_.wait(hold, [this] { return stop_ || (jobs_.empty() && !running_); });
}

void ReceiverRequests::RunAnswers() {
    for (;;) {
        Answer answer;
        {
            std::lock_guard hold(lock_);
            if (answers_.empty()) return;
            answer = std::move(answers_.front());
            answers_.pop_front();
        }
        // Outside the lock: an answer may make requests of its own.
        answer();
    }
}

void ReceiverRequests::Run() {
    std::unique_lock hold(lock_);
    for (;;) {
        // A scan's or a sweep's next request follows the answer of the last within microseconds:
        // the worker stays a moment before it sleeps, so that no step pays for waking it.
        if (jobs_.empty() && !stop_) {
            hold.unlock();
            const auto until = std::chrono::steady_clock::now() + kStay;
            while (queued_.load(std::memory_order_acquire) == 0 && std::chrono::steady_clock::now() < until)
                std::this_thread::yield();
            hold.lock();
        }
        wake_.wait(hold, [this] { return stop_ || !jobs_.empty(); });
        if (stop_) break;
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        queued_.store(jobs_.size(), std::memory_order_release);
        running_ = true;
        hold.unlock();
        Answer answer = job.request();
        job.request = nullptr; // what it holds goes here, not under the lock
        hold.lock();
        running_ = false;
        if (job.topic >= 0) {
            const auto it = pending_.find(job.topic);
            if (it != pending_.end() && --it->second.count == 0) pending_.erase(it);
        }
        if (answer) {
            answers_.push_back(std::move(answer));
            plat::win::PostMessage(window_, message_, 0, 0);
        }
        done_.notify_all();
    }
    done_.notify_all();
}

} // namespace lxq
