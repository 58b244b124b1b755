#include "driver/host/ChannelServer.h"

#include "driver/host/BusCommand.h"
#include "driver/host/Dispatcher.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace lxq::host {

namespace wire = plat::sys::wire;

struct ChannelServer::Connection {
    plat::sys::ChannelSocket socket;
    pid_t peer = 0;
    std::uint64_t handle = 0;
    std::thread thread;
    std::atomic<bool> finished{false};
    std::mutex sendMutex;
    std::mutex liveMutex;
    std::vector<std::weak_ptr<IoRequest>> live;  // requests of this handle not yet answered

    void Answer(std::uint32_t id, std::uint32_t status, std::uint64_t count, const std::uint8_t* out = nullptr,
                std::size_t outLength = 0, int fd = -1) {
        wire::AnswerMessage head{{static_cast<std::uint32_t>(wire::Kind::Answer), id}, status, 0, count};
        std::vector<std::uint8_t> record(sizeof head + outLength);
        std::memcpy(record.data(), &head, sizeof head);
        if (outLength != 0) std::memcpy(record.data() + sizeof head, out, outLength);
        std::lock_guard lock(sendMutex);
        socket.Send(record.data(), record.size(), fd);
    }
};

namespace {

template <typename T>
T Read(const std::vector<std::uint8_t>& record) {
    T value{};
    std::memcpy(&value, record.data(), std::min(sizeof value, record.size()));
    return value;
}

} // namespace

bool ChannelServer::Start() {
    if (!listener_.Listen()) return false;
    acceptor_ = std::thread([this] { AcceptLoop(); });
    return true;
}

void ChannelServer::Stop() {
    listener_.Shutdown();
    if (acceptor_.joinable()) acceptor_.join();
    std::list<std::shared_ptr<Connection>> connections;
    {
        std::lock_guard lock(mutex_);
        connections.swap(connections_);
    }
    for (auto& connection : connections) connection->socket.Shutdown();
    for (auto& connection : connections)
        if (connection->thread.joinable()) connection->thread.join();
    listener_.Close();
}

void ChannelServer::AcceptLoop() {
    for (;;) {
        pid_t peer = 0;
        plat::sys::ChannelSocket socket = listener_.Accept(&peer);
        if (!socket.Valid()) return;
        Reap();
        auto connection = std::make_shared<Connection>();
        connection->socket = std::move(socket);
        connection->peer = peer;
        std::lock_guard lock(mutex_);
        connection->handle = nextHandle_++;
        connections_.push_back(connection);
        connection->thread = std::thread([this, connection] {
            Serve(connection);
            connection->finished = true;
        });
    }
}

void ChannelServer::Reap() {
    std::list<std::shared_ptr<Connection>> done;
    {
        std::lock_guard lock(mutex_);
        for (auto it = connections_.begin(); it != connections_.end();) {
            if ((*it)->finished) done.splice(done.end(), connections_, it++);
            else ++it;
        }
    }
    for (auto& connection : done) connection->thread.join();
}

void ChannelServer::Serve(const std::shared_ptr<Connection>& connection) {
    std::vector<std::uint8_t> record;
    if (connection->socket.Receive(record) < static_cast<long>(sizeof(wire::WireHeader))) return;
    const auto header = Read<wire::WireHeader>(record);
    const std::string tail(record.begin() + sizeof header, record.end());
    switch (static_cast<wire::Kind>(header.kind)) {
    case wire::Kind::Open: ServeHandle(connection, tail, header.id); return;
    case wire::Kind::Subscribe:
        ServeSubscriber(connection, header.id, Read<wire::SubscribeMessage>(record).flags);
        return;
    case wire::Kind::List: {
        std::string paths;
        for (const auto& path : bus_.PresentPaths()) paths += path + '\0';
        connection->Answer(header.id, wire::kStatusSuccess, 0,
                           reinterpret_cast<const std::uint8_t*>(paths.data()), paths.size());
        return;
    }
    case wire::Kind::BusCommand: {
        std::string reply;
        const NtStatus status = BusCommand::Run(bus_, tail, reply);
        connection->Answer(header.id, status, 0, reinterpret_cast<const std::uint8_t*>(reply.data()),
                           reply.size());
        return;
    }
    default: connection->Answer(header.id, wire::kStatusInvalidParameter, 0); return;
    }
}

void ChannelServer::ServeSubscriber(const std::shared_ptr<Connection>& connection, std::uint32_t id,
                                    std::uint32_t flags) {
    std::weak_ptr<Connection> weak = connection;
    const int subscription = bus_.Subscribe(
        [weak](bool arrived, const std::string& path) {
            auto target = weak.lock();
            if (!target) return;
            wire::NoticeMessage notice{{static_cast<std::uint32_t>(wire::Kind::Notice), 0},
                                       static_cast<std::uint32_t>(arrived ? wire::NoticeEvent::Arrived
                                                                          : wire::NoticeEvent::Removed)};
            std::vector<std::uint8_t> record(sizeof notice + path.size());
            std::memcpy(record.data(), &notice, sizeof notice);
            std::memcpy(record.data() + sizeof notice, path.data(), path.size());
            std::lock_guard lock(target->sendMutex);
            // A subscriber that stopped reading must not stall the bus: it is dropped instead.
            if (!target->socket.Send(record.data(), record.size(), -1, false)) target->socket.Shutdown();
        },
        (flags & wire::kSubscribeReplayPresent) != 0, [&] { connection->Answer(id, wire::kStatusSuccess, 0); });
    std::vector<std::uint8_t> record;
    while (connection->socket.Receive(record) > 0) {
    }
    bus_.Unsubscribe(subscription);
}

void ChannelServer::ServeHandle(const std::shared_ptr<Connection>& connection, const std::string& path,
                                std::uint32_t id) {
    const DevicePtr device = bus_.Find(path);
    if (!device) {
        connection->Answer(id, wire::kStatusNoSuchDevice, 0);
        return;
    }
    auto create = std::make_shared<IoRequest>(RequestKind::Create, nullptr);
    create->caller = connection->peer;
    create->handle = connection->handle;
    Dispatcher::Dispatch(device, create);
    connection->Answer(id, create->Status(), 0);
    if (!IsSuccess(create->Status())) return;

    std::vector<std::uint8_t> record;
    for (;;) {
        int passedFd = -1;
        if (connection->socket.Receive(record, &passedFd) < static_cast<long>(sizeof(wire::WireHeader))) {
            if (passedFd >= 0) ::close(passedFd);
            break;
        }
        const auto header = Read<wire::WireHeader>(record);
        if (header.kind == static_cast<std::uint32_t>(wire::Kind::Control)) {
            ServeControl(connection, device, record, passedFd);
            continue;
        }
        if (passedFd >= 0) ::close(passedFd);
        if (header.kind == static_cast<std::uint32_t>(wire::Kind::Cancel)) {
            {
                std::lock_guard lock(connection->liveMutex);
                for (auto& weak : connection->live)
                    if (auto request = weak.lock()) request->MarkCancelled();
            }
            device->Pending().CancelHandle(connection->handle);
        }
    }
    // The handle is gone: cancel what it left held, then close it.
    for (RequestKind kind : {RequestKind::Cleanup, RequestKind::Close}) {
        auto request = std::make_shared<IoRequest>(kind, nullptr);
        request->caller = connection->peer;
        request->handle = connection->handle;
        Dispatcher::Dispatch(device, request);
    }
}

void ChannelServer::ServeControl(const std::shared_ptr<Connection>& connection, const DevicePtr& device,
                                 const std::vector<std::uint8_t>& record, int passedFd) {
    const auto message = Read<wire::ControlMessage>(record);
    const std::size_t carried = record.size() < sizeof message ? 0 : record.size() - sizeof message;
    const bool buffered = TransferMethod(message.code) == kMethodBuffered;
    if (record.size() < sizeof message || carried != message.inLength ||
        (buffered && message.outLength > wire::kMaxOutput)) {
        if (passedFd >= 0) ::close(passedFd);
        connection->Answer(message.header.id, kStatusInvalidParameter, 0);
        return;
    }
    std::weak_ptr<Connection> weak = connection;
    const std::uint32_t id = message.header.id;
    auto request = IoRequest::Control(
        message.code, record.data() + sizeof message, message.inLength, message.outLength,
        message.inPointerValue, [weak, id, buffered](IoRequest& done) {
            auto target = weak.lock();
            if (!target) return;
            std::size_t outBytes = 0;
            if (buffered && IsSuccess(done.Status()))
                outBytes = std::min<std::uint64_t>({done.Information(), done.outLength, done.buffer.size()});
            target->Answer(id, done.Status(), done.Information(), done.buffer.data(), outBytes, done.replyFd);
        });
    request->passedFd = passedFd;
    request->caller = connection->peer;
    request->handle = connection->handle;
    {
        std::lock_guard lock(connection->liveMutex);
        std::erase_if(connection->live, [](const std::weak_ptr<IoRequest>& w) { return w.expired(); });
        connection->live.push_back(request);
    }
    Dispatcher::Dispatch(device, request);
}

} // namespace lxq::host
