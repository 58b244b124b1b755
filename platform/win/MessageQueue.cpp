#include "platform/win/MessageQueue.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>

namespace plat::win {

MessageQueue::MessageQueue(std::uint32_t threadId)
    : threadId_(threadId), wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

MessageQueue::~MessageQueue() {
    Close();
    if (wakeFd_ >= 0) close(wakeFd_);
}

void MessageQueue::Wake() {
    if (signalled_.exchange(true, std::memory_order_acq_rel)) return;
    const std::uint64_t one = 1;
    while (write(wakeFd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

// The owner calls this before it looks at the queue, so a wake-up that arrives after the look
// is never lost.
void MessageQueue::ClearWake() {
    if (!signalled_.exchange(false, std::memory_order_acq_rel)) return;
    std::uint64_t value;
    while (read(wakeFd_, &value, sizeof value) < 0 && errno == EINTR) {
    }
}

bool MessageQueue::Post(const Msg& msg) {
    {
        std::lock_guard lock(mutex_);
        if (closed_ || posted_.size() >= kMaxPosted) return false;
        posted_.push_back(msg);
    }
    Wake();
    return true;
}

bool MessageQueue::PostFront(const Msg& msg) {
    {
        std::lock_guard lock(mutex_);
        if (closed_) return false;
        posted_.push_front(msg);
    }
    Wake();
    return true;
}

void MessageQueue::PostQuit(int exitCode) {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        quitCode_ = exitCode;
    }
    Wake();
}

bool MessageQueue::PushSent(std::shared_ptr<SentMessage> sent) {
    {
        std::lock_guard lock(mutex_);
        if (closed_) return false;
        sent_.push_back(std::move(sent));
    }
    Wake();
    return true;
}

std::shared_ptr<SentMessage> MessageQueue::TakeSent() {
    std::lock_guard lock(mutex_);
    if (sent_.empty()) return nullptr;
    auto sent = std::move(sent_.front());
    sent_.pop_front();
    return sent;
}

bool MessageQueue::Matches(const Msg& m, Hwnd filter, std::uint32_t minMsg, std::uint32_t maxMsg) {
    if (filter != 0 && m.hwnd != filter) return false;
    if (minMsg == 0 && maxMsg == 0) return true;
    return m.message >= minMsg && m.message <= maxMsg;
}

bool MessageQueue::TakePosted(Msg& out, Hwnd filter, std::uint32_t minMsg, std::uint32_t maxMsg,
                              bool remove) {
    std::lock_guard lock(mutex_);
    for (auto it = posted_.begin(); it != posted_.end(); ++it) {
        if (!Matches(*it, filter, minMsg, maxMsg)) continue;
        out = *it;
        if (remove) posted_.erase(it);
        return true;
    }
    return false;
}

bool MessageQueue::HasPosted() const {
    std::lock_guard lock(mutex_);
    return !posted_.empty();
}

bool MessageQueue::TakeQuit(int& exitCode, bool remove) {
    std::lock_guard lock(mutex_);
    if (!quit_ || !posted_.empty()) return false;
    exitCode = quitCode_;
    if (remove) quit_ = false;
    return true;
}

void MessageQueue::DiscardFor(Hwnd hwnd) {
    std::lock_guard lock(mutex_);
    std::erase_if(posted_, [hwnd](const Msg& m) { return m.hwnd == hwnd; });
}

void MessageQueue::Close() {
    std::deque<std::shared_ptr<SentMessage>> orphans;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        posted_.clear();
        orphans.swap(sent_);
    }
    // Nobody will answer these any more: release their senders with a zero answer.
    for (auto& sent : orphans) {
        sent->done.store(true, std::memory_order_release);
        if (auto sender = sent->replyTo.lock()) sender->Wake();
    }
}

bool MessageQueue::IsClosed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

} // namespace plat::win
