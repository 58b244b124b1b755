#include "driver/host/ChannelServer.h"

#include "driver/host/BusCommand.h"
#include "driver/host/Dispatcher.h"
#include "platform/sys/DeviceChannel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <span>
#include <system_error>

namespace lxq::host {

namespace wire = plat::sys::wire;

namespace {

constexpr std::uint32_t kStatusAccessDenied = 0xC0000022;
// How long the loops stop accepting when the process is out of descriptors.
constexpr auto kAcceptBackOff = std::chrono::milliseconds(100);
// Records a loop serves one client before it gives the connection back to the epoll set (and
// another loop may take it up at once) when no other loop waits: no client holds a loop for good
// while others wait for one. While a spare loop waits, the client keeps its loop: a new one would
// cost it the pairing the scheduler has learnt (see kLinger).
constexpr int kRecordsPerTurn = 4096;
// How long a loop waits for a served client's next record before it gives the connection back:
// long enough that a client pausing between bursts (a panel that polls a few times a second)
// finds the same loop waiting. A client whose loop changed from burst to burst pays far more than
// the new loop's wake-up: the scheduler no longer keeps the two on one core, and every round trip
// after becomes a wake-up across cores until it has learnt the new pair again.
//
// Only for a client that has asked a good many times already: the many short-lived connections
// of programs starting together (a few requests each, then closed) get a step, so that they do
// not hold a loop each for the whole linger and drive the host to its bound of loops.
//
// The loop waits in one blocking read for the whole linger (the socket's receive time-out, set
// once the client has asked that often): a client that keeps asking is read as cheaply as a round
// trip gets, and a panel that asks every 20 ms keeps its loop without waking the host between its
// requests. A stop shuts the sockets' reading down, which ends the read at once; an answer that
// has to queue meanwhile is written by whichever loop hears the socket has room.
constexpr auto kLinger = std::chrono::milliseconds(250);
constexpr std::uint64_t kRecordsBeforeLinger = 64;
// The short linger, of a client that has asked only a few times: the socket's receive time-out
// until then.
constexpr auto kLingerStep = std::chrono::microseconds(2000);
// How long a spare loop waits for work before it ends.
constexpr auto kSpareLoopLife = std::chrono::milliseconds(1000);
constexpr std::size_t kMaxPassedFds = 16;

template <typename T>
T Read(std::span<const std::uint8_t> record) {
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

// A control request from a client: whom to answer, and whether the host counts it among its
// outstanding requests, and its process's (only while one is held past its dispatch). One object
// serves a loop's requests one after another while nobody else holds it (see ReuseForControl).
struct ChannelRequest : IoRequest {
    ChannelRequest() : IoRequest(RequestKind::DeviceControl, &ChannelRequest::Answered) {}
    ~ChannelRequest() { Uncount(); }

    void CountIn(std::atomic<std::size_t>& count, ProcessShares::SharePtr process) {
        countedIn = &count;
        countedIn->fetch_add(1);
        share = std::move(process);
        if (share) share->held.fetch_add(1);
    }
    void Uncount() {
        if (countedIn != nullptr) countedIn->fetch_sub(1);
        countedIn = nullptr;
        if (share) share->held.fetch_sub(1);
        share.reset();
    }

    static void Answered(IoRequest& done) {
        auto& request = static_cast<ChannelRequest&>(done);
        if (const ConnectionPtr target = request.connection.lock()) {
            std::size_t outBytes = 0;
            if (TransferMethod(done.code) == kMethodBuffered && IsSuccess(done.Status()))
                outBytes = std::min<std::uint64_t>({done.Information(), done.outLength, done.buffer.size()});
            target->Answer(request.id, done.Status(), done.Information(), done.buffer.data(), outBytes, done.replyFd);
        }
        // The completing thread's last touch: a loop that sees it may reuse the object.
        request.answered.store(true, std::memory_order_release);
    }

    std::weak_ptr<ChannelConnection> connection;
    std::uint32_t id = 0;
    std::atomic<bool> answered{false};
    std::atomic<std::size_t>* countedIn = nullptr;
    ProcessShares::SharePtr share;
};

// A spare request whose buffer grew beyond this is let go rather than kept.
constexpr std::size_t kMaxSpareBuffer = 4096;

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
    listenName_ = plat::sys::DeviceChannelName();
    const int fd = plat::sys::ListenOnChannel(listenName_, SOMAXCONN, true, &listenRefusal_);
    if (fd < 0) return false;
    listenFd_ = fd;
    epollFd_ = ::epoll_create1(EPOLL_CLOEXEC);
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    Watch(epollFd_, listenFd_, EPOLLIN, EPOLL_CTL_ADD);
    Watch(epollFd_, wakeFd_, EPOLLIN, EPOLL_CTL_ADD);
    if (admittedUid_ == static_cast<uid_t>(-1)) admittedUid_ = ::geteuid();
    busQueue_ = std::make_unique<WorkQueue>();
    stopping_ = false;
    acceptPaused_ = false;
    std::lock_guard lock(loopsMutex_);
    ++loops_;
    loopThreads_.emplace_back([this] { Loop(true); });
    return true;
}

void ChannelServer::Stop() {
    if (listenFd_ < 0) return;
    stopping_ = true;
    // The wake stays readable, so every loop waiting sees it; a loop lingering with a client in
    // a blocking read is ended by the socket's reading shut down (the client is about to be
    // dropped anyway).
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
    {
        std::lock_guard lock(connectionsMutex_);
        for (auto& [fd, connection] : connections_) ::shutdown(fd, SHUT_RD);
    }
    for (;;) {
        std::thread loop;
        {
            std::lock_guard lock(loopsMutex_);
            if (loopThreads_.empty()) break;
            loop = std::move(loopThreads_.front());
            loopThreads_.pop_front();
        }
        if (loop.joinable()) loop.join();
    }
    finishedLoops_.clear();
    loops_ = 0;
    // No new client can come: close the listener (and remove its address) before the handles'
    // cleanup runs.
    plat::sys::CloseChannelListener(listenFd_, listenName_);
    listenFd_ = -1;
    std::vector<ConnectionPtr> remaining;
    {
        std::lock_guard lock(connectionsMutex_);
        for (auto& [fd, connection] : connections_) remaining.push_back(connection);
    }
    for (auto& connection : remaining) Drop(connection);
    busQueue_.reset();
    ::close(epollFd_);
    ::close(wakeFd_);
    epollFd_ = wakeFd_ = -1;
}

void ChannelServer::AddLoopIfNoneWaits() {
    if (waiting_.load() != 0 || loops_.load() >= kMaxLoops || stopping_) return;
    std::lock_guard lock(loopsMutex_);
    if (waiting_.load() != 0 || loops_.load() >= kMaxLoops) return;
    JoinFinishedLoops();
    try {
        ++loops_;
        ++waiting_;  // counted as waiting from now, so that the next loop to look starts no other
        loopThreads_.emplace_back([this] {
            --waiting_;
            Loop(false);
        });
    } catch (const std::system_error&) {
        --loops_;
        --waiting_;
        log_.Write("no thread", "lxq745d: no thread for another event loop; the running ones serve on");
    }
}

void ChannelServer::JoinFinishedLoops() {
    // Under loopsMutex_: the loops that ended have left their thread function, or are about to.
    for (const std::thread::id id : finishedLoops_) {
        for (auto it = loopThreads_.begin(); it != loopThreads_.end(); ++it) {
            if (it->get_id() != id) continue;
            it->join();
            loopThreads_.erase(it);
            break;
        }
    }
    finishedLoops_.clear();
}

void ChannelServer::Loop(bool first) {
    LoopState state;
    state.scratch.resize(wire::kMaxMessage);
    // One event at a time: a loop that stays with a client must not sit on events others could take.
    epoll_event events[1];
    while (!stopping_) {
        int timeout = first ? -1 : static_cast<int>(kSpareLoopLife.count());
        if (acceptPaused_) {
            std::lock_guard lock(acceptMutex_);
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(acceptAgainAt_ -
                                                                                    std::chrono::steady_clock::now());
            const int wait = static_cast<int>(std::max<long long>(0, left.count()));
            timeout = timeout < 0 ? wait : std::min(timeout, wait);
        }
        ++waiting_;
        const int count = ::epoll_wait(epollFd_, events, 1, timeout);
        --waiting_;
        if (acceptPaused_) {
            std::lock_guard lock(acceptMutex_);
            if (acceptPaused_ && std::chrono::steady_clock::now() >= acceptAgainAt_) {
                acceptPaused_ = false;
                Watch(epollFd_, listenFd_, EPOLLIN, EPOLL_CTL_MOD);
            }
        }
        if (count == 0 && !first && !acceptPaused_) {
            // A spare loop with nothing to do for a while ends: idle connections hold no thread.
            // Not the last one waiting, though: the others may each be staying with a client
            // that keeps asking, and a newcomer would find nobody to take it until one gave up.
            std::lock_guard lock(loopsMutex_);
            if (loops_.load() > 1 && waiting_.load() > 0) {
                --loops_;
                finishedLoops_.push_back(std::this_thread::get_id());
                return;
            }
        }
        for (int i = 0; i < count && !stopping_; ++i) {
            const int fd = events[i].data.fd;
            if (fd == wakeFd_) continue;
            if (fd == listenFd_) {
                AcceptAll();
                continue;
            }
            const ConnectionPtr connection = Find(fd);
            if (!connection) continue;
            if (!connection->TryOwn()) {
                // Served by a loop that lingers with it: only its queued answers are for us to write.
                // (Or taken by another loop after an answer armed it again: that loop serves it.)
                if ((events[i].events & EPOLLOUT) != 0) connection->FlushForOwner();
                continue;
            }
            AddLoopIfNoneWaits();
            if ((events[i].events & EPOLLOUT) != 0) connection->Flush();
            if (Receive(connection, state)) connection->Release();
        }
    }
}

ConnectionPtr ChannelServer::Find(int fd) {
    std::lock_guard lock(connectionsMutex_);
    auto found = connections_.find(fd);
    return found == connections_.end() ? nullptr : found->second;
}

void ChannelServer::AcceptAll() {
    for (;;) {
        // Blocking sockets: a loop that serves a client waits for its next record in recvmsg,
        // a step of the linger at a time; everything else reads and writes without waiting.
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                // The waiting clients stay queued; the loop comes back for them shortly.
                log_.Write("out of descriptors", std::string("lxq745d: out of descriptors (") + std::strerror(errno) +
                                                     "); accepting again shortly");
                std::lock_guard lock(acceptMutex_);
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
            log_.Write("refused a connection", "lxq745d: refused a connection from uid " +
                                                   std::to_string(credentials.uid) + " (process " +
                                                   std::to_string(credentials.pid) + ")");
            Refuse(fd, credentials.pid, kStatusAccessDenied, "the driver host admits only its own user and root");
            continue;
        }
        if (connectionCount_ >= limit_) {
            if (!refusingForLimit_.exchange(true))
                log_.Write("refusing connections",
                           "lxq745d: refusing connections: " + std::to_string(connectionCount_.load()) + " are open");
            Refuse(fd, credentials.pid, kStatusInsufficientResources, "the driver host has too many connections open");
            continue;
        }
        refusingForLimit_ = false;
        const timeval step{0, static_cast<suseconds_t>(kLingerStep.count())};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &step, sizeof step);
        auto connection = std::make_shared<ChannelConnection>(fd, epollFd_, credentials.pid, nextHandle_++);
        {
            std::lock_guard lock(connectionsMutex_);
            connections_[fd] = connection;
        }
        ++connectionCount_;
        connection->Arm();
    }
}

void ChannelServer::Refuse(int fd, pid_t peer, std::uint32_t status, const std::string& reply) {
    if (refusing_.load() >= kMaxRefusing) {
        ::close(fd);
        return;
    }
    // Non-blocking: nobody lingers on a refused caller.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    // Closing at once could lose the answer (a socket closed with the client's request unread
    // resets the client's side): the refusal answers the request, then the host hangs up.
    auto connection = std::make_shared<ChannelConnection>(fd, epollFd_, peer, 0);
    connection->role = ChannelConnection::Role::Refused;
    connection->refusal = status;
    connection->refusalText = reply;
    {
        std::lock_guard lock(connectionsMutex_);
        connections_[fd] = connection;
    }
    ++refusing_;
    connection->Arm();
}

bool ChannelServer::Receive(const ConnectionPtr& connection, LoopState& loop) {
    std::vector<std::uint8_t>& scratch = loop.scratch;
    const int fd = connection->Fd();
    for (int turn = 0; !stopping_;) {
        if (turn >= kRecordsPerTurn && waiting_.load() != 0) turn = 1;
        // The first read takes what is there; once that is served, the loop waits for the next
        // record (for the linger) while it still has a spare loop behind it, the socket has no
        // backlog of answers and the client is served within its turn.
        const bool linger = turn > 0 && turn < kRecordsPerTurn && loops_.load() < kMaxLoops &&
                            connection->role == ChannelConnection::Role::Handle && !connection->HasQueued();
        if (linger && !connection->lingersLong && connection->recordsRead >= kRecordsBeforeLinger) {
            // Once per connection: from now on a blocking read waits for the whole linger.
            const timeval wait{static_cast<time_t>(kLinger.count() / 1000),
                               static_cast<suseconds_t>(kLinger.count() % 1000 * 1000)};
            ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
            connection->lingersLong = true;
        }
        iovec iov{scratch.data(), scratch.size()};
        msghdr message{};
        message.msg_iov = &iov;
        message.msg_iovlen = 1;
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * kMaxPassedFds)] = {};
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        ssize_t received;
        do {
            received = ::recvmsg(fd, &message, MSG_CMSG_CLOEXEC | (linger ? 0 : MSG_DONTWAIT));
        } while (received < 0 && errno == EINTR && !stopping_);
        if (received < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                Drop(connection);
                return false;
            }
            // Nothing more now (the linger ran out): the connection goes back to the epoll set.
            return true;
        }
        ++turn;
        ++connection->recordsRead;
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
                return false;
            }
            continue;
        }
        const auto length = std::min<std::size_t>(static_cast<std::size_t>(received), scratch.size());
        // Served from the loop's own buffer: what a request keeps, it copies.
        const std::span<const std::uint8_t> record(scratch.data(), length);
        if (length < sizeof(wire::WireHeader) || truncated) {
            // Too short to say what it is, or longer than any record may be: nothing of it is
            // acted on, and the client hears why when it said who it is.
            if (passedFd >= 0) ::close(passedFd);
            if (length >= sizeof(wire::WireHeader))
                connection->Answer(Read<wire::WireHeader>(record).id, wire::kStatusInvalidParameter, 0);
            continue;
        }
        Serve(loop, connection, record, passedFd);
    }
    return true;
}

void ChannelServer::Drop(const ConnectionPtr& connection) {
    {
        std::lock_guard lock(connectionsMutex_);
        auto found = connections_.find(connection->Fd());
        if (found == connections_.end() || found->second != connection) return;
        connections_.erase(found);
    }
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
    if (connection->role != ChannelConnection::Role::Handle || !connection->device || !connection->opened) return;
    // The handle is gone: cancel what it left held, then close it. Its requests ran on this
    // thread before, so the close comes after all of them.
    for (RequestKind kind : {RequestKind::Cleanup, RequestKind::Close}) {
        auto request = std::make_shared<IoRequest>(kind, nullptr);
        request->caller = connection->Peer();
        request->handle = connection->Handle();
        Dispatcher::Dispatch(connection->device, request);
    }
}

void ChannelServer::Serve(LoopState& loop, const ConnectionPtr& connection, std::span<const std::uint8_t> record,
                          int passedFd) {
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
            ServeControl(loop, connection, record, passedFd);
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
    connection->role = ChannelConnection::Role::Handle;
    connection->device = device;
    auto create = std::make_shared<IoRequest>(RequestKind::Create, nullptr);
    create->caller = connection->Peer();
    create->handle = connection->Handle();
    Dispatcher::Dispatch(device, create);
    if (IsSuccess(create->Status())) connection->opened = true;
    connection->Answer(id, create->Status(), 0);
}

void ChannelServer::ServeControl(LoopState& loop, const ConnectionPtr& connection,
                                 std::span<const std::uint8_t> record, int passedFd) {
    const auto message = Read<wire::ControlMessage>(record);
    const std::size_t carried = record.size() < sizeof message ? 0 : record.size() - sizeof message;
    const bool buffered = TransferMethod(message.code) == kMethodBuffered;
    const std::uint32_t id = message.header.id;
    if (record.size() < sizeof message || carried != message.inLength ||
        (buffered && message.outLength > wire::kMaxOutput)) {
        if (passedFd >= 0) ::close(passedFd);
        connection->Answer(id, kStatusInvalidParameter, 0);
        return;
    }
    if (OverLimit(connection)) {
        // A client that piles up requests (held while a receiver sleeps) is refused more of them,
        // instead of the host's memory filling with their buffers, and with a status that says
        // why: the limit, not the driver or the receiver.
        if (passedFd >= 0) ::close(passedFd);
        log_.Write("too many requests", "lxq745d: refused a request of process " +
                                            std::to_string(connection->Peer()) + ": too many outstanding");
        connection->Answer(id, wire::kStatusTooManyRequests, 0);
        return;
    }
    if (!connection->opened) {
        if (passedFd >= 0) ::close(passedFd);
        connection->Answer(id, wire::kStatusInvalidHandle, 0);
        return;
    }
    RequestPtr request = loop.spare ? std::move(loop.spare) : std::make_shared<ChannelRequest>();
    request->ReuseForControl(message.code, record.data() + sizeof message, message.inLength, message.outLength,
                             message.inPointerValue);
    auto& channel = static_cast<ChannelRequest&>(*request);
    channel.connection = connection;
    channel.id = id;
    channel.answered.store(false, std::memory_order_relaxed);
    request->passedFd = passedFd;
    request->caller = connection->Peer();
    request->handle = connection->Handle();
    Dispatcher::Dispatch(connection->device, request);
    if (!channel.answered.load(std::memory_order_acquire)) {
        // Held (or still being answered elsewhere): counted until it goes, and reachable by a cancel.
        if (!connection->share) connection->share = shares_.For(connection->Peer());
        channel.CountIn(outstanding_, connection->share);
        connection->Track(request);
        return;
    }
    // Answered, and nobody else holds it: the loop's next request travels in it.
    if (request.use_count() == 1 && request->buffer.capacity() <= kMaxSpareBuffer) {
        channel.connection.reset();
        // Descriptors go with their request, not with the spare.
        for (int* fd : {&request->passedFd, &request->replyFd}) {
            if (*fd >= 0) ::close(*fd);
            *fd = -1;
        }
        loop.spare = std::move(request);
    }
}

bool ChannelServer::OverLimit(const ConnectionPtr& connection) {
    const std::size_t held = outstanding_.load();
    if (held >= outstandingLimit_) return true;
    // Nearly always nothing is held, and no limit is near: the connection's own count is looked
    // at only when something is, and its process's only when the host holds as many as a share.
    if (held == 0) return false;
    if (connection->Unanswered() >= kMaxOutstandingPerConnection) return true;
    // Connections of one process on other loops may count in meanwhile: the share can be passed
    // by a request for each loop, no more.
    if (held < processShare_) return false;
    if (!connection->share) connection->share = shares_.For(connection->Peer());
    return connection->share->held.load() >= processShare_;
}

void ChannelServer::ServeCancel(const ConnectionPtr& connection) {
    connection->MarkLiveCancelled();
    if (connection->device) connection->device->Pending().CancelHandle(connection->Handle());
}

} // namespace lxq::host
