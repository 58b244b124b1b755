#pragma once
// The host's side of the driver channel. One event loop serves every connection, so an idle
// connection costs no thread. The work itself runs beside the loop: each receiver's requests on a
// queue of their own (in arrival order, and a request waiting on one receiver never stalls
// another), bus commands on one more. A connection either opens a device (and is then its handle
// until it closes), lists the present devices, subscribes to notices, or runs bus commands.
//
// Only callers of the host's own user or root are admitted; the number of connections is capped.
// Both refusals are logged, and the caller's first record is answered with a status and a line of
// text before the host hangs up.

#include "driver/host/Bus.h"
#include "driver/host/ChannelConnection.h"
#include "driver/host/WorkQueue.h"

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

namespace lxq::host {

class ChannelServer {
public:
    static constexpr std::size_t kDefaultConnectionLimit = 16384;

    explicit ChannelServer(Bus& bus) : bus_(bus) {}
    ~ChannelServer() { Stop(); }
    ChannelServer(const ChannelServer&) = delete;
    ChannelServer& operator=(const ChannelServer&) = delete;

    // Set before Start.
    void SetConnectionLimit(std::size_t limit) { limit_ = limit; }
    // The user admitted besides root (the host's own by default).
    void SetAdmittedUser(uid_t uid) { admittedUid_ = uid; }

    // Listens on the channel of the current LXQ745_NS; false when another host holds it.
    bool Start();
    // Stops listening, closes every connection (running cleanup and close) and waits for the work
    // still running.
    void Stop();

    // Connections served now (for the benchmark and tests).
    std::size_t ConnectionCount() const { return connectionCount_.load(); }

private:
    void Loop();
    void AcceptAll();
    void Refuse(int fd, pid_t peer, std::uint32_t status, const std::string& reply);
    void Receive(const ConnectionPtr& connection);
    void Drop(const ConnectionPtr& connection);

    // What each record asks for; the loop calls these, the work goes to a queue.
    void Serve(const ConnectionPtr& connection, const std::vector<std::uint8_t>& record, int passedFd);
    void ServeHandle(const ConnectionPtr& connection, const std::string& path, std::uint32_t id);
    void ServeSubscriber(const ConnectionPtr& connection, std::uint32_t id, std::uint32_t flags);
    void ServeBusCommand(const ConnectionPtr& connection, const std::string& line, std::uint32_t id);
    void ServeControl(const ConnectionPtr& connection, const std::vector<std::uint8_t>& record, int passedFd);
    void ServeCancel(const ConnectionPtr& connection);

    WorkQueue* QueueFor(const DevicePtr& device);
    void PruneQueues();

    Bus& bus_;
    // Refused callers kept until their first record is answered; beyond this they are just closed.
    static constexpr std::size_t kMaxRefusing = 64;

    std::size_t limit_ = kDefaultConnectionLimit;
    std::size_t refusing_ = 0;
    uid_t admittedUid_ = static_cast<uid_t>(-1);
    int listenFd_ = -1;
    int epollFd_ = -1;
    int wakeFd_ = -1;
    std::thread loop_;
    std::atomic<bool> stopping_{false};
    std::atomic<std::size_t> connectionCount_{0};
    // The loop's own; Stop touches them only once the loop has ended.
    std::unordered_map<int, ConnectionPtr> connections_;
    std::map<DeviceObject*, std::pair<DevicePtr, std::unique_ptr<WorkQueue>>> deviceQueues_;
    std::unique_ptr<WorkQueue> busQueue_;
    std::uint64_t nextHandle_ = 1;
    std::chrono::steady_clock::time_point acceptAgainAt_{};
    bool acceptPaused_ = false;
    bool refusingForLimit_ = false;
    std::vector<std::uint8_t> scratch_;
};

} // namespace lxq::host
