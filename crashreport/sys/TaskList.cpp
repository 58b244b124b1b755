#include "crashreport/sys/TaskList.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace errvane {

namespace {
struct DirectoryEntry {
    std::uint64_t inode;
    std::int64_t offset;
    unsigned short length;
    unsigned char type;
    char name[1];
};
}  // namespace

std::size_t ListTaskIds(long* ids, std::size_t capacity) {
    const int fd = open("/proc/self/task", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return 0;
    std::size_t count = 0;
    alignas(8) char buffer[4096];
    for (;;) {
        const long n = syscall(SYS_getdents64, fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        for (long at = 0; at < n;) {
            const auto* entry = reinterpret_cast<const DirectoryEntry*>(buffer + at);
            const char* name = buffer + at + offsetof(DirectoryEntry, name);
            if (name[0] >= '0' && name[0] <= '9' && count < capacity) {
                long id = 0;
                for (const char* p = name; *p >= '0' && *p <= '9'; ++p) id = id * 10 + (*p - '0');
                ids[count++] = id;
            }
            at += entry->length;
        }
    }
    close(fd);
    return count;
}

}  // namespace errvane
