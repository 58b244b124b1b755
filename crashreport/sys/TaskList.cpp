#include "crashreport/sys/TaskList.h"

#include "crashreport/sys/DirectoryEntries.h"

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

}  // namespace errvane
