#include "platform/audio/VirtualCardChannel.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstring>

namespace plat::audio {
namespace {

namespace wire = sys::wire;

sys::ChannelSocket Connect() { return sys::ChannelSocket::ConnectTo(VirtualCardAddress()); }

// How often a wait for the card looks whether the host is stopped (SIGSTOP): a stopped host
// answers nothing until it is continued, and a program that looks for sound devices must not
// wait a request's whole time-out for it.
constexpr auto kStoppedCheck = std::chrono::milliseconds(200);

// Sends a request and waits for the answer with its id, at most the request time-out; the
// answer's status, or kStatusNoSuchDevice when the card went away, is stopped, or did not answer
// in time.
std::uint32_t Exchange(const sys::ChannelSocket& socket, std::uint32_t id,
                       const std::vector<std::uint8_t>& record, std::vector<std::uint8_t>& answer,
                       int passFd, int* receivedFd) {
    const auto deadline = std::chrono::steady_clock::now() + sys::RequestTimeout();
    if (!socket.Valid() || !socket.SendBefore(deadline, record.data(), record.size(), passFd))
        return wire::kStatusNoSuchDevice;
    for (;;) {
        int fd = -1;
        const auto slice = std::min(deadline, std::chrono::steady_clock::now() + kStoppedCheck);
        const long length = socket.ReceiveBefore(slice, answer, &fd);
        if (length == sys::ChannelSocket::kTimedOut && slice != deadline && !socket.PeerStopped()) continue;
        if (length < static_cast<long>(sizeof(wire::AnswerMessage))) {
            if (fd >= 0) ::close(fd);
            if (length <= 0) return wire::kStatusNoSuchDevice;  // gone, stopped, or no answer in time
            continue;
        }
        wire::AnswerMessage head{};
        std::memcpy(&head, answer.data(), sizeof head);
        if (head.header.kind != static_cast<std::uint32_t>(wire::Kind::Answer) || head.header.id != id) {
            if (fd >= 0) ::close(fd);
            continue;
        }
        if (receivedFd != nullptr) *receivedFd = fd;
        else if (fd >= 0) ::close(fd);
        return head.status;
    }
}

std::vector<std::uint8_t> Record(wire::Kind kind, std::uint32_t id, const void* tail, std::size_t length) {
    const wire::WireHeader header{static_cast<std::uint32_t>(kind), id};
    std::vector<std::uint8_t> record(sizeof header + length);
    std::memcpy(record.data(), &header, sizeof header);
    if (length != 0) std::memcpy(record.data() + sizeof header, tail, length);
    return record;
}

} // namespace

std::string VirtualCardAddress() { return sys::DeviceChannelName() + ".vsc"; }

std::vector<std::string> VirtualCardInterfaces() {
    std::vector<std::string> paths;
    const sys::ChannelSocket socket = Connect();
    std::vector<std::uint8_t> answer;
    if (Exchange(socket, 1, Record(wire::Kind::List, 1, nullptr, 0), answer, -1, nullptr) != wire::kStatusSuccess)
        return paths;
    std::string current;
    for (std::size_t i = sizeof(wire::AnswerMessage); i < answer.size(); ++i) {
        if (answer[i] != 0) {
            current.push_back(static_cast<char>(answer[i]));
            continue;
        }
        paths.push_back(current);
        current.clear();
    }
    return paths;
}

std::uint32_t VirtualCardHandle::Open(const std::string& path) {
    std::lock_guard lock(mutex_);
    socket_ = Connect();
    if (path.empty() || path.size() > wire::kMaxPath) socket_.Close();
    std::vector<std::uint8_t> answer;
    const std::uint32_t id = nextId_++;
    const std::uint32_t status =
        Exchange(socket_, id, Record(wire::Kind::Open, id, path.data(), path.size()), answer, -1, nullptr);
    if (status != wire::kStatusSuccess) socket_.Close();
    return status;
}

std::uint32_t VirtualCardHandle::Control(std::uint32_t code, const void* in, std::uint32_t inLength,
                                         void* out, std::uint32_t outLength, std::uint64_t* bytes,
                                         int passFd, int* receivedFd) {
    std::lock_guard lock(mutex_);
    if (bytes != nullptr) *bytes = 0;
    if (!socket_.Valid()) return wire::kStatusInvalidHandle;
    if (inLength > wire::kMaxInput) return wire::kStatusInvalidParameter;
    const std::uint32_t id = nextId_++;
    wire::ControlMessage message{{static_cast<std::uint32_t>(wire::Kind::Control), id}, code, inLength,
                                 outLength, 0, 0};
    std::vector<std::uint8_t> record(sizeof message + inLength);
    std::memcpy(record.data(), &message, sizeof message);
    if (inLength != 0) std::memcpy(record.data() + sizeof message, in, inLength);
    std::vector<std::uint8_t> answer;
    const std::uint32_t status = Exchange(socket_, id, record, answer, passFd, receivedFd);
    if (answer.size() >= sizeof(wire::AnswerMessage)) {
        wire::AnswerMessage head{};
        std::memcpy(&head, answer.data(), sizeof head);
        if (bytes != nullptr) *bytes = head.byteCount;
        const std::size_t carried = answer.size() - sizeof head;
        if (out != nullptr) std::memcpy(out, answer.data() + sizeof head, std::min<std::size_t>(carried, outLength));
    }
    return status;
}

bool VirtualCardListener::Listen() {
    Close();
    name_ = VirtualCardAddress();
    fd_ = sys::ListenOnChannel(name_, 16, true, &refusal_);
    return fd_ >= 0;
}

sys::ChannelSocket VirtualCardListener::Accept() {
    const int fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return {};
    ucred credentials{};
    if (!sys::PeerCredentials(fd, credentials) || !sys::OwnUserOrRoot(credentials)) {
        ::close(fd);
        return {};
    }
    return sys::ChannelSocket(fd);
}

void VirtualCardListener::Close() {
    sys::CloseChannelListener(fd_, name_);
    fd_ = -1;
}

} // namespace plat::audio
