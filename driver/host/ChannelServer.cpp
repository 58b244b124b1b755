#include "driver/host/ChannelServer.h"

#include "driver/host/BusCommand.h"
#include "driver/host/Dispatcher.h"
#include "platform/sys/DeviceChannel.h"

#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace lxq::host {

namespace wire = plat::sys::wire;

namespace {

constexpr std::uint32_t kStatusAccessDenied = 0xC0000022;
// How long the loop stops accepting when the process is out of descriptors.
constexpr auto kAcceptBackOff = std::chrono::milliseconds(100);
// Records taken from one connection before the loop turns to the others.
constexpr int kRecordsPerTurn = 32;
constexpr std::size_t kMaxPassedFds = 16;

template <typename T>
T Read(const std::vector<std::uint8_t>& record) {
    T value{};
    std::memcpy(&value, record.data(), std::min(sizeof value, record.size()));
    return value;
}

void Watch(int epollFd, int fd, std::uint32_t events, int op) {
    epoll_event event{};
    event.events = events;
    event.data.fd = fd;
    ::epoll_ctl(epollFd, op, fd, &event);
}

wire::NoticeEvent NoticeFor(Bus::Event event) {
    switch (event) {
    case Bus::Event::Arrived: return wire::NoticeEvent::Arrived;
    case Bus::Event::Removed: return wire::NoticeEvent::Removed;
    case Bus::Event::SystemSleep: return wire::NoticeEvent::SystemSleep;
    case Bus::Event::SystemWake: return wire::NoticeEvent::SystemWake;
    }
    return wire::NoticeEvent::Removed;
}

} // namespace

bool ChannelServer::Start() {
    Stop();
    const int fd = plat::sys::ListenOnChannel(plat::sys::DeviceChannelAddress(), SOMAXCONN, true);
    if (fd < 0) return false;
    listenFd_ = fd;
    epollFd_ = ::epoll_create1(EPOLL_CLOEXEC);
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    Watch(epollFd_, listenFd_, EPOLLIN, EPOLL_CTL_ADD);
    Watch(epollFd_, wakeFd_, EPOLLIN, EPOLL_CTL_ADD);
    if (admittedUid_ == static_cast<uid_t>(-1)) admittedUid_ = ::geteuid();
    busQueue_ = std::make_unique<WorkQueue>();
    scratch_.resize(wire::kMaxMessage);
    stopping_ = false;
    acceptPaused_ = false;
    loop_ = std::thread([this] { Loop(); });
    return true;
}

void ChannelServer::Stop() {
    if (listenFd_ < 0) return;
    stopping_ = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
    if (loop_.joinable()) loop_.join();
    // No new client can come: close the listener before the handles' cleanup runs.
    ::close(listenFd_);
    listenFd_ = -1;
    std::vector<ConnectionPtr> remaining;
    for (auto& [fd, connection] : connections_) remaining.push_back(connection);
    for (auto& connection : remaining) Drop(connection);
    deviceQueues_.clear();  // waits for each receiver's work, the handles' close last
    busQueue_.reset();
    ::close(epollFd_);
    ::close(wakeFd_);
    epollFd_ = wakeFd_ = -1;
}

void ChannelServer::Loop() {
    epoll_event events[64];
    while (!stopping_) {
        int timeout = -1;
        if (acceptPaused_) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(acceptAgainAt_ -
                                                                                    std::chrono::steady_clock::now());
            timeout = static_cast<int>(std::max<long long>(0, left.count()));
        }
        const int count = ::epoll_wait(epollFd_, events, 64, timeout);
        if (acceptPaused_ && std::chrono::steady_clock::now() >= acceptAgainAt_) {
            acceptPaused_ = false;
            Watch(epollFd_, listenFd_, EPOLLIN, EPOLL_CTL_MOD);
        }
        for (int i = 0; i < count && !stopping_; ++i) {
            const int fd = events[i].data.fd;
            if (fd == wakeFd_) {
                std::uint64_t value;
                [[maybe_unused]] const ssize_t got = ::read(wakeFd_, &value, sizeof value);
                continue;
            }
            if (fd == listenFd_) {
                AcceptAll();
                continue;
            }
            auto found = connections_.find(fd);
            if (found == connections_.end()) continue;  // dropped earlier in this turn
            const ConnectionPtr connection = found->second;
            if ((events[i].events & EPOLLOUT) != 0) connection->Flush();
            if ((events[i].events & (EPOLLIN | EPOLLHUP | EPOLLERR | EPOLLRDHUP)) != 0) Receive(connection);
        }
    }
}

void ChannelServer::AcceptAll() {
    for (;;) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                // The waiting clients stay queued; the loop comes back for them shortly.
                std::fprintf(stderr, "lxq745d: out of descriptors (%s); accepting again shortly\n", std::strerror(errno));
                acceptPaused_ = true;
                acceptAgainAt_ = std::chrono::steady_clock::now() + kAcceptBackOff;
                Watch(epollFd_, listenFd_, 0, EPOLL_CTL_MOD);
            }
            return;
        }
        ucred credentials{};
        socklen_t length = sizeof credentials;
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) < 0) {
            ::close(fd);
            continue;
        }
        if (credentials.uid != 0 && credentials.uid != admittedUid_) {
            std::fprintf(stderr, "lxq745d: refused a connection from uid %u (process %d)\n",
                         static_cast<unsigned>(credentials.uid), static_cast<int>(credentials.pid));
            Refuse(fd, credentials.pid, kStatusAccessDenied, "the driver host admits only its own user and root");
            continue;
        }
        if (connectionCount_ >= limit_) {
            if (!refusingForLimit_)
                std::fprintf(stderr, "lxq745d: refusing connections: %zu are open\n", connectionCount_.load());
            refusingForLimit_ = true;
            Refuse(fd, credentials.pid, kStatusInsufficientResources, "the driver host has too many connections open");
            continue;
        }
        refusingForLimit_ = false;
        auto connection = std::make_shared<ChannelConnection>(fd, epollFd_, credentials.pid, nextHandle_++);
        connections_[fd] = connection;
        ++connectionCount_;
        Watch(epollFd_, fd, EPOLLIN | EPOLLRDHUP, EPOLL_CTL_ADD);
        PruneQueues();
    }
}

void ChannelServer::Refuse(int fd, pid_t peer, std::uint32_t status, const std::string& reply) {
    if (refusing_ >= kMaxRefusing) {
        ::close(fd);
        return;
    }
    // Closing at once could lose the answer (a socket closed with the client's request unread
    // resets the client's side): the refusal answers the request, then the host hangs up.
    auto connection = std::make_shared<ChannelConnection>(fd, epollFd_, peer, 0);
    connection->role = ChannelConnection::Role::Refused;
    connection->refusal = status;
    connection->refusalText = reply;
    connections_[fd] = connection;
    ++refusing_;
    Watch(epollFd_, fd, EPOLLIN | EPOLLRDHUP, EPOLL_CTL_ADD);
}

void ChannelServer::Receive(const ConnectionPtr& connection) {
    const int fd = connection->Fd();
    for (int turn = 0; turn < kRecordsPerTurn; ++turn) {
        iovec iov{scratch_.data(), scratch_.size()};
        msghdr message{};
        message.msg_iov = &iov;
        message.msg_iovlen = 1;
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * kMaxPassedFds)] = {};
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        ssize_t received;
        do {
            received = ::recvmsg(fd, &message, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
        } while (received < 0 && errno == EINTR);
        if (received < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK) Drop(connection);
            return;
        }
        // One descriptor may come with a request; any more are not ours to keep.
        int passedFd = -1;
        for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr; header = CMSG_NXTHDR(&message, header)) {
            if (header->cmsg_level != SOL_SOCKET || header->cmsg_type != SCM_RIGHTS) continue;
            const std::size_t fds = (header->cmsg_len - CMSG_LEN(0)) / sizeof(int);
            for (std::size_t k = 0; k < fds; ++k) {
                int passed;
                std::memcpy(&passed, CMSG_DATA(header) + k * sizeof(int), sizeof(int));
                if (passedFd < 0) passedFd = passed;
                else ::close(passed);
            }
        }
        const bool truncated = (message.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) != 0;
        if (received == 0 && !truncated) {
            // An empty record and the end of the connection read alike; the hang-up tells them apart.
            if (passedFd >= 0) ::close(passedFd);
            pollfd probe{fd, POLLRDHUP, 0};
            if (::poll(&probe, 1, 0) != 0 && (probe.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0) {
                Drop(connection);
                return;
            }
            continue;
        }
        const auto length = std::min<std::size_t>(static_cast<std::size_t>(received), scratch_.size());
        std::vector<std::uint8_t> record(scratch_.begin(), scratch_.begin() + static_cast<std::ptrdiff_t>(length));
        if (length < sizeof(wire::WireHeader) || truncated) {
            // Too short to say what it is, or longer than any record may be: nothing of it is
            // acted on, and the client hears why when it said who it is.
            if (passedFd >= 0) ::close(passedFd);
            if (length >= sizeof(wire::WireHeader))
                connection->Answer(Read<wire::WireHeader>(record).id, wire::kStatusInvalidParameter, 0);
            continue;
        }
        Serve(connection, record, passedFd);
        auto still = connections_.find(fd);
        if (still == connections_.end() || still->second != connection) return;
    }
}

void ChannelServer::Drop(const ConnectionPtr& connection) {
    auto found = connections_.find(connection->Fd());
    if (found == connections_.end() || found->second != connection) return;
    connections_.erase(found);
    connection->Close();
    if (connection->role == ChannelConnection::Role::Refused) {
        --refusing_;
        return;
    }
    --connectionCount_;
    if (connection->role == ChannelConnection::Role::Subscriber) {
        bus_.Unsubscribe(connection->subscription);
        return;
    }
    if (connection->role != ChannelConnection::Role::Handle || !connection->device) return;
    // The handle is gone: cancel what it left held, then close it, after the work it queued.
    DevicePtr device = connection->device;
    auto close = [connection, device] {
        if (!connection->opened) return;
        for (RequestKind kind : {RequestKind::Cleanup, RequestKind::Close}) {
            auto request = std::make_shared<IoRequest>(kind, nullptr);
            request->caller = connection->Peer();
            request->handle = connection->Handle();
            Dispatcher::Dispatch(device, request);
        }
    };
    WorkQueue* queue = QueueFor(device);
    if (queue == nullptr || !queue->Post(close)) close();
}

void ChannelServer::Serve(const ConnectionPtr& connection, const std::vector<std::uint8_t>& record, int passedFd) {
    const auto header = Read<wire::WireHeader>(record);
    const auto kind = static_cast<wire::Kind>(header.kind);
    using Role = ChannelConnection::Role;
    if (connection->role == Role::Refused) {
        if (passedFd >= 0) ::close(passedFd);
        const std::string& text = connection->refusalText;
        connection->Answer(header.id, connection->refusal, 0, reinterpret_cast<const std::uint8_t*>(text.data()),
                           text.size());
        connection->Disconnect();
        return;
    }
    if (connection->role == Role::Handle) {
        if (kind == wire::Kind::Control) {
            ServeControl(connection, record, passedFd);
            return;
        }
        if (passedFd >= 0) ::close(passedFd);
        if (kind == wire::Kind::Cancel) ServeCancel(connection);
        else connection->Answer(header.id, wire::kStatusInvalidParameter, 0);
        return;
    }
    if (passedFd >= 0) ::close(passedFd);
    if (connection->role == Role::Subscriber) return;  // a subscriber only listens
    const std::string tail(record.begin() + sizeof header, record.end());
    switch (kind) {
    case wire::Kind::Open: ServeHandle(connection, tail, header.id); return;
    case wire::Kind::Subscribe:
        ServeSubscriber(connection, header.id, Read<wire::SubscribeMessage>(record).flags);
        return;
    case wire::Kind::List: {
        connection->role = Role::Query;
        std::string paths;
        for (const auto& path : bus_.PresentPaths()) paths += path + '\0';
        connection->Answer(header.id, wire::kStatusSuccess, 0, reinterpret_cast<const std::uint8_t*>(paths.data()),
                           paths.size());
        return;
    }
    case wire::Kind::BusCommand: ServeBusCommand(connection, tail, header.id); return;
    case wire::Kind::Cancel: return;  // nothing is held for a connection that opened nothing
    case wire::Kind::Control: connection->Answer(header.id, wire::kStatusInvalidHandle, 0); return;
    default: connection->Answer(header.id, wire::kStatusInvalidParameter, 0); return;
    }
}

void ChannelServer::ServeBusCommand(const ConnectionPtr& connection, const std::string& line, std::uint32_t id) {
    connection->role = ChannelConnection::Role::Query;
    Bus& bus = bus_;
    const bool posted = busQueue_->Post([&bus, connection, line, id] {
        std::string reply;
        const NtStatus status = BusCommand::Run(bus, line, reply);
        connection->Answer(id, status, 0, reinterpret_cast<const std::uint8_t*>(reply.data()), reply.size());
    });
    if (!posted) connection->Answer(id, kStatusInsufficientResources, 0);
}

void ChannelServer::ServeSubscriber(const ConnectionPtr& connection, std::uint32_t id, std::uint32_t flags) {
    connection->role = ChannelConnection::Role::Subscriber;
    std::weak_ptr<ChannelConnection> weak = connection;
    connection->subscription = bus_.Subscribe(
        [weak](Bus::Event event, const std::string& path) {
            if (auto target = weak.lock()) target->Notice(NoticeFor(event), path);
        },
        (flags & wire::kSubscribeReplayPresent) != 0, [&] { connection->Answer(id, wire::kStatusSuccess, 0); });
}

void ChannelServer::ServeHandle(const ConnectionPtr& connection, const std::string& path, std::uint32_t id) {
    const DevicePtr device = path.size() <= wire::kMaxPath ? bus_.Find(path) : nullptr;
    if (!device) {
        connection->Answer(id, wire::kStatusNoSuchDevice, 0);
        return;
    }
    WorkQueue* queue = QueueFor(device);
    connection->role = ChannelConnection::Role::Handle;
    connection->device = device;
    const bool posted = queue != nullptr && queue->Post([connection, device, id] {
        auto create = std::make_shared<IoRequest>(RequestKind::Create, nullptr);
        create->caller = connection->Peer();
        create->handle = connection->Handle();
        Dispatcher::Dispatch(device, create);
        if (IsSuccess(create->Status())) connection->opened = true;
        connection->Answer(id, create->Status(), 0);
    });
    if (!posted) connection->Answer(id, kStatusInsufficientResources, 0);
}

void ChannelServer::ServeControl(const ConnectionPtr& connection, const std::vector<std::uint8_t>& record,
                                 int passedFd) {
    const auto message = Read<wire::ControlMessage>(record);
    const std::size_t carried = record.size() < sizeof message ? 0 : record.size() - sizeof message;
    const bool buffered = TransferMethod(message.code) == kMethodBuffered;
    if (record.size() < sizeof message || carried != message.inLength ||
        (buffered && message.outLength > wire::kMaxOutput)) {
        if (passedFd >= 0) ::close(passedFd);
        connection->Answer(message.header.id, kStatusInvalidParameter, 0);
        return;
    }
    std::weak_ptr<ChannelConnection> weak = connection;
    const std::uint32_t id = message.header.id;
    auto request = IoRequest::Control(
        message.code, record.data() + sizeof message, message.inLength, message.outLength, message.inPointerValue,
        [weak, id, buffered](IoRequest& done) {
            auto target = weak.lock();
            if (!target) return;
            std::size_t outBytes = 0;
            if (buffered && IsSuccess(done.Status()))
                outBytes = std::min<std::uint64_t>({done.Information(), done.outLength, done.buffer.size()});
            target->Answer(id, done.Status(), done.Information(), done.buffer.data(), outBytes, done.replyFd);
        });
    request->passedFd = passedFd;
    request->caller = connection->Peer();
    request->handle = connection->Handle();
    connection->Track(request);
    const DevicePtr device = connection->device;
    WorkQueue* queue = QueueFor(device);
    const bool posted = queue != nullptr && queue->Post([connection, device, request] {
        if (!connection->opened) {
            request->Complete(wire::kStatusInvalidHandle);
            return;
        }
        Dispatcher::Dispatch(device, request);
    });
    if (!posted) request->Complete(kStatusInsufficientResources);
}

void ChannelServer::ServeCancel(const ConnectionPtr& connection) {
    connection->MarkLiveCancelled();
    if (connection->device) connection->device->Pending().CancelHandle(connection->Handle());
}

WorkQueue* ChannelServer::QueueFor(const DevicePtr& device) {
    if (!device) return nullptr;
    auto& slot = deviceQueues_[device.get()];
    if (!slot.second) slot = {device, std::make_unique<WorkQueue>()};
    return slot.second.get();
}

void ChannelServer::PruneQueues() {
    // A receiver that is gone and has nothing queued needs its queue no more. Only the loop posts,
    // so an idle queue stays idle while it is destroyed.
    for (auto it = deviceQueues_.begin(); it != deviceQueues_.end();) {
        if (it->second.first->IsGone() && !it->second.second->Busy()) it = deviceQueues_.erase(it);
        else ++it;
    }
}

} // namespace lxq::host
