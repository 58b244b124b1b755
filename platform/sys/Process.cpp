#include "platform/sys/Process.h"

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace plat::sys {

std::uint32_t CurrentProcessId() { return static_cast<std::uint32_t>(getpid()); }

bool ProcessExists(std::uint32_t pid) {
    if (pid == 0 || pid > 0x7FFFFFFFu) return false;
    if (kill(static_cast<pid_t>(pid), 0) == 0) return true;
    return errno == EPERM;
}

} // namespace plat::sys
