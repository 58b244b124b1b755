#include "crashreport/sys/DirectoryEntries.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace errvane {

namespace detail {

namespace {
// The record getdents64 fills.
struct DirectoryEntry {
    std::uint64_t inode;
    std::int64_t offset;
    unsigned short length;
    unsigned char type;
    char name[1];
};
}  // namespace

long ReadDirectoryBatch(int fd, char* buffer, std::size_t size) {
    long n;
    do n = syscall(SYS_getdents64, fd, buffer, size);
    while (n < 0 && errno == EINTR);
    return n;
}

const char* EntryName(const char* entry) { return entry + offsetof(DirectoryEntry, name); }

unsigned short EntryLength(const char* entry) { return reinterpret_cast<const DirectoryEntry*>(entry)->length; }

int OpenDirectory(const char* path) { return open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC); }

void CloseDirectory(int fd) { close(fd); }

}  // namespace detail

}  // namespace errvane
