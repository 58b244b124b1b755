#include "platform/sys/DeviceChannel.h"

#include "platform/sys/UserRuntimeFolder.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

namespace plat::sys {
namespace {

using Deadline = std::chrono::steady_clock::time_point;

Deadline DeadlineIn(std::chrono::milliseconds timeout) {
    return std::chrono::steady_clock::now() + timeout;
}

// Waits until fd is ready for `events` or the deadline passes; false at the deadline.
bool WaitReady(int fd, short events, Deadline deadline) {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(std::max<std::int64_t>(left.count(), 0)));
        if (ready > 0) return true;
        if (ready == 0) return false;
        if (errno != EINTR) return true;  // let the following call report the error
    }
}

// Receives one record on fd into data: its length, 0 when the peer closed, -1 on error or a
// record longer than capacity (errno EMSGSIZE). A descriptor that came with it goes to
// *receivedFd (or is closed).
long ReceiveRecord(int fd, std::uint8_t* data, std::size_t capacity, int* receivedFd) {
    iovec iov{data, capacity};
    msghdr message{};
    message.msg_iov = &iov;
    message.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t received = ::recvmsg(fd, &message, MSG_CMSG_CLOEXEC);
    if (received < 0) return -1;
    int passed = -1;
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
         header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_RIGHTS &&
            header->cmsg_len >= CMSG_LEN(sizeof(int))) {
            std::memcpy(&passed, CMSG_DATA(header), sizeof(int));
        }
    }
    if ((message.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) != 0) {
        if (passed >= 0) ::close(passed);
        errno = EMSGSIZE;
        return -1;
    }
    if (receivedFd != nullptr) *receivedFd = passed;
    else if (passed >= 0) ::close(passed);
    return static_cast<long>(received);
}

std::atomic<std::int64_t>& TimeoutSetting() {
    static std::atomic<std::int64_t> milliseconds = [] {
        const char* text = std::getenv("LXQ745_REQUEST_TIMEOUT_MS");
        const long long value = text != nullptr ? std::atoll(text) : 0;
        return static_cast<std::int64_t>(value > 0 ? value : 5000);
    }();
    return milliseconds;
}

template <typename T>
T ReadRecord(const std::uint8_t* record) {
    T value{};
    std::memcpy(&value, record, sizeof value);
    return value;
}

enum class Reply { Answered, Lost, TimedOut };

// Waits for the answer with the given id until the deadline; other records on the connection
// (answers that came too late) are skipped. The answer lands in buffer, its length in *length.
// With waitInReceive the first record is waited for in the receive itself, whose time-out the
// caller has set to end no later than the deadline: one system call where a wait and a read would
// be two. Whatever comes after a skipped record is waited for up to the deadline itself.
Reply ReceiveAnswer(const ChannelSocket& socket, std::uint32_t id, std::uint8_t* buffer, std::size_t capacity,
                    long* length, int* receivedFd, Deadline deadline, bool waitInReceive) {
    for (;;) {
        int fd = -1;
        long received = ChannelSocket::kTimedOut;
        if (waitInReceive) {
            waitInReceive = false;
            received = socket.ReceiveInto(buffer, capacity, &fd);
            // Interrupted, or the time-out ended it a little early: wait for the rest of the time.
            if (received == ChannelSocket::kTimedOut) continue;
        } else {
            received = socket.ReceiveBefore(deadline, buffer, capacity, &fd);
            if (received == ChannelSocket::kTimedOut) return Reply::TimedOut;
        }
        if (received < static_cast<long>(sizeof(wire::AnswerMessage))) {
            if (fd >= 0) ::close(fd);
            if (received <= 0) return Reply::Lost;
            continue;
        }
        const auto answer = ReadRecord<wire::AnswerMessage>(buffer);
        if (answer.header.kind == static_cast<std::uint32_t>(wire::Kind::Answer) &&
            answer.header.id == id) {
            if (receivedFd != nullptr) *receivedFd = fd;
            else if (fd >= 0) ::close(fd);
            *length = received;
            return Reply::Answered;
        }
        if (fd >= 0) ::close(fd);
    }
}

// How often a client that waits for the host looks whether the host is stopped (SIGSTOP): a
// stopped host answers nothing until it is continued, and a program must not wait a request's
// whole time-out for it, let alone one per record while it loads.
constexpr auto kStoppedCheck = std::chrono::milliseconds(200);
// Once a host has left a connection's first record unanswered, the next ones give it only this
// much, until it answers one again: a program that lists, subscribes and lists again while the
// host does not answer pays one wait, not one per record.
constexpr auto kSilentHostWait = std::chrono::milliseconds(100);

// The address of the host that last left a record unanswered ("" when it answered since).
class SilentHost {
public:
    std::chrono::milliseconds Wait(const std::string& path, std::chrono::milliseconds wait) {
        std::lock_guard lock(mutex_);
        return path_ == path ? std::min(wait, std::chrono::milliseconds(kSilentHostWait)) : wait;
    }
    void Note(const std::string& path, bool answered) {
        std::lock_guard lock(mutex_);
        if (!answered) path_ = path;
        else if (path_ == path) path_.clear();
    }

private:
    std::mutex mutex_;
    std::string path_;
};

SilentHost& Silent() {
    static SilentHost* silent = new SilentHost;  // never freed: a thread may ask while the process ends
    return *silent;
}

// Opens a connection, sends one request record and returns its answer's status (and body),
// waiting for it at most `wait` (less when the host left the last record unanswered).
std::uint32_t Exchange(ChannelSocket& socket, std::uint32_t id, const void* record,
                       std::size_t length, std::vector<std::uint8_t>& answer, std::chrono::milliseconds wait) {
    const std::string path = ChannelPath(DeviceChannelName());
    wait = Silent().Wait(path, wait);
    const Deadline deadline = DeadlineIn(wait);
    socket = ChannelSocket::Connect(wait);
    if (!socket.Valid()) return wire::kStatusNoSuchDevice;
    const std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[wire::kMaxMessage]);
    long received = 0;
    Reply reply = Reply::Lost;
    if (socket.SendBefore(deadline, record, length)) {
        for (;;) {
            const Deadline slice = std::min(deadline, DeadlineIn(kStoppedCheck));
            reply = ReceiveAnswer(socket, id, buffer.get(), wire::kMaxMessage, &received, nullptr, slice, false);
            if (reply != Reply::TimedOut || slice == deadline) break;
            if (socket.PeerStopped()) {
                Silent().Note(path, false);
                break;
            }
        }
    }
    if (reply != Reply::Answered) {
        // Gone before the deadline is a host that went away; at it, one that does not answer.
        if (std::chrono::steady_clock::now() >= deadline) Silent().Note(path, false);
        socket.Close();
        return wire::kStatusNoSuchDevice;
    }
    Silent().Note(path, true);
    answer.assign(buffer.get(), buffer.get() + received);
    return ReadRecord<wire::AnswerMessage>(buffer.get()).status;
}


sockaddr_un SocketAddress(const std::string& path, socklen_t& addressLength) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t length = std::min(path.size(), sizeof(address.sun_path) - 1);  // ChannelPath checked it
    std::memcpy(address.sun_path, path.data(), length);
    addressLength = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length + 1);
    return address;
}

// Whether the other end of a connected socket is this user or root (its credentials read).
bool PeerAdmitted(int fd, ucred& credentials) { return PeerCredentials(fd, credentials) && OwnUserOrRoot(credentials); }

std::string StrangerText(const std::string& path, const ucred& credentials) {
    return "\"" + path + "\" is served by another user (uid " + std::to_string(credentials.uid) + ", pid " +
           std::to_string(credentials.pid) + "); a program talks only to a driver host of its own user or root";
}

// Holds the lock on the folder of a socket: whoever checks an address and binds it does so
// under it, so that two listeners starting together never both find the address free.
class FolderLock {
public:
    explicit FolderLock(const std::string& path) {
        const std::size_t slash = path.rfind('/');
        const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
        fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ < 0) return;
        while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~FolderLock() {
        if (fd_ >= 0) ::close(fd_);  // drops the lock
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int fd_ = -1;
};

// Whether a listener answers at path: "" when nobody does (any file left there is gone then),
// else why the address cannot be taken.
std::string ClearAddress(const std::string& path) {
    const int probe = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (probe < 0) return "cannot make a socket: " + std::string(std::strerror(errno));
    socklen_t addressLength = 0;
    const sockaddr_un address = SocketAddress(path, addressLength);
    int result;
    do {
        result = ::connect(probe, reinterpret_cast<const sockaddr*>(&address), addressLength);
    } while (result != 0 && errno == EINTR);
    const int error = result == 0 ? 0 : errno;
    std::string why;
    ucred credentials{};
    if (error == 0 || error == EAGAIN) {
        // Someone listens (a full backlog refuses at once, but it is a listener all the same).
        const bool known = error == 0 && PeerCredentials(probe, credentials);
        if (known && !OwnUserOrRoot(credentials))
            why = "the address " + StrangerText(path, credentials);
        else
            why = "another driver host of this user" +
                  (known ? " (pid " + std::to_string(credentials.pid) + ")" : std::string()) + " serves \"" + path + "\"";
    } else if (error == ECONNREFUSED) {
        // Left by a listener that died (or something else in the user's own folder): replaced.
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            why = "\"" + path + "\" is a folder";
        else if (::unlink(path.c_str()) != 0 && errno != ENOENT)
            why = "cannot remove the old \"" + path + "\": " + std::strerror(errno);
    } else if (error != ENOENT) {
        why = "cannot use \"" + path + "\": " + std::strerror(error);
    }
    ::close(probe);
    return why;
}

} // namespace

std::string DeviceChannelName() {
    const char* ns = std::getenv("LXQ745_NS");
    std::string name = "lxq745d";
    if (ns != nullptr && *ns != '\0') name += std::string(".") + ns;
    return name;
}

std::string DeviceChannelAddress() { return UserRuntimeFolder() + "/" + DeviceChannelName(); }

bool PeerCredentials(int fd, ucred& credentials) {
    socklen_t length = sizeof credentials;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0;
}

bool OwnUserOrRoot(const ucred& credentials) { return credentials.uid == ::geteuid() || credentials.uid == 0; }

std::string ChannelPath(const std::string& name, std::string* refusal) {
    std::string why;
    std::string path = name;
    if (name.find('/') == std::string::npos) {
        bool foreign = false;
        path = UserRuntimeFolder(&why, &foreign) + "/" + name;
        if (!why.empty()) why = "the address \"" + path + (foreign ? "\" is taken: " : "\" cannot be used: ") + why;
    }
    if (why.empty() && path.size() >= sizeof(sockaddr_un{}.sun_path))
        why = "the address \"" + path + "\" is longer than a socket's address can be (" +
              std::to_string(sizeof(sockaddr_un{}.sun_path) - 1) + " bytes); shorten LXQ745_NS, XDG_RUNTIME_DIR or TMPDIR";
    if (refusal != nullptr) *refusal = why;
    return why.empty() ? path : std::string();
}

std::chrono::milliseconds RequestTimeout() {
    return std::chrono::milliseconds(TimeoutSetting().load());
}

void SetRequestTimeout(std::chrono::milliseconds timeout) { TimeoutSetting().store(timeout.count()); }

ChannelSocket& ChannelSocket::operator=(ChannelSocket&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

int ListenOnChannel(const std::string& name, int backlog, bool nonBlocking, std::string* refusal) {
    std::string why;
    const std::string path = ChannelPath(name, &why);
    const auto refuse = [&](std::string text) {
        if (refusal != nullptr) *refusal = std::move(text);
        errno = EADDRINUSE;
        return -1;
    };
    if (path.empty()) return refuse(why);
    const FolderLock folder(path);
    if (why = ClearAddress(path); !why.empty()) return refuse(why);
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | (nonBlocking ? SOCK_NONBLOCK : 0), 0);
    if (fd < 0) return refuse("cannot make a socket: " + std::string(std::strerror(errno)));
    socklen_t addressLength = 0;
    const sockaddr_un address = SocketAddress(path, addressLength);
    // Nobody but the user can enter the folder, and the socket file is made for the user alone
    // too (a folder given by path may be another): on Linux the file takes the socket's mode.
    ::fchmod(fd, 0600);
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), addressLength) == 0;
    if (!bound || ::listen(fd, backlog) < 0) {
        const std::string text = "cannot listen on \"" + path + "\": " + std::strerror(errno);
        if (bound) ::unlink(path.c_str());
        ::close(fd);
        return refuse(text);
    }
    if (refusal != nullptr) refusal->clear();
    return fd;
}

void CloseChannelListener(int fd, const std::string& name) {
    if (fd < 0) return;
    const std::string path = ChannelPath(name);
    if (path.empty()) {
        ::close(fd);
        return;
    }
    // Under the folder's lock: a listener that starts now finds the address either served or free.
    const FolderLock folder(path);
    ::close(fd);
    ::unlink(path.c_str());
}

ChannelSocket ChannelSocket::Connect(std::chrono::milliseconds timeout, std::string* refusal) {
    return ConnectTo(DeviceChannelName(), timeout, refusal);
}

ChannelSocket ChannelSocket::ConnectTo(const std::string& name, std::chrono::milliseconds timeout,
                                       std::string* refusal) {
    if (refusal != nullptr) refusal->clear();
    std::string why;
    const std::string path = ChannelPath(name, &why);
    if (path.empty()) {
        ReportRefusal(why);
        if (refusal != nullptr) *refusal = why;
        return ChannelSocket();
    }
    // Non-blocking: a host that no longer accepts fills its backlog, and a blocking connect
    // would then wait for good.
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return ChannelSocket();
    socklen_t addressLength = 0;
    const sockaddr_un address = SocketAddress(path, addressLength);
    const Deadline deadline = DeadlineIn(timeout);
    for (;;) {
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), addressLength) == 0) break;
        if (errno == EINTR) continue;
        // A full backlog refuses at once on a local socket; try again for a while. No socket, or
        // one nobody listens on any more, fails at once.
        if (errno == EAGAIN && std::chrono::steady_clock::now() < deadline) {
            ::poll(nullptr, 0, 10);
            continue;
        }
        ::close(fd);
        return ChannelSocket();
    }
    ucred credentials{};
    if (!PeerAdmitted(fd, credentials)) {
        // Someone else listens where the user's host should: nothing is sent to it, not even
        // the request that would tell it who asks.
        ::close(fd);
        why = StrangerText(path, credentials);
        ReportRefusal(why);
        if (refusal != nullptr) *refusal = why;
        return ChannelSocket();
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return ChannelSocket(fd);
}

bool SendRecord(int fd, const void* data, std::size_t length, int passFd, bool wait) {
    iovec iov{const_cast<void*>(data), length};
    msghdr message{};
    message.msg_iov = &iov;
    message.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    if (passFd >= 0) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = SOL_SOCKET;
        header->cmsg_type = SCM_RIGHTS;
        header->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(header), &passFd, sizeof(int));
    }
    ssize_t sent;
    do {
        sent = ::sendmsg(fd, &message, MSG_NOSIGNAL | (wait ? 0 : MSG_DONTWAIT));
    } while (sent < 0 && errno == EINTR);
    return sent == static_cast<ssize_t>(length);
}

bool ChannelSocket::Send(const void* data, std::size_t length, int passFd, bool wait) const {
    return fd_ >= 0 && SendRecord(fd_, data, length, passFd, wait);
}

bool ChannelSocket::SendBefore(Deadline deadline, const void* data, std::size_t length,
                               int passFd) const {
    for (;;) {
        if (Send(data, length, passFd, false)) return true;
        if (fd_ < 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) return false;
        if (!WaitReady(fd_, POLLOUT, deadline)) return false;
    }
}

long ChannelSocket::ReceiveBefore(Deadline deadline, std::vector<std::uint8_t>& buffer,
                                  int* receivedFd) const {
    if (receivedFd != nullptr) *receivedFd = -1;
    if (fd_ < 0) return -1;
    if (!WaitReady(fd_, POLLIN, deadline)) return kTimedOut;
    return Receive(buffer, receivedFd);
}

long ChannelSocket::ReceiveBefore(Deadline deadline, std::uint8_t* data, std::size_t capacity,
                                  int* receivedFd) const {
    for (;;) {
        if (receivedFd != nullptr) *receivedFd = -1;
        if (fd_ < 0) return -1;
        if (!WaitReady(fd_, POLLIN, deadline)) return kTimedOut;
        const long length = ReceiveInto(data, capacity, receivedFd);
        if (length != kTimedOut) return length;
        // Interrupted: wait again for what is left of the time.
    }
}

long ChannelSocket::ReceiveInto(std::uint8_t* data, std::size_t capacity, int* receivedFd) const {
    if (receivedFd != nullptr) *receivedFd = -1;
    if (fd_ < 0) return -1;
    const long length = ReceiveRecord(fd_, data, capacity, receivedFd);
    if (length < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return kTimedOut;
    return length;
}

void ChannelSocket::SetReceiveTimeout(std::chrono::milliseconds timeout) const {
    if (fd_ < 0) return;
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timeout);
    const timeval wait{static_cast<time_t>(seconds.count()),
                       static_cast<suseconds_t>(std::chrono::duration_cast<std::chrono::microseconds>(timeout - seconds).count())};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
}

long ChannelSocket::Receive(std::vector<std::uint8_t>& buffer, int* receivedFd) const {
    if (receivedFd != nullptr) *receivedFd = -1;
    if (fd_ < 0) return -1;
    // Left uninitialised: sizing the caller's buffer for the largest record would clear 64 KiB on
    // every receive. (Not thread_local: its first use in a thread takes the loader's lock, which a
    // library talking to an in-process host from its load-time constructor already holds.) The
    // callers that receive often keep their memory and use ReceiveInto.
    const std::unique_ptr<std::uint8_t[]> scratch(new std::uint8_t[wire::kMaxMessage]);
    long received;
    do {
        received = ReceiveRecord(fd_, scratch.get(), wire::kMaxMessage, receivedFd);
    } while (received < 0 && errno == EINTR);
    if (received < 0) {
        buffer.clear();
        return -1;
    }
    buffer.assign(scratch.get(), scratch.get() + received);
    return received;
}

bool ChannelSocket::PeerStopped() const {
    ucred credentials{};
    if (fd_ < 0 || !PeerCredentials(fd_, credentials) || credentials.pid <= 0) return false;
    // The state is the field after the command's closing parenthesis: T stopped, t traced.
    char text[512];
    const std::string path = "/proc/" + std::to_string(credentials.pid) + "/stat";
    const int stat = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (stat < 0) return false;  // not visible from here (another pid namespace): taken as running
    const ssize_t got = ::read(stat, text, sizeof text - 1);
    ::close(stat);
    if (got <= 0) return false;
    const std::string_view line(text, static_cast<std::size_t>(got));
    const std::size_t end = line.rfind(')');
    return end != std::string_view::npos && end + 2 < line.size() && (line[end + 2] == 'T' || line[end + 2] == 't');
}

void ChannelSocket::Shutdown() const {
    if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
}

void ChannelSocket::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool ChannelListener::Listen() {
    Close();
    shutDown_ = false;
    name_ = DeviceChannelName();
    fd_ = ListenOnChannel(name_, 64, false, &refusal_);
    return fd_ >= 0;
}

ChannelSocket ChannelListener::Accept(pid_t* peerProcess) {
    for (;;) {
        if (fd_ < 0 || shutDown_) return ChannelSocket();
        const int fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            return ChannelSocket();
        }
        if (shutDown_) {
            ::close(fd);
            return ChannelSocket();
        }
        ucred credentials{};
        if (!PeerCredentials(fd, credentials)) {
            ::close(fd);
            continue;
        }
        if (peerProcess != nullptr) *peerProcess = credentials.pid;
        return ChannelSocket(fd);
    }
}

void ChannelListener::Shutdown() {
    shutDown_ = true;
    if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);  // on Linux this wakes a blocked accept()
}

void ChannelListener::Close() {
    CloseChannelListener(fd_, name_);
    fd_ = -1;
}

std::vector<std::string> ListDeviceInterfaces() {
    const wire::WireHeader header{static_cast<std::uint32_t>(wire::Kind::List), 1};
    ChannelSocket socket;
    std::vector<std::uint8_t> answer;
    std::vector<std::string> paths;
    if (Exchange(socket, header.id, &header, sizeof header, answer, RequestTimeout()) != wire::kStatusSuccess)
        return paths;
    std::string current;
    for (std::size_t i = sizeof(wire::AnswerMessage); i < answer.size(); ++i) {
        if (answer[i] == 0) {
            paths.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(answer[i]));
        }
    }
    return paths;
}

std::uint32_t DeviceHandle::Open(const std::string& path) {
    std::lock_guard lock(requestMutex_);
    socket_.Close();
    stalledId_ = 0;
    receiveTimeout_ = std::chrono::milliseconds(0);
    if (path.empty() || path.size() > wire::kMaxPath) return wire::kStatusNoSuchDevice;
    const wire::WireHeader header{static_cast<std::uint32_t>(wire::Kind::Open), nextId_++};
    std::vector<std::uint8_t> record(sizeof header + path.size());
    std::memcpy(record.data(), &header, sizeof header);
    std::memcpy(record.data() + sizeof header, path.data(), path.size());
    std::vector<std::uint8_t> answer;
    const std::uint32_t status = Exchange(socket_, header.id, record.data(), record.size(), answer, RequestTimeout());
    if (status != wire::kStatusSuccess) socket_.Close();
    return status;
}

std::uint32_t DeviceHandle::Control(std::uint32_t code, const void* in, std::uint32_t inLength,
                                    void* out, std::uint32_t outLength,
                                    std::uint64_t inPointerValue, std::uint64_t* bytes, int passFd,
                                    int* receivedFd) {
    if (bytes != nullptr) *bytes = 0;
    if (receivedFd != nullptr) *receivedFd = -1;
    if (inLength > wire::kMaxInput || (in == nullptr && inLength != 0))
        return wire::kStatusInvalidParameter;
    std::lock_guard lock(requestMutex_);
    if (!socket_.Valid()) return wire::kStatusInvalidHandle;
    wire::ControlMessage request{};
    request.header = {static_cast<std::uint32_t>(wire::Kind::Control), nextId_++};
    request.code = code;
    request.inLength = inLength;
    request.outLength = outLength;
    request.inPointerValue = inPointerValue;
    if (stalledId_ != 0) {
        if (const std::uint32_t late = CatchUp(); late != wire::kStatusSuccess) return late;
    }
    const std::chrono::milliseconds timeout = RequestTimeout();
    const Deadline deadline = DeadlineIn(timeout);
    const auto* head = reinterpret_cast<const std::uint8_t*>(&request);
    request_.assign(head, head + sizeof request);
    if (inLength != 0) request_.insert(request_.end(), static_cast<const std::uint8_t*>(in),
                                       static_cast<const std::uint8_t*>(in) + inLength);
    // Nearly always the socket takes the request at once; the answer is then waited for in the
    // receive, whose time-out is the request's (which ends it within the deadline).
    const bool sentAtOnce = socket_.Send(request_.data(), request_.size(), passFd, false);
    if (!sentAtOnce && !socket_.SendBefore(deadline, request_.data(), request_.size(), passFd)) {
        // Before the deadline the host is gone; at it, the host has not even taken the request,
        // so nothing of it is outstanding.
        return std::chrono::steady_clock::now() < deadline ? wire::kStatusNotConnected
                                                           : kStatusRequestTimedOut;
    }
    const bool waitInReceive = sentAtOnce && timeout.count() > 0;
    if (waitInReceive && receiveTimeout_ != timeout) {
        socket_.SetReceiveTimeout(timeout);
        receiveTimeout_ = timeout;
    }
    if (!answer_) answer_.reset(new std::uint8_t[wire::kMaxMessage]);  // uninitialised: nothing to clear
    long length = 0;
    switch (ReceiveAnswer(socket_, request.header.id, answer_.get(), wire::kMaxMessage, &length, receivedFd,
                          deadline, waitInReceive)) {
    case Reply::Answered: break;
    case Reply::Lost: return wire::kStatusNotConnected;
    case Reply::TimedOut:
        stalledId_ = request.header.id;
        return kStatusRequestTimedOut;
    }
    const auto answer = ReadRecord<wire::AnswerMessage>(answer_.get());
    const std::size_t carried = static_cast<std::size_t>(length) - sizeof answer;
    const std::size_t copied = std::min<std::size_t>(carried, out == nullptr ? 0 : outLength);
    if (copied != 0) std::memcpy(out, answer_.get() + sizeof answer, copied);
    if (bytes != nullptr) *bytes = answer.byteCount;
    return answer.status;
}

std::uint32_t DeviceHandle::CatchUp() {
    if (!answer_) answer_.reset(new std::uint8_t[wire::kMaxMessage]);
    long length = 0;
    switch (ReceiveAnswer(socket_, stalledId_, answer_.get(), wire::kMaxMessage, &length, nullptr,
                          std::chrono::steady_clock::now(), false)) {
    case Reply::TimedOut: return kStatusRequestTimedOut;
    case Reply::Lost: return wire::kStatusNotConnected;
    case Reply::Answered: break;
    }
    lateId_ = stalledId_;
    lateStatus_ = ReadRecord<wire::AnswerMessage>(answer_.get()).status;
    stalledId_ = 0;
    return wire::kStatusSuccess;
}

std::uint32_t DeviceHandle::StalledRequest() {
    std::lock_guard lock(requestMutex_);
    return stalledId_;
}

bool DeviceHandle::LateAnswer(std::uint32_t id, std::uint32_t* status) {
    std::lock_guard lock(requestMutex_);
    if (id == 0 || id == stalledId_ || id >= nextId_) return false;
    if (status != nullptr) *status = id == lateId_ ? lateStatus_ : wire::kStatusSuccess;
    return true;
}

void DeviceHandle::CancelIo() {
    const wire::WireHeader request{static_cast<std::uint32_t>(wire::Kind::Cancel), 0};
    socket_.Send(&request, sizeof request, -1, false);  // a host that reads nothing must not block us
}

void DeviceHandle::Close() {
    socket_.Shutdown();  // wakes a request blocked in another thread
    std::lock_guard lock(requestMutex_);
    socket_.Close();
    stalledId_ = 0;
    receiveTimeout_ = std::chrono::milliseconds(0);
}

void DeviceNotifications::Prepare(Callback callback, std::chrono::milliseconds retryInterval) {
    Stop();
    callback_ = std::move(callback);
    retryInterval_ = retryInterval;
    {
        std::lock_guard lock(mutex_);
        stopping_ = false;
    }
    present_.clear();
}

bool DeviceNotifications::Start(Callback callback, std::chrono::milliseconds retryInterval) {
    Prepare(std::move(callback), retryInterval);
    const bool connected = Subscribe(false);
    // What is present already is not replayed, but it goes when the host goes.
    if (connected) present_ = ListDeviceInterfaces();
    thread_ = std::thread([this, connected] { Run(connected); });
    return connected;
}

void DeviceNotifications::StartInBackground(Callback callback, std::chrono::milliseconds retryInterval) {
    Prepare(std::move(callback), retryInterval);
    thread_ = std::thread([this] {
        if (Subscribe(true)) Run(true);
        else Run(false);
    });
}

void DeviceNotifications::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        socket_.Shutdown();
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    socket_.Close();
    listening_ = false;
}

bool DeviceNotifications::Subscribe(bool replayPresent) {
    const wire::SubscribeMessage request{{static_cast<std::uint32_t>(wire::Kind::Subscribe), 1},
                                         replayPresent ? wire::kSubscribeReplayPresent : 0u};
    ChannelSocket socket;
    std::vector<std::uint8_t> answer;
    if (Exchange(socket, request.header.id, &request, sizeof request, answer, RequestTimeout()) != wire::kStatusSuccess)
        return false;
    std::lock_guard lock(mutex_);
    if (stopping_) return false;
    socket_ = std::move(socket);
    listening_ = true;
    return true;
}

void DeviceNotifications::Run(bool connected) {
    std::vector<std::uint8_t> buffer;
    for (;;) {
        if (!connected) {
            std::unique_lock lock(mutex_);
            if (wake_.wait_for(lock, retryInterval_, [this] { return stopping_; })) return;
            lock.unlock();
            connected = Subscribe(true);
            continue;
        }
        const long length = socket_.Receive(buffer);
        if (length <= 0) {
            listening_ = false;
            {
                std::lock_guard lock(mutex_);
                if (stopping_) return;
                socket_.Close();
            }
            connected = false;
            // The host is gone, and its devices with it; those it still has when it is back
            // arrive again through the replaying subscription.
            for (const std::string& path : std::exchange(present_, {}))
                callback_(DeviceEvent::Removed, path);
            continue;
        }
        if (length < static_cast<long>(sizeof(wire::NoticeMessage))) continue;
        const auto notice = ReadRecord<wire::NoticeMessage>(buffer.data());
        if (notice.header.kind != static_cast<std::uint32_t>(wire::Kind::Notice)) continue;
        const std::string path(buffer.begin() + sizeof notice, buffer.end());
        switch (static_cast<wire::NoticeEvent>(notice.event)) {
        case wire::NoticeEvent::Arrived:
            if (std::find(present_.begin(), present_.end(), path) == present_.end())
                present_.push_back(path);
            callback_(DeviceEvent::Arrived, path);
            break;
        case wire::NoticeEvent::Removed:
            std::erase(present_, path);
            callback_(DeviceEvent::Removed, path);
            break;
        case wire::NoticeEvent::SystemSleep: callback_(DeviceEvent::SystemSleep, path); break;
        case wire::NoticeEvent::SystemWake: callback_(DeviceEvent::SystemWake, path); break;
        default: break;
        }
    }
}

} // namespace plat::sys
