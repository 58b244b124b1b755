#include "crashreport/sys/ProcFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace errvane {

long ProcFile::Read(const char* path, char* buffer, std::size_t size) {
    if (size == 0) return -1;
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    std::size_t total = 0;
    while (total + 1 < size) {
        const ssize_t n = read(fd, buffer + total, size - 1 - total);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        total += static_cast<std::size_t>(n);
    }
    close(fd);
    buffer[total] = 0;
    return static_cast<long>(total);
}

bool ProcFile::FindNumber(const char* text, const char* key, unsigned long long* value) {
    const std::size_t keyLength = std::strlen(key);
    for (const char* line = text; line != nullptr && *line != 0;) {
        if (std::strncmp(line, key, keyLength) == 0 && line[keyLength] == ':') {
            const char* p = line + keyLength + 1;
            while (*p == ' ' || *p == '\t') ++p;
            if (*p < '0' || *p > '9') return false;
            unsigned long long number = 0;
            while (*p >= '0' && *p <= '9') number = number * 10 + static_cast<unsigned>(*p++ - '0');
            *value = number;
            return true;
        }
        line = std::strchr(line, '\n');
        if (line != nullptr) ++line;
    }
    return false;
}

bool ProcFile::StatFields(const char* text, unsigned long long* fields, int count) {
    for (int i = 0; i < count; ++i) fields[i] = 0;
    const char* p = std::strrchr(text, ')');
    if (p == nullptr) return false;
    ++p;
    for (int field = 3; field < count && *p != 0; ++field) {
        while (*p == ' ') ++p;
        while (*p >= '0' && *p <= '9') fields[field] = fields[field] * 10 + static_cast<unsigned>(*p++ - '0');
        while (*p != 0 && *p != ' ') ++p;
    }
    return true;
}

}  // namespace errvane
