#include "crashreport/sys/TaskList.h"

#include "crashreport/sys/DirectoryEntries.h"

#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace errvane {

std::size_t ListTaskIds(long* ids, std::size_t capacity) {
    std::size_t count = 0;
    ForEachDirectoryEntry("/proc/self/task", [&](const char* name) {
        if (name[0] < '0' || name[0] > '9' || count == capacity) return;
        long id = 0;
        for (const char* p = name; *p >= '0' && *p <= '9'; ++p) id = id * 10 + (*p - '0');
        ids[count++] = id;
    });
    return count;
}

bool TaskTakesSignal(long id, int signal) {
    char path[64] = "/proc/self/task/";
    char digits[24];
    int n = 0;
    for (long v = id; n == 0 || v != 0; v /= 10) digits[n++] = static_cast<char>('0' + v % 10);
    std::size_t at = std::strlen(path);
    while (n > 0) path[at++] = digits[--n];
    std::memcpy(path + at, "/status", 8);
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;  // the thread has ended
    char text[4096];
    std::size_t length = 0;
    for (ssize_t got; length < sizeof text - 1 && (got = read(fd, text + length, sizeof text - 1 - length)) > 0;)
        length += static_cast<std::size_t>(got);
    close(fd);
    text[length] = '\0';
    const char* line = std::strstr(text, "\nSigBlk:");
    if (line == nullptr) return true;
    const char* p = line + 9;
    while (*p == ' ' || *p == '\t') ++p;
    std::uint64_t blocked = 0;
    for (;; ++p) {
        const char c = *p;
        const int value = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (value < 0) break;
        blocked = blocked << 4 | static_cast<std::uint64_t>(value);
    }
    return signal < 1 || signal > 64 || (blocked >> (signal - 1) & 1u) == 0;
}

}  // namespace errvane
