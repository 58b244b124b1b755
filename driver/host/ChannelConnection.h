#pragma once
// One client connection of the channel as the event loop keeps it: who is at the other end, what
// the connection has become (an open handle, a subscriber, a one-shot query), and the answers and
// notices waiting to go out. Answers and notices come from any thread and never block: what the
// client does not read yet is queued, and a client that lets too much pile up is disconnected, so
// a slow reader can stall no one.
//
// The connection is armed in the server's epoll set for one event loop at a time: the loop that
// takes its event owns it (TryOwn) until it arms it again (Release); only the owner reads, drops
// and closes it. Another thread that queues an answer meanwhile leaves the reading to the owner
// but arms the connection for its socket's room, so that any loop writes the answer (the owner
// may be waiting for the client's next record).

#include "driver/host/DeviceObject.h"
#include "driver/host/ProcessShares.h"
#include "platform/sys/DeviceWire.h"

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace lxq::host {

class ChannelConnection {
public:
    // Refused: a caller the host does not serve; its first record is answered with the refusal.
    enum class Role { Fresh, Handle, Subscriber, Query, Refused };

    // Records queued for a client that does not read before it is disconnected.
    static constexpr std::size_t kMaxQueuedRecords = 256;
    static constexpr std::size_t kMaxQueuedBytes = 1 << 20;

    ChannelConnection(int fd, int epollFd, pid_t peer, std::uint64_t handle)
        : fd_(fd), epollFd_(epollFd), peer_(peer), handle_(handle) {}
    ~ChannelConnection();
    ChannelConnection(const ChannelConnection&) = delete;
    ChannelConnection& operator=(const ChannelConnection&) = delete;

    int Fd() const { return fd_; }
    pid_t Peer() const { return peer_; }
    std::uint64_t Handle() const { return handle_; }

    // Sends an answer; fd, when not -1, travels with it (the caller keeps its own descriptor).
    void Answer(std::uint32_t id, std::uint32_t status, std::uint64_t count, const std::uint8_t* out = nullptr,
                std::size_t outLength = 0, int fd = -1);
    void Notice(plat::sys::wire::NoticeEvent event, const std::string& path);
    // Writes what is queued while the socket takes it; the owner calls it when the socket has room.
    void Flush();
    // Whether answers wait in the queue; a hint for the owner, which may be stale by the time it acts.
    bool HasQueued() const { return queued_.load(std::memory_order_acquire); }
    // Taking and giving back the connection between the event loops (see above).
    bool TryOwn();
    void Release();
    // Writes what is queued for a connection another loop owns, when its socket has room (see above).
    void FlushForOwner();
    // Arms the connection for the first time.
    void Arm();
    // Ends the connection from the host's side: the loop sees it hang up and drops it.
    void Disconnect();
    // The loop's last act: the socket is closed and later answers go nowhere.
    void Close();

    // Set by the loop (role, device) and by the device's queue (opened).
    Role role = Role::Fresh;
    DevicePtr device;
    int subscription = 0;
    // Records read so far; only the loop that owns the connection touches it.
    std::uint64_t recordsRead = 0;
    // Whether the socket's receive time-out is the whole linger yet; the owning loop's.
    bool lingersLong = false;
    std::atomic<bool> opened{false};
    std::uint32_t refusal = 0;
    std::string refusalText;
    // The share of the peer's process, found when it first holds a request; the owning loop's.
    ProcessShares::SharePtr share;

    // Requests of this handle still unanswered when their dispatch returned (held while the
    // receiver sleeps, or finished later on another thread), so that a cancel reaches them too,
    // and so that their number can be bounded. Only the loop that owns the connection calls these.
    void Track(const RequestPtr& request);
    // How many of the tracked requests are still unanswered.
    std::size_t Unanswered();
    void MarkLiveCancelled();

private:
    struct Queued {
        std::vector<std::uint8_t> record;
        int fd = -1;  // our duplicate, closed once sent
    };

    void SendLocked(const std::uint8_t* record, std::size_t length, int fd);
    bool TrySendLocked(const std::uint8_t* record, std::size_t length, int fd, bool& full);
    void ArmLocked();
    void ArmForRoomLocked();
    void FlushLocked();

    int fd_;
    int epollFd_;
    pid_t peer_;
    std::uint64_t handle_;
    std::mutex mutex_;
    bool closed_ = false;
    bool dropping_ = false;
    bool owned_ = true;  // until first armed
    std::list<Queued> queue_;  // empty for nearly every connection, and then allocates nothing
    std::size_t queuedBytes_ = 0;
    std::atomic<bool> queued_{false};  // !queue_.empty(), written under mutex_
    std::vector<std::weak_ptr<IoRequest>> live_;  // the owning loop's only
};

using ConnectionPtr = std::shared_ptr<ChannelConnection>;

} // namespace lxq::host
