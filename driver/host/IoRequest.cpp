#include "driver/host/IoRequest.h"

#include "driver/host/RequestCounter.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace lxq::host {

IoRequest::~IoRequest() {
    if (passedFd >= 0) ::close(passedFd);
    if (replyFd >= 0) ::close(replyFd);
}

std::shared_ptr<IoRequest> IoRequest::Control(std::uint32_t code, const void* in, std::uint32_t inLength,
                                              std::uint32_t outLength, std::uint64_t inPointerValue,
                                              Completion completion) {
    auto request = std::make_shared<IoRequest>(RequestKind::DeviceControl, std::move(completion));
    request->SetUpControl(code, in, inLength, outLength, inPointerValue);
    return request;
}

void IoRequest::ReuseForControl(std::uint32_t code, const void* in, std::uint32_t inLength, std::uint32_t outLength,
                                std::uint64_t inPointerValue) {
    if (passedFd >= 0) ::close(passedFd);
    if (replyFd >= 0) ::close(replyFd);
    passedFd = replyFd = -1;
    kind_ = RequestKind::DeviceControl;
    pnpMinor = PnpMinor::Other;
    powerMinor = PowerMinor::SetPower;
    powerType = PowerType::Device;
    powerState = kD0;
    bytes = 0;
    caller = 0;
    handle = 0;
    ReleaseCount();
    completed_.store(false);
    cancelled_.store(false);
    status_ = kStatusPending;
    information_ = 0;
    SetUpControl(code, in, inLength, outLength, inPointerValue);
}

void IoRequest::SetUpControl(std::uint32_t controlCode, const void* in, std::uint32_t inBytes, std::uint32_t outBytes,
                             std::uint64_t pointerValue) {
    code = controlCode;
    inLength = inBytes;
    outLength = outBytes;
    inPointerValue = pointerValue;
    buffer.clear();
    if (TransferMethod(code) == kMethodBuffered) {
        buffer.resize(std::max(inLength, outLength));
        if (inLength != 0 && in != nullptr) std::memcpy(buffer.data(), in, inLength);
    }
}

void IoRequest::SetCountRelease(std::shared_ptr<RequestCounter> counter) {
    counted_ = std::move(counter);
    countHeld_.store(counted_ != nullptr, std::memory_order_release);
}

void IoRequest::ReleaseCount() {
    if (!countHeld_.exchange(false, std::memory_order_acq_rel)) return;
    const std::shared_ptr<RequestCounter> counter = std::move(counted_);
    counter->Decrement();
}

void IoRequest::Complete(NtStatus status, std::uint64_t information) {
    if (completed_.exchange(true)) return;
    ReleaseCount();  // the caller may act on the answer at once and must not see it in flight
    status_ = status;
    information_ = information;
    if (completion_) completion_(*this);
}

} // namespace lxq::host
