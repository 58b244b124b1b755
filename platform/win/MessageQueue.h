#pragma once
// The message queue of one user-interface thread. Posting is thread-safe and wakes the owner
// through an eventfd; everything else (taking messages, timers) happens on the owning thread.

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

#include "platform/win/SentMessage.h"
#include "platform/win/TimerList.h"
#include "platform/win/Types.h"

namespace plat::win {

class MessageQueue {
public:
    // Posted messages a queue holds at most: a thread that stopped taking its messages makes
    // further posts fail instead of letting the queue eat the memory.
    static constexpr std::size_t kMaxPosted = 10000;

    explicit MessageQueue(std::uint32_t threadId);
    ~MessageQueue();
    MessageQueue(const MessageQueue&) = delete;
    MessageQueue& operator=(const MessageQueue&) = delete;

    std::uint32_t ThreadId() const { return threadId_; }

    // Thread-safe. False once the owning thread has ended or while the queue is full.
    bool Post(const Msg& msg);
    // Puts a message before every other posted one (a character made from the key just taken).
    bool PostFront(const Msg& msg);
    void PostQuit(int exitCode);
    bool PushSent(std::shared_ptr<SentMessage> sent);
    // Wakes the owner without a message (a reply arrived, a window needs painting).
    void Wake();

    // Owner side.
    std::shared_ptr<SentMessage> TakeSent();
    bool TakePosted(Msg& out, Hwnd filter, std::uint32_t minMsg, std::uint32_t maxMsg, bool remove);
    bool HasPosted() const;
    // A quit request is seen only once no posted message is left.
    bool TakeQuit(int& exitCode, bool remove);
    // Drops the posted messages of a window that is gone.
    void DiscardFor(Hwnd hwnd);
    int WakeFd() const { return wakeFd_; }
    void ClearWake();
    TimerList& Timers() { return timers_; }

    // Called when the owning thread ends: later posts fail and waiting senders are released.
    void Close();
    bool IsClosed() const;

private:
    static bool Matches(const Msg& m, Hwnd filter, std::uint32_t minMsg, std::uint32_t maxMsg);

    const std::uint32_t threadId_;
    mutable std::mutex mutex_;
    std::deque<Msg> posted_;
    std::deque<std::shared_ptr<SentMessage>> sent_;
    bool quit_ = false;
    int quitCode_ = 0;
    bool closed_ = false;
    int wakeFd_ = -1;
    // Set while the eventfd holds a wake-up: a burst of posts costs one write, not one each.
    std::atomic<bool> signalled_{false};
    TimerList timers_;
};

} // namespace plat::win
