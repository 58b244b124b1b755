#pragma once
// Sends device-control requests straight to a receiver device, as the dispatcher would, for the
// transport tests that need the handler above the transport but not the channel.

#include <cstring>
#include <vector>

#include "driver/host/ReceiverDevice.h"

namespace lxq::transport::test {

struct Answer {
    NtStatus status;
    std::uint64_t bytes;
    std::vector<std::uint8_t> out;
    std::uint32_t Word(std::size_t i) const {
        std::uint32_t v = 0;
        std::memcpy(&v, out.data() + 4 * i, 4);
        return v;
    }
};

inline Answer Send(host::ReceiverDevice& device, std::uint32_t code, std::vector<std::uint32_t> in = {},
                   std::uint32_t outLength = 0, std::uint64_t inPointer = 0) {
    const auto inLength = static_cast<std::uint32_t>(in.size() * 4);
    auto request = host::IoRequest::Control(code, in.data(), inLength, outLength, inPointer, [](host::IoRequest&) {});
    const NtStatus status = device.HandleDeviceControl(*request);
    Answer answer{status, request->bytes, {}};
    answer.out.assign(request->buffer.begin(), request->buffer.begin() + std::min<std::size_t>(outLength, request->buffer.size()));
    request->Complete(status, request->bytes);
    return answer;
}

// What the API library sends after opening a receiver: the internal reference and the second IF.
inline void SelectReferenceAndIf2(host::ReceiverDevice& device) {
    Send(device, IOCTL_LXQ745_SET_REF_CLOCK, {0, 1, 0xFFFFFFFFu}, 12);
    Send(device, IOCTL_LXQ745_SET_IF2_FREQUENCY, {455'000, 0, 1}, 12);
}

// Tunes with the push and lock waits and returns the answer (word 2: ok word).
inline Answer Tune(host::ReceiverDevice& device, std::uint32_t hz) {
    return Send(device, IOCTL_LXQ745_SET_FREQUENCY, {hz, 0, 1u | 8u}, 12);
}

} // namespace lxq::transport::test
