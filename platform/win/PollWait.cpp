#include "platform/win/PollWait.h"

#include <cerrno>

namespace plat::win {

bool PollWait(pollfd* fds, nfds_t count, sys::Nanoseconds timeout) {
    int timeoutMs = -1;
    if (timeout >= 0) {
        // Round up so a wait never ends just before the deadline it waits for.
        const sys::Nanoseconds ms = (timeout + sys::kNsPerMs - 1) / sys::kNsPerMs;
        timeoutMs = ms > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(ms);
    }
    int rc;
    do {
        rc = poll(fds, count, timeoutMs);
    } while (rc < 0 && errno == EINTR);
    return rc > 0;
}

} // namespace plat::win
