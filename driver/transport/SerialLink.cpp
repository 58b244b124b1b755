#include "driver/transport/SerialLink.h"

#include <algorithm>
#include <chrono>

namespace lxq::transport {
namespace {

using Clock = std::chrono::steady_clock;

constexpr LineSettings kAnnouncementLine{1200, 7, false, 1};
constexpr LineSettings kSpeedChangeLine{1200, 8, false, 1};
constexpr LineSettings kCommandLine{38400, 8, false, 1};
constexpr plat::sys::Nanoseconds kEventPoll = 100 * plat::sys::kNsPerMs;

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}

bool IsTerminator(char c) { return c == '>' || c == '!' || c == '#'; }

} // namespace

void SerialLink::SetHandlers(AnswerHandler onAnswer, ReadyHandler onReady) {
    onAnswer_ = std::move(onAnswer);
    onReady_ = std::move(onReady);
}

bool SerialLink::StartReader() {
    StopReader();
    {
        std::lock_guard lock(mutex_);
        stop_ = false;
        state_ = ReaderState::NotConnected;
        notResponding_ = false;
        handshakeFailed_ = false;
        queue_.clear();
    }
    std::unique_lock lock(mutex_);
    // Under the lock: the reader itself asks who the reader is (Enqueue) as soon as it runs.
    reader_ = std::thread([this] { Run(); });
    if (changed_.wait_for(lock, std::chrono::nanoseconds(timings_.ready),
                          [this] { return state_ == ReaderState::Ready && !readyPhase_; }))
        return true;
    lock.unlock();
    StopReader();
    return false;
}

void SerialLink::StopReader() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        FailAllLocked();
    }
    changed_.notify_all();
    port_.SetWaitMask(0); // ends the reader's wait on the port
    if (reader_.joinable()) reader_.join();
}

void SerialLink::Send(std::uint8_t command, const std::uint8_t* payload, std::size_t length) {
    Enqueue(command, payload, length, nullptr);
}

NtStatus SerialLink::Query(std::uint8_t command, const std::uint8_t* payload, std::size_t length,
                           plat::sys::Nanoseconds timeout) {
    if (command != kSerialSpeedChange) {
        std::unique_lock lock(mutex_);
        // A failure must read as a failure: a port that does not answer fails at once. A link
        // that is coming up again (a new handshake after a DSR change or a silence) is waited
        // for, so that a setting asked for meanwhile is sent once it is up. The handshake ends
        // by its own deadlines, either way; the answer time starts only once it is through.
        if (notResponding_ && (handshakeFailed_ || stop_)) return kStatusIoDeviceError;
        changed_.wait(lock, [this] { return !notResponding_ || handshakeFailed_ || stop_; });
        if (notResponding_) return kStatusIoDeviceError;
    }
    auto waiter = std::make_shared<Waiter>();
    Enqueue(command, payload, length, waiter);
    std::unique_lock lock(mutex_);
    const auto answerTime = std::chrono::nanoseconds(timeout);
    for (;;) {
        if (changed_.wait_for(lock, answerTime, [&] { return waiter->done; })) break;
        // The receiver's answer time runs from when a frame went on the wire: commands ahead in
        // the queue, or a handshake that holds the queue, are not its silence. A head on the
        // wire for longer than that, on a link that is up, is silence, whoever asked for it.
        const bool mine = !queue_.empty() && queue_.front().waiter == waiter;
        const bool silent = !notResponding_ && !queue_.empty() && queue_.front().written &&
                            Clock::now() - headWrittenAt_ >= answerTime;
        if (silent) {
            lock.unlock();
            MarkNotResponding();
            if (mine) return kStatusIoDeviceError;
            lock.lock();
            continue;
        }
        if (stop_ || (notResponding_ && handshakeFailed_)) return kStatusIoDeviceError;
    }
    if (waiter->success) return kStatusSuccess;
    return waiter->superseded ? kStatusCancelled : kStatusUnsuccessful;
}

void SerialLink::Enqueue(std::uint8_t command, const std::uint8_t* payload, std::size_t length,
                         std::shared_ptr<Waiter> waiter) {
    if (length > kSerialMaxPayload) length = kSerialMaxPayload;
    std::lock_guard lock(mutex_);
    Entry entry{command, {command}, std::move(waiter), false};
    entry.frame.insert(entry.frame.end(), payload, payload + length);
    // The same command still waiting behind the head is replaced by this one. Its waiter is woken
    // without a result, unless the frames are identical: then this entry's answer is its answer
    // too. An entry already on the wire keeps its frame, so that its answer confirms the value
    // actually sent, but its waiter is woken as replaced; this one queues behind it.
    // What the owner tells the receiver after a handshake is the state it held when the handshake
    // ended; a command of a request still waiting was asked since (a request updates the owner's
    // state before it queues), so it stands and the older value is not sent.
    const bool fromReadyPhase = readyPhase_ && std::this_thread::get_id() == reader_.get_id();
    for (std::size_t i = 0; i < queue_.size(); ++i) {
        Entry& e = queue_[i];
        if (e.command != command) continue;
        if (e.written) {
            FinishLocked(e.waiter, false, true);
            e.waiter.reset();
            continue;
        }
        if (fromReadyPhase && !entry.waiter) return;
        if (e.frame == entry.frame && e.waiter && !entry.waiter) entry.waiter = std::move(e.waiter);
        else FinishLocked(e.waiter, false, true);
        queue_.erase(queue_.begin() + static_cast<std::ptrdiff_t>(i));
        break;
    }
    // The speed change belongs to the handshake and goes first; what the receiver is told right
    // after a handshake (power, the whole state) goes before commands that waited meanwhile.
    if (command == kSerialSpeedChange && !queue_.empty() && !queue_.front().written) {
        queue_.push_front(std::move(entry));
    } else if (readyPhase_) {
        std::size_t at = 0;
        while (at < queue_.size() && queue_[at].written) ++at;
        queue_.insert(queue_.begin() + static_cast<std::ptrdiff_t>(std::min(at + readyInserted_, queue_.size())),
                      std::move(entry));
        ++readyInserted_;
    } else {
        queue_.push_back(std::move(entry));
    }
    if (!queue_.front().written) WriteHeadLocked();
}

void SerialLink::WriteHeadLocked() {
    if (queue_.empty()) return;
    Entry& head = queue_.front();
    // Until the handshake is through, commands would go out at the wrong speed: they wait.
    if ((state_ != ReaderState::Ready || readyPhase_) && head.command != kSerialSpeedChange) return;
    head.written = true;
    headWrittenAt_ = Clock::now();
    port_.Write(head.frame.data(), head.frame.size());
}

void SerialLink::FinishLocked(const std::shared_ptr<Waiter>& waiter, bool success, bool superseded) {
    if (!waiter || waiter->done) return;
    waiter->done = true;
    waiter->success = success;
    waiter->superseded = superseded;
    changed_.notify_all();
}

void SerialLink::FailAllLocked() {
    for (Entry& e : queue_) FinishLocked(e.waiter, false, false);
    queue_.clear();
}

void SerialLink::FailWrittenLocked() {
    // A command already on the wire will never be answered; those not yet sent wait for the
    // new connection.
    while (!queue_.empty() && queue_.front().written) {
        FinishLocked(queue_.front().waiter, false, false);
        queue_.pop_front();
    }
}

bool SerialLink::Responding() const {
    std::lock_guard lock(mutex_);
    return !notResponding_;
}

bool SerialLink::CommandOutstanding() const {
    std::lock_guard lock(mutex_);
    return !queue_.empty();
}

std::size_t SerialLink::QueuedCommands() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

ReaderState SerialLink::State() const {
    std::lock_guard lock(mutex_);
    // Ready once the receiver has also been told what it must know after the handshake.
    return state_ == ReaderState::Ready && readyPhase_ ? ReaderState::Announced : state_;
}

void SerialLink::MarkNotResponding() {
    {
        std::lock_guard lock(mutex_);
        notResponding_ = true;
        state_ = ReaderState::NotConnected;
    }
    port_.SetWaitMask(0); // the reader leaves its wait and starts a new handshake
}

// Waits for the given time unless the link is stopped; false when stopped.
bool SerialLink::Waiting(plat::sys::Nanoseconds duration) {
    std::unique_lock lock(mutex_);
    return !changed_.wait_for(lock, std::chrono::nanoseconds(duration), [this] { return stop_; });
}

void SerialLink::Run() {
    for (;;) {
        ReaderState state;
        bool notResponding;
        {
            std::lock_guard lock(mutex_);
            if (stop_) return;
            state = state_;
            notResponding = notResponding_;
        }
        if (state == ReaderState::NotConnected || notResponding) {
            Handshake();
            continue;
        }
        const std::uint32_t events = port_.WaitEvent(kEventPoll);
        if ((events & kSerialDsrChanged) != 0 && !surpriseRemoved_) {
            MarkNotResponding();
            continue;
        }
        if ((events & kSerialCharReceived) != 0 || port_.BytesWaiting() > 0) ReadInput();
    }
}

void SerialLink::Handshake() {
    {
        std::lock_guard lock(mutex_);
        FailWrittenLocked();
        state_ = ReaderState::Handshake;
        input_.clear();
    }
    port_.SetRts(true);
    port_.SetWaitMask(0);
    port_.SetDtr(false);
    const bool line = port_.SetLine(kAnnouncementLine);
    port_.Purge();
    port_.SetWaitMask(kSerialCharReceived | kSerialDsrChanged);
    if (!Waiting(timings_.dtrPulse)) return;
    port_.SetDtr(true);

    auto failed = [this] {
        {
            std::lock_guard lock(mutex_);
            if (state_ != ReaderState::Ready) state_ = ReaderState::NotConnected;
            handshakeFailed_ = true;
        }
        changed_.notify_all();
    };
    if (!line) return failed();
    const auto announceBy = Clock::now() + std::chrono::nanoseconds(timings_.announcement);
    while (State() != ReaderState::Announced && Clock::now() < announceBy) {
        {
            std::lock_guard lock(mutex_);
            if (stop_) return;
        }
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(announceBy - Clock::now()).count();
        if (port_.WaitEvent(left > 0 ? left : 0) != 0 || port_.BytesWaiting() > 0) ReadInput();
    }
    if (State() != ReaderState::Announced) return failed();

    if (!port_.SetLine(kSpeedChangeLine)) return failed();
    auto waiter = std::make_shared<Waiter>();
    Enqueue(kSerialSpeedChange, nullptr, 0, waiter);
    const auto speedBy = Clock::now() + std::chrono::nanoseconds(timings_.speedChange);
    while (CommandOutstanding() && Clock::now() < speedBy) {
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(speedBy - Clock::now()).count();
        if (port_.WaitEvent(left > 0 ? left : 0) != 0 || port_.BytesWaiting() > 0) ReadInput();
    }
    bool accepted;
    {
        std::lock_guard lock(mutex_);
        accepted = waiter->done && waiter->success;
    }
    if (!accepted || !port_.SetLine(kCommandLine)) return failed();
    {
        std::lock_guard lock(mutex_);
        notResponding_ = false;
        handshakeFailed_ = false;
        state_ = ReaderState::Ready;
        readyPhase_ = true;
        readyInserted_ = 0;
    }
    if (onReady_) onReady_();
    {
        std::lock_guard lock(mutex_);
        readyPhase_ = false;
        WriteHeadLocked();
    }
    changed_.notify_all();
}

void SerialLink::ReadInput() {
    std::uint8_t bytes[256];
    for (;;) {
        const std::size_t n = port_.Read(bytes, sizeof bytes);
        if (n == 0) return;
        for (std::size_t i = 0; i < n; ++i) {
            const auto c = static_cast<char>(bytes[i]);
            const ReaderState state = State();
            if (state == ReaderState::NotConnected || state == ReaderState::Handshake) ParseAnnouncement(c);
            else ParseAnswer(c);
        }
    }
}

void SerialLink::ParseAnnouncement(char c) {
    if (input_.empty() && c != '(') return; // characters before a frame are dropped
    input_.push_back(c);
    if (input_.size() >= kSerialReceiveBuffer) {
        input_.clear();
        std::lock_guard lock(mutex_);
        state_ = ReaderState::NotConnected;
        return;
    }
    if (c != ')') return;
    const std::string frame = std::move(input_);
    input_.clear();
    // The two characters before ')' are the 8-bit sum of all the others, in hexadecimal.
    bool valid = frame.size() >= 4;
    if (valid) {
        unsigned sum = 0;
        for (std::size_t i = 0; i < frame.size(); ++i)
            if (i != frame.size() - 3 && i != frame.size() - 2) sum += static_cast<unsigned char>(frame[i]);
        const unsigned given = static_cast<unsigned>(HexValue(frame[frame.size() - 3]) * 16 +
                                                     HexValue(frame[frame.size() - 2]));
        valid = (sum & 0xFFu) == given;
    }
    static const std::string kAnnouncement = std::string("(") + '\x01' + "$LXC";
    std::lock_guard lock(mutex_);
    state_ = valid && frame.compare(0, kAnnouncement.size(), kAnnouncement) == 0 ? ReaderState::Announced
                                                                                : ReaderState::NotConnected;
}

void SerialLink::ParseAnswer(char c) {
    Entry head;
    {
        std::lock_guard lock(mutex_);
        if (queue_.empty() || !queue_.front().written) return; // nothing asked: discarded
        if (!IsTerminator(c)) {
            input_.push_back(c);
            if (input_.size() < kSerialReceiveBuffer) return;
            // An answer that never ends: drop the command without a result and start over.
            input_.clear();
            FinishLocked(queue_.front().waiter, false, false);
            queue_.pop_front();
            state_ = ReaderState::NotConnected;
            return;
        }
        head = std::move(queue_.front());
        queue_.pop_front();
        WriteHeadLocked();
    }
    const bool success = c == '>';
    SerialAnswer answer{head.command, {head.frame.begin() + 1, head.frame.end()}, success, std::move(input_)};
    input_.clear();
    if (onAnswer_) onAnswer_(answer);
    std::lock_guard lock(mutex_);
    FinishLocked(head.waiter, success, false);
}

} // namespace lxq::transport
