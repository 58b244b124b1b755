#include "platform/sys/PassableEvent.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace plat::sys {

PassableEvent::PassableEvent() : fd_(eventfd(0, EFD_CLOEXEC)) {}

PassableEvent::~PassableEvent() {
    if (fd_ >= 0) close(fd_);
}

void PassableEvent::Set() {
    const std::uint64_t one = 1;
    while (write(fd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void PassableEvent::Wait() {
    std::uint64_t count = 0;
    // Reading takes the whole count: every Set since the last Wait wakes this one Wait.
    while (read(fd_, &count, sizeof count) < 0 && errno == EINTR) {
    }
}

} // namespace plat::sys
