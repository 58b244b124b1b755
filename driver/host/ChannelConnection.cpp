#include "driver/host/ChannelConnection.h"

#include "platform/sys/DeviceChannel.h"

#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace lxq::host {

namespace wire = plat::sys::wire;

ChannelConnection::~ChannelConnection() {
    Close();
}

void ChannelConnection::Answer(std::uint32_t id, std::uint32_t status, std::uint64_t count, const std::uint8_t* out,
                               std::size_t outLength, int fd) {
    wire::AnswerMessage head{{static_cast<std::uint32_t>(wire::Kind::Answer), id}, status, 0, count};
    // Most answers are small and go at once: they are put together on the stack, and only one
    // that has to wait in the queue is copied to memory of its own.
    constexpr std::size_t kOnStack = 512;
    const std::size_t length = sizeof head + outLength;
    std::uint8_t local[kOnStack];
    std::vector<std::uint8_t> large;
    std::uint8_t* record = local;
    if (length > kOnStack) {
        large.resize(length);
        record = large.data();
    }
    std::memcpy(record, &head, sizeof head);
    if (outLength != 0) std::memcpy(record + sizeof head, out, outLength);
    std::lock_guard lock(mutex_);
    SendLocked(record, length, fd);
}

void ChannelConnection::Notice(wire::NoticeEvent event, const std::string& path) {
    wire::NoticeMessage notice{{static_cast<std::uint32_t>(wire::Kind::Notice), 0}, static_cast<std::uint32_t>(event)};
    std::vector<std::uint8_t> record(sizeof notice + path.size());
    std::memcpy(record.data(), &notice, sizeof notice);
    if (!path.empty()) std::memcpy(record.data() + sizeof notice, path.data(), path.size());
    std::lock_guard lock(mutex_);
    SendLocked(record.data(), record.size(), -1);
}

bool ChannelConnection::TrySendLocked(const std::uint8_t* record, std::size_t length, int fd, bool& full) {
    full = false;
    if (plat::sys::SendRecord(fd_, record, length, fd, false)) return true;
    full = errno == EAGAIN || errno == EWOULDBLOCK;
    return false;
}

void ChannelConnection::SendLocked(const std::uint8_t* record, std::size_t length, int fd) {
    if (closed_ || dropping_) return;
    if (queue_.empty()) {
        bool full = false;
        if (TrySendLocked(record, length, fd, full)) return;
        if (!full) {
            // The client is gone; the loop hears the hang-up and drops the connection.
            dropping_ = true;
            ::shutdown(fd_, SHUT_RDWR);
            return;
        }
    }
    if (queue_.size() >= kMaxQueuedRecords || queuedBytes_ + length > kMaxQueuedBytes) {
        dropping_ = true;
        ::shutdown(fd_, SHUT_RDWR);
        return;
    }
    Queued entry;
    entry.fd = fd >= 0 ? ::fcntl(fd, F_DUPFD_CLOEXEC, 0) : -1;
    queuedBytes_ += length;
    entry.record.assign(record, record + length);
    queue_.push_back(std::move(entry));
    queued_.store(true, std::memory_order_release);
    if (queue_.size() != 1) return;
    if (!owned_) ArmLocked();
    else ArmForRoomLocked();
}

void ChannelConnection::ArmForRoomLocked() {
    // Not for reading: the owner reads, and gives the connection back armed for both.
    epoll_event event{};
    event.events = EPOLLOUT | EPOLLONESHOT;
    event.data.fd = fd_;
    ::epoll_ctl(epollFd_, EPOLL_CTL_MOD, fd_, &event);
}

void ChannelConnection::FlushForOwner() {
    std::lock_guard lock(mutex_);
    if (!owned_ || closed_) return;  // given back meanwhile: armed for both again
    FlushLocked();
    if (!queue_.empty() && !closed_ && !dropping_) ArmForRoomLocked();
}

void ChannelConnection::Flush() {
    std::lock_guard lock(mutex_);
    FlushLocked();
}

void ChannelConnection::FlushLocked() {
    while (!queue_.empty() && !closed_ && !dropping_) {
        Queued& next = queue_.front();
        bool full = false;
        if (!TrySendLocked(next.record.data(), next.record.size(), next.fd, full)) {
            if (full) return;
            dropping_ = true;
            ::shutdown(fd_, SHUT_RDWR);
            break;
        }
        queuedBytes_ -= next.record.size();
        if (next.fd >= 0) ::close(next.fd);
        queue_.pop_front();
    }
    queued_.store(!queue_.empty(), std::memory_order_release);
}

bool ChannelConnection::TryOwn() {
    std::lock_guard lock(mutex_);
    if (owned_ || closed_) return false;
    owned_ = true;
    return true;
}

void ChannelConnection::Release() {
    std::lock_guard lock(mutex_);
    owned_ = false;
    ArmLocked();
}

void ChannelConnection::Arm() {
    std::lock_guard lock(mutex_);
    owned_ = false;
    epoll_event event{};
    event.events = EPOLLIN | EPOLLRDHUP | EPOLLONESHOT | (queue_.empty() ? 0u : EPOLLOUT);
    event.data.fd = fd_;
    ::epoll_ctl(epollFd_, EPOLL_CTL_ADD, fd_, &event);
}

void ChannelConnection::ArmLocked() {
    if (closed_) return;
    epoll_event event{};
    event.events = EPOLLIN | EPOLLRDHUP | EPOLLONESHOT | (queue_.empty() ? 0u : EPOLLOUT);
    event.data.fd = fd_;
    ::epoll_ctl(epollFd_, EPOLL_CTL_MOD, fd_, &event);
}

void ChannelConnection::Disconnect() {
    std::lock_guard lock(mutex_);
    if (closed_) return;
    dropping_ = true;
    ::shutdown(fd_, SHUT_RDWR);
}

void ChannelConnection::Close() {
    std::lock_guard lock(mutex_);
    if (closed_) return;
    closed_ = true;
    ::epoll_ctl(epollFd_, EPOLL_CTL_DEL, fd_, nullptr);
    ::close(fd_);
    for (Queued& entry : queue_)
        if (entry.fd >= 0) ::close(entry.fd);
    queue_.clear();
    queuedBytes_ = 0;
    queued_.store(false, std::memory_order_release);
}

void ChannelConnection::Track(const RequestPtr& request) {
    Unanswered();  // those answered meanwhile go first, or a client whose every request waits would grow the list
    live_.push_back(request);
}

std::size_t ChannelConnection::Unanswered() {
    if (live_.empty()) return 0;  // nearly always: requests are answered before their dispatch returns
    std::erase_if(live_, [](const std::weak_ptr<IoRequest>& weak) {
        const RequestPtr request = weak.lock();
        return !request || request->IsCompleted();
    });
    return live_.size();
}

void ChannelConnection::MarkLiveCancelled() {
    for (auto& weak : live_)
        if (auto request = weak.lock()) request->MarkCancelled();
}

} // namespace lxq::host
