#include "platform/win/HeadlessBackend.h"

#include "platform/win/PollWait.h"

namespace plat::win {

bool HeadlessBackend::Wait(int wakeFd, sys::Nanoseconds timeout) {
    pollfd pfd{wakeFd, POLLIN, 0};
    return PollWait(&pfd, 1, timeout);
}

} // namespace plat::win
