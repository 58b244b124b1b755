#pragma once
// The host's side of the driver channel. A small pool of event loops share one epoll set and
// every connection in it: an idle connection costs no thread, and a loop that takes a record
// serves it on its own thread, with no hand-over to another. Each connection is armed for one
// loop at a time, so its records run in the order they came; a loop that serves a client stays
// with it while it keeps asking (a client waits for each answer, then asks again), reading the
// next record as a blocking thread would, and a quarter of a second beyond, so that a client that
// pauses between bursts finds the same loop again. It waits for that record in one blocking read
// for the whole linger, so a loop that lingers costs nothing while the client is quiet.
// When no loop is left waiting, another is started (up to a bound), so a request waiting on one
// receiver never stalls another; loops beyond the first end again once idle. Bus commands run on
// a queue of their own.
// A connection either opens a device (and is then its handle until it closes), lists the present
// devices, subscribes to notices, or runs bus commands.
//
// Only callers of the host's own user or root are admitted; the number of connections is capped,
// and so are the requests each connection, each client process and the whole host hold. Refusals
// are logged (a line that repeats is written a few times, then counted), and the caller's first
// record is answered with a status and a line of text before the host hangs up.

#include "driver/host/Bus.h"
#include "driver/host/ChannelConnection.h"
#include "driver/host/RepeatedLog.h"
#include "driver/host/WorkQueue.h"

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <list>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <unordered_map>
#include <vector>

namespace lxq::host {

class ChannelServer {
public:
    static constexpr std::size_t kDefaultConnectionLimit = 16384;
    // Requests not answered yet (running or held while a receiver sleeps), per connection, per
    // client process and in all: each holds its buffers, which a client chooses up to 64 KiB. A
    // process gets a quarter of the host's, so that one program piling up requests on its own
    // sleeping receiver over many connections leaves the others theirs. A request beyond any of
    // them is refused with kStatusTooManyRequests.
    static constexpr std::size_t kMaxOutstandingPerConnection = 16;
    static constexpr std::size_t kMaxOutstandingPerProcess = 256;
    static constexpr std::size_t kMaxOutstanding = 1024;
    // Loops at most: as many receivers can wait on their hardware at once without stalling others.
    static constexpr std::size_t kMaxLoops = 64;

    explicit ChannelServer(Bus& bus) : bus_(bus) {}
    ~ChannelServer() { Stop(); }
    ChannelServer(const ChannelServer&) = delete;
    ChannelServer& operator=(const ChannelServer&) = delete;

    // Set before Start.
    void SetConnectionLimit(std::size_t limit) { limit_ = limit; }
    // The user admitted besides root (the host's own by default).
    void SetAdmittedUser(uid_t uid) { admittedUid_ = uid; }
    // Requests a client process and the whole host may hold (kMaxOutstandingPerProcess and
    // kMaxOutstanding by default); for the tests.
    void SetOutstandingLimits(std::size_t perProcess, std::size_t total) {
        processShare_ = perProcess;
        outstandingLimit_ = total;
    }

    // Listens on the channel of the current LXQ745_NS; false when another host holds it, or its
    // address cannot be the user's own (ListenRefusal() tells which).
    bool Start();
    const std::string& ListenRefusal() const { return listenRefusal_; }
    // Stops listening, closes every connection (running cleanup and close) and waits for the work
    // still running.
    void Stop();

    // Connections served now (for the benchmark and tests).
    std::size_t ConnectionCount() const { return connectionCount_.load(); }
    // Event loops running now.
    std::size_t LoopCount() const { return loops_.load(); }

private:
    // What each loop keeps for itself: the buffer it reads records into, and a finished request
    // object that nobody else holds, which carries its next control request.
    struct LoopState {
        std::vector<std::uint8_t> scratch;
        RequestPtr spare;
    };

    void Loop(bool first);
    void AddLoopIfNoneWaits();
    void JoinFinishedLoops();
    void AcceptAll();
    void Refuse(int fd, pid_t peer, std::uint32_t status, const std::string& reply);
    ConnectionPtr Find(int fd);
    // Serves the connection's records while it has any (and a moment longer while it keeps
    // asking); false when the connection was dropped.
    bool Receive(const ConnectionPtr& connection, LoopState& loop);
    void Drop(const ConnectionPtr& connection);

    // What each record asks for; run on the loop that took the record.
    void Serve(LoopState& loop, const ConnectionPtr& connection, std::span<const std::uint8_t> record, int passedFd);
    void ServeHandle(const ConnectionPtr& connection, const std::string& path, std::uint32_t id);
    void ServeSubscriber(const ConnectionPtr& connection, std::uint32_t id, std::uint32_t flags);
    void ServeBusCommand(const ConnectionPtr& connection, const std::string& line, std::uint32_t id);
    void ServeControl(LoopState& loop, const ConnectionPtr& connection, std::span<const std::uint8_t> record,
                      int passedFd);
    void ServeCancel(const ConnectionPtr& connection);
    // Whether a control request of the connection's process is over a limit of what may be held.
    bool OverLimit(const ConnectionPtr& connection);

    Bus& bus_;
    // Refused callers kept until their first record is answered; beyond this they are just closed.
    static constexpr std::size_t kMaxRefusing = 64;

    std::size_t limit_ = kDefaultConnectionLimit;
    std::atomic<std::size_t> refusing_{0};
    uid_t admittedUid_ = static_cast<uid_t>(-1);
    int listenFd_ = -1;
    std::string listenName_;
    std::string listenRefusal_;
    int epollFd_ = -1;
    int wakeFd_ = -1;
    // Read by every loop for every record, written seldom: apart from what the loops write often.
    std::atomic<bool> stopping_{false};
    std::atomic<std::size_t> connectionCount_{0};
    // Requests still unanswered when their dispatch returned (held, mostly): a request answered
    // at once, as nearly all are, is not counted, so that the loops share no count they all write.
    std::atomic<std::size_t> outstanding_{0};
    std::size_t processShare_ = kMaxOutstandingPerProcess;
    std::size_t outstandingLimit_ = kMaxOutstanding;
    ProcessShares shares_;

    std::mutex connectionsMutex_;
    std::unordered_map<int, ConnectionPtr> connections_;

    std::mutex loopsMutex_;
    std::list<std::thread> loopThreads_;
    std::vector<std::thread::id> finishedLoops_;
    std::atomic<std::size_t> loops_{0};
    alignas(64) std::atomic<std::size_t> waiting_{0};  // loops in epoll_wait now
    alignas(64) std::mutex acceptMutex_;

    std::unique_ptr<WorkQueue> busQueue_;
    std::atomic<std::uint64_t> nextHandle_{1};

    std::chrono::steady_clock::time_point acceptAgainAt_{};
    std::atomic<bool> acceptPaused_{false};
    std::atomic<bool> refusingForLimit_{false};
    RepeatedLog log_;
};

} // namespace lxq::host
