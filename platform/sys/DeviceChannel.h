#pragma once
// The client side of the driver channel: how a process finds the receivers that the driver host
// `lxq745d` presents, opens one, sends it device-control requests and hears of arrivals and
// removals. The host listens on a SOCK_SEQPACKET socket in the user's private runtime folder
// (UserRuntimeFolder.h), named from the environment variable LXQ745_NS, so parallel tests never
// meet and no other user can listen in the host's place. A client still talks only to a host of
// its own user or root: it checks the peer's credentials on connect and refuses anyone else, with
// the reason in the debug output. One connection is one open handle; the host takes the
// connecting process as the caller for ownership, and closing the connection closes the handle.
// Statuses are NT status values (0 = success).

#include "platform/sys/DeviceWire.h"

#include <sys/socket.h>
#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace plat::sys {

// The host's socket name for the current LXQ745_NS ("lxq745d.<namespace>", or "lxq745d").
std::string DeviceChannelName();
// The path of the host's socket: the name in the user's runtime folder.
std::string DeviceChannelAddress();
// Where the socket called `name` lives: a name without '/' in the user's runtime folder, a path
// as it stands. Empty, with the reason in *refusal, when the folder is not the user's own or the
// path does not fit a socket address.
std::string ChannelPath(const std::string& name, std::string* refusal = nullptr);

// The credentials of the process at the other end of a connected local socket (SO_PEERCRED);
// false when they cannot be read.
bool PeerCredentials(int fd, ucred& credentials);
// Whether a peer of these credentials is this user (the effective one) or root: the only peers a
// program talks to, and the only ones the user's own servers take.
bool OwnUserOrRoot(const ucred& credentials);

// How long a client waits for the host to take or answer one record before it gives up on it.
// A host that stops answering (a receiver wedged after a power event, a stopped process) must
// never hold a caller for good. 5 s by default, longer than any request the driver serves;
// LXQ745_REQUEST_TIMEOUT_MS, read once, overrides it, and tests may set it directly.
std::chrono::milliseconds RequestTimeout();
void SetRequestTimeout(std::chrono::milliseconds timeout);

// A SOCK_SEQPACKET socket listening at the channel address `name` (see ChannelPath; close-on-exec);
// -1 on failure, with the reason in *refusal: another process listening there already (of this
// user, or another user's), or a runtime folder that is not the user's own. A socket file left
// by a listener that died is replaced.
int ListenOnChannel(const std::string& name, int backlog, bool nonBlocking, std::string* refusal = nullptr);
// Closes a listener of ListenOnChannel and removes its socket file.
void CloseChannelListener(int fd, const std::string& name);

// Status of a request that the host did not answer within RequestTimeout(), and of every later
// request on that handle until the late answer has come in.
constexpr std::uint32_t kStatusRequestTimedOut = 0xC00000B5;

// One connected channel socket that sends and receives whole records, optionally with a file
// descriptor attached (SCM_RIGHTS). The host's side uses it too.
// Sends one record on a SOCK_SEQPACKET socket, with passFd attached when it is not -1. True when
// the whole record went; otherwise errno tells why (EAGAIN: without wait, the peer's queue is full).
bool SendRecord(int fd, const void* data, std::size_t length, int passFd, bool wait);

class ChannelSocket {
public:
    ChannelSocket() = default;
    explicit ChannelSocket(int fd) : fd_(fd) {}
    ~ChannelSocket() { Close(); }
    ChannelSocket(ChannelSocket&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    ChannelSocket& operator=(ChannelSocket&& other) noexcept;
    ChannelSocket(const ChannelSocket&) = delete;
    ChannelSocket& operator=(const ChannelSocket&) = delete;

    // Connects to the host; the result is not Valid() when no host listens, when the host does
    // not take the connection within the given time, or when the listener is not of this user
    // or root (then *refusal, when given, and the debug output tell so).
    static ChannelSocket Connect(std::chrono::milliseconds timeout = RequestTimeout(), std::string* refusal = nullptr);
    // The same for another socket of the host, named as ChannelPath takes it.
    static ChannelSocket ConnectTo(const std::string& name, std::chrono::milliseconds timeout = RequestTimeout(),
                                   std::string* refusal = nullptr);

    bool Valid() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    // Sends one record, with passFd attached when it is not -1. False when the peer is gone, or,
    // without wait, when the peer's queue is full.
    bool Send(const void* data, std::size_t length, int passFd = -1, bool wait = true) const;
    // Receives one record into buffer: its length, 0 when the peer closed, -1 on error or a
    // record too long. A descriptor that came with it goes to *receivedFd (or is closed).
    long Receive(std::vector<std::uint8_t>& buffer, int* receivedFd = nullptr) const;
    // The same into memory of the caller's (capacity bytes; a longer record is an error), which
    // a caller that receives often keeps instead of a buffer per record. A receive time-out set
    // with SetReceiveTimeout ends it with kTimedOut, and so does a signal.
    long ReceiveInto(std::uint8_t* data, std::size_t capacity, int* receivedFd = nullptr) const;
    // How long a blocking receive waits at most before it gives up; zero waits for good.
    void SetReceiveTimeout(std::chrono::milliseconds timeout) const;
    // Send and Receive that give up at the deadline: Send then returns false, ReceiveBefore
    // kTimedOut. A zero-length wait only takes what is there already.
    static constexpr long kTimedOut = -2;
    bool SendBefore(std::chrono::steady_clock::time_point deadline, const void* data,
                    std::size_t length, int passFd = -1) const;
    long ReceiveBefore(std::chrono::steady_clock::time_point deadline,
                       std::vector<std::uint8_t>& buffer, int* receivedFd = nullptr) const;
    long ReceiveBefore(std::chrono::steady_clock::time_point deadline, std::uint8_t* data,
                       std::size_t capacity, int* receivedFd = nullptr) const;
    // Whether the process at the other end is stopped (SIGSTOP, or held by a debugger): it answers
    // nothing until it is continued, so a caller waiting for it gives up at once.
    bool PeerStopped() const;
    // Ends both directions, waking a thread blocked in Receive; the descriptor stays open.
    void Shutdown() const;
    void Close();

private:
    int fd_ = -1;
};

// The host's listening socket. Accept hands out each new connection with the connecting
// process's id (SO_PEERCRED), which the host takes as the caller for ownership.
class ChannelListener {
public:
    ChannelListener() = default;
    ~ChannelListener() { Close(); }
    ChannelListener(const ChannelListener&) = delete;
    ChannelListener& operator=(const ChannelListener&) = delete;

    // Binds the channel address of the current LXQ745_NS; false when another host holds it, or
    // the address cannot be the user's own (Refusal() tells which).
    bool Listen();
    const std::string& Refusal() const { return refusal_; }
    // Waits for the next connection; an invalid socket once Shutdown() was called.
    ChannelSocket Accept(pid_t* peerProcess);
    // Wakes Accept for good (the descriptor stays open until Close()).
    void Shutdown();
    void Close();

private:
    int fd_ = -1;
    std::string name_;
    std::string refusal_;
    std::atomic<bool> shutDown_{false};
};

// The device paths the host presents now, in device-number order; empty when no host runs.
std::vector<std::string> ListDeviceInterfaces();

// An open device: the counterpart of a file handle on the receiver's device.
class DeviceHandle {
public:
    DeviceHandle() = default;
    ~DeviceHandle() { Close(); }
    DeviceHandle(const DeviceHandle&) = delete;
    DeviceHandle& operator=(const DeviceHandle&) = delete;

    // Opens the device at path: 0 on success, wire::kStatusNoSuchDevice without host or device
    // (or a host that does not answer in time), 0x80000011 while another process owns it,
    // 0xC0000056 after its removal.
    std::uint32_t Open(const std::string& path);
    bool IsOpen() const { return socket_.Valid(); }

    // One device-control request. in/inLength are sent; up to outLength bytes of the answer are
    // copied to out; *bytes receives the completion's byte count (a get request's value).
    // inPointerValue is what a request of the neither method reads as its argument. passFd, when
    // not -1, travels with the request; a descriptor in the answer goes to *receivedFd (or is
    // closed). Waits for the host to complete the request (a held request waits) at most
    // RequestTimeout(); then the request fails with kStatusRequestTimedOut and so does every later
    // one at once, until the late answer has arrived: a host that stopped answering costs one
    // time-out, not one per call. Requests on one handle run one at a time.
    std::uint32_t Control(std::uint32_t code, const void* in, std::uint32_t inLength, void* out,
                          std::uint32_t outLength, std::uint64_t inPointerValue,
                          std::uint64_t* bytes, int passFd = -1, int* receivedFd = nullptr);

    // Cancels this handle's held requests (they complete with 0xC0000120); callable from any thread.
    void CancelIo();
    // The request (its id) that went unanswered within the time-out and whose answer has not come
    // in yet; 0 when none. A caller tells by it whether its own request timed out or was not
    // sent at all because an earlier one is still unanswered.
    std::uint32_t StalledRequest();
    // Whether the late answer of request `id` has come in, and what status it brought: a request
    // cancelled before it ran answers 0xC0000120. Known for the last late answer only; an answer
    // that came in before a later one reads as success.
    bool LateAnswer(std::uint32_t id, std::uint32_t* status);
    // Closes the handle: the host runs cleanup and close. A request blocked in another thread
    // returns wire::kStatusNotConnected.
    void Close();

private:
    // Takes the answers that came in since a time-out without waiting: success once the stalled
    // request's answer is among them, else kStatusRequestTimedOut (or not connected).
    std::uint32_t CatchUp();

    // The rest under requestMutex_.
    ChannelSocket socket_;
    std::mutex requestMutex_;
    std::uint32_t nextId_ = 1;
    std::uint32_t stalledId_ = 0;  // the request that timed out, until its answer arrives
    std::uint32_t lateId_ = 0;     // the last stalled request whose answer has arrived
    std::uint32_t lateStatus_ = 0;
    // What a request sends and where its answer lands, kept from one request to the next: a
    // request allocates nothing once the handle has served one of its size.
    std::vector<std::uint8_t> request_;
    std::unique_ptr<std::uint8_t[]> answer_;
    std::chrono::milliseconds receiveTimeout_{0};  // set on the socket; RequestTimeout() when a request waits
};

// SystemSleep and SystemWake are the computer going to sleep and waking up, as the host relays
// them to its clients (path empty).
enum class DeviceEvent { Arrived, Removed, SystemSleep, SystemWake };

// Arrival and removal notices. The callback runs on a thread this object owns. When the host is
// not reachable (not started yet, or gone), the thread keeps trying at the retry interval and,
// once connected, first reports every device present then as arrived. A host that goes away
// takes its devices with it: each device heard of on that connection is reported removed.
class DeviceNotifications {
public:
    using Callback = std::function<void(DeviceEvent, const std::string& path)>;

    DeviceNotifications() = default;
    ~DeviceNotifications() { Stop(); }
    DeviceNotifications(const DeviceNotifications&) = delete;
    DeviceNotifications& operator=(const DeviceNotifications&) = delete;

    // Starts listening; true when the host accepted the subscription at once.
    bool Start(Callback callback, std::chrono::milliseconds retryInterval = std::chrono::seconds(1));
    // Starts listening without waiting for the host at all (a thread that must never wait, such
    // as a user-interface thread): the first subscription is made on the object's own thread and
    // reports every device present then as arrived.
    void StartInBackground(Callback callback, std::chrono::milliseconds retryInterval = std::chrono::seconds(1));
    // Stops listening and joins the thread; no callback runs after it returns.
    void Stop();
    // Whether the host has taken the subscription and not gone away since.
    bool Listening() const { return listening_.load(); }

private:
    // Stops a running listener and sets up for a new one.
    void Prepare(Callback callback, std::chrono::milliseconds retryInterval);
    bool Subscribe(bool replayPresent);
    void Run(bool connected);

    Callback callback_;
    std::chrono::milliseconds retryInterval_{1000};
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    ChannelSocket socket_;
    std::vector<std::string> present_;  // what the current connection has reported present
    std::atomic<bool> listening_{false};
};

} // namespace plat::sys
