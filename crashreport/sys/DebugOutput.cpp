#include "crashreport/sys/DebugOutput.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace errvane {

namespace {

void WriteAll(int fd, const char* text, std::size_t length) {
    while (length > 0) {
        const ssize_t n = write(fd, text, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text += n;
        length -= static_cast<std::size_t>(n);
    }
}

}  // namespace

void DebugOutput::Write(const char* text) { Write(text, std::strlen(text)); }

void DebugOutput::Write(const char* text, std::size_t length) {
    const int saved = errno;
    // The program's debug output goes to the file the environment names, when it names one; this
    // library's lines (traces, the profiler's report at exit) belong there too.
    const char* path = std::getenv("LXQ745_DEBUG_OUTPUT");
    const int fd = (path && *path) ? open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644) : -1;
    WriteAll(fd >= 0 ? fd : STDERR_FILENO, text, length);
    if (fd >= 0) close(fd);
    errno = saved;
}

}  // namespace errvane
