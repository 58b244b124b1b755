#pragma once
#include <cstddef>

namespace errvane {

namespace detail {
// One batch of entries: their names, read into `buffer`; the number of bytes, 0 at the end.
long ReadDirectoryBatch(int fd, char* buffer, std::size_t size);
const char* EntryName(const char* entry);
unsigned short EntryLength(const char* entry);
int OpenDirectory(const char* path);
void CloseDirectory(int fd);
}  // namespace detail

// Calls visit(name) for every entry of a folder, "." and ".." included, reading it with
// getdents64 into a buffer on the stack (no allocation); false when the folder cannot be opened.
template <typename Visit>
bool ForEachDirectoryEntry(const char* path, Visit visit) {
    const int fd = detail::OpenDirectory(path);
    if (fd < 0) return false;
    alignas(8) char buffer[4096];
    for (long n; (n = detail::ReadDirectoryBatch(fd, buffer, sizeof buffer)) > 0;)
        for (long at = 0; at < n; at += detail::EntryLength(buffer + at)) visit(detail::EntryName(buffer + at));
    detail::CloseDirectory(fd);
    return true;
}

}  // namespace errvane
