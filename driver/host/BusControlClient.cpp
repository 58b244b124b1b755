#include "driver/host/BusControlClient.h"

#include "platform/sys/DeviceChannel.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace lxq::host {

namespace wire = plat::sys::wire;

NtStatus BusControlClient::Send(const std::string& command, std::string& reply, std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    std::string refusal;
    plat::sys::ChannelSocket socket = plat::sys::ChannelSocket::Connect(wait, &refusal);
    if (!socket.Valid()) {
        // A stranger on the address, or a folder that is not the user's own, is named as such.
        reply = !refusal.empty() ? "refused: " + refusal : "no driver host on \"" + plat::sys::DeviceChannelAddress() + "\"";
        return wire::kStatusNoSuchDevice;
    }
    const wire::WireHeader header{static_cast<std::uint32_t>(wire::Kind::BusCommand), 1};
    std::vector<std::uint8_t> record(sizeof header + command.size());
    std::memcpy(record.data(), &header, sizeof header);
    std::memcpy(record.data() + sizeof header, command.data(), command.size());
    std::vector<std::uint8_t> answer;
    // A host that refuses the connection answers at once and hangs up, perhaps before the command
    // could be sent: its answer is read even then.
    socket.SendBefore(deadline, record.data(), record.size());
    long received = plat::sys::ChannelSocket::kTimedOut;
    for (;;) {
        // A host that is stopped (SIGSTOP) answers nothing until it is continued: said at once.
        const auto slice = std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(200));
        received = socket.ReceiveBefore(slice, answer);
        if (received != plat::sys::ChannelSocket::kTimedOut || slice == deadline) break;
        if (socket.PeerStopped()) {
            reply = "the driver host is stopped and answers nothing until it is continued";
            return plat::sys::kStatusRequestTimedOut;
        }
    }
    if (received == plat::sys::ChannelSocket::kTimedOut) {
        reply = "the driver host did not answer within " + std::to_string(wait.count()) + " ms";
        return plat::sys::kStatusRequestTimedOut;
    }
    if (received < static_cast<long>(sizeof(wire::AnswerMessage))) {
        reply = "the driver host closed the connection";
        return wire::kStatusNotConnected;
    }
    wire::AnswerMessage head{};
    std::memcpy(&head, answer.data(), sizeof head);
    reply.assign(answer.begin() + sizeof head, answer.end());
    return head.status;
}

} // namespace lxq::host
