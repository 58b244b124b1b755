#pragma once
// The host's side of the driver channel. Each connection is served on a thread of its own, so that
// a request waiting on one receiver (a lock wait, a held request) never stalls another client.
// A connection either opens a device (and is then its handle until it closes), lists the present
// devices, subscribes to arrival and removal, or runs one bus command.

#include "driver/host/Bus.h"
#include "platform/sys/DeviceChannel.h"

#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace lxq::host {

class ChannelServer {
public:
    explicit ChannelServer(Bus& bus) : bus_(bus) {}
    ~ChannelServer() { Stop(); }
    ChannelServer(const ChannelServer&) = delete;
    ChannelServer& operator=(const ChannelServer&) = delete;

    // Listens on the channel of the current LXQ745_NS; false when another host holds it.
    bool Start();
    // Stops listening, closes every connection (running cleanup and close) and joins the threads.
    void Stop();

private:
    struct Connection;

    void AcceptLoop();
    void Serve(const std::shared_ptr<Connection>& connection);
    void ServeHandle(const std::shared_ptr<Connection>& connection, const std::string& path, std::uint32_t id);
    void ServeSubscriber(const std::shared_ptr<Connection>& connection, std::uint32_t id, std::uint32_t flags);
    void ServeControl(const std::shared_ptr<Connection>& connection, const DevicePtr& device,
                      const std::vector<std::uint8_t>& record, int passedFd);
    void Reap();

    Bus& bus_;
    plat::sys::ChannelListener listener_;
    std::thread acceptor_;
    std::mutex mutex_;
    std::list<std::shared_ptr<Connection>> connections_;
    std::uint64_t nextHandle_ = 1;
};

} // namespace lxq::host
