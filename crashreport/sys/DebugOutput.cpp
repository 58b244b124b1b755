#include "crashreport/sys/DebugOutput.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace errvane {

void DebugOutput::Write(const char* text) { Write(text, std::strlen(text)); }

void DebugOutput::Write(const char* text, std::size_t length) {
    const int saved = errno;
    while (length > 0) {
        const ssize_t n = write(STDERR_FILENO, text, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text += n;
        length -= static_cast<std::size_t>(n);
    }
    errno = saved;
}

}  // namespace errvane
