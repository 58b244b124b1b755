#include "driver/host/IoRequest.h"

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
    request->code = code;
    request->inLength = inLength;
    request->outLength = outLength;
    request->inPointerValue = inPointerValue;
    if (TransferMethod(code) == kMethodBuffered) {
        request->buffer.assign(std::max(inLength, outLength), 0);
        if (inLength != 0 && in != nullptr) std::memcpy(request->buffer.data(), in, inLength);
    }
    return request;
}

void IoRequest::SetCountRelease(std::function<void()> release) {
    std::lock_guard lock(releaseMutex_);
    countRelease_ = std::move(release);
}

void IoRequest::ReleaseCount() {
    std::function<void()> release;
    {
        std::lock_guard lock(releaseMutex_);
        release.swap(countRelease_);
    }
    if (release) release();
}

void IoRequest::Complete(NtStatus status, std::uint64_t information) {
    if (completed_.exchange(true)) return;
    ReleaseCount();  // the caller may act on the answer at once and must not see it in flight
    status_ = status;
    information_ = information;
    if (completion_) completion_(*this);
}

} // namespace lxq::host
