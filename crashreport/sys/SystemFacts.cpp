#include "crashreport/sys/SystemFacts.h"

#include "crashreport/sys/ProcFile.h"
#include "crashreport/sys/DirectoryEntries.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <langinfo.h>
#include <sched.h>
#include <sys/auxv.h>
#include <sys/resource.h>
#include <sys/statfs.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace errvane {
namespace {

unsigned ParseUnsigned(const char*& p) {
    unsigned value = 0;
    while (*p >= '0' && *p <= '9') value = value * 10 + static_cast<unsigned>(*p++ - '0');
    return value;
}

void CopyText(char* out, std::size_t size, const char* from, std::size_t length) {
    if (size == 0) return;
    if (length >= size) length = size - 1;
    std::memcpy(out, from, length);
    out[length] = 0;
}

// Copies one blank-separated field of a mount table line, undoing the octal escapes (\040).
const char* CopyMountField(const char* p, char* out, std::size_t size) {
    std::size_t n = 0;
    while (*p != 0 && *p != ' ' && *p != '\n') {
        char c = *p++;
        if (c == '\\' && p[0] >= '0' && p[0] <= '7' && p[1] >= '0' && p[1] <= '7' && p[2] >= '0' && p[2] <= '7') {
            c = static_cast<char>((p[0] - '0') * 64 + (p[1] - '0') * 8 + (p[2] - '0'));
            p += 3;
        }
        if (n + 1 < size) out[n++] = c;
    }
    out[n] = 0;
    while (*p == ' ') ++p;
    return p;
}

// The online processors ("0-3,6") as a count and as a mask of the first 64.
bool OnlineProcessors(long* count, std::uint64_t* mask) {
    char text[1024];
    if (ProcFile::Read("/sys/devices/system/cpu/online", text, sizeof text) <= 0) return false;
    *count = 0;
    *mask = 0;
    for (const char* p = text; *p >= '0' && *p <= '9';) {
        const unsigned first = ParseUnsigned(p);
        unsigned last = first;
        if (*p == '-') {
            ++p;
            last = ParseUnsigned(p);
        }
        for (unsigned cpu = first; cpu <= last; ++cpu) {
            ++*count;
            if (cpu < 64) *mask |= 1ull << cpu;
        }
        if (*p == ',') ++p;
    }
    return *count > 0;
}

}  // namespace

bool SystemFacts::ReadKernel(Kernel* kernel) {
    utsname names{};
    if (uname(&names) != 0) return false;
    const char* p = names.release;
    kernel->major = ParseUnsigned(p);
    if (*p == '.') ++p;
    kernel->minor = ParseUnsigned(p);
    if (*p == '.') ++p;
    kernel->build = ParseUnsigned(p);
    CopyText(kernel->version, sizeof kernel->version, names.version, std::strlen(names.version));
    CopyText(kernel->machine, sizeof kernel->machine, names.machine, std::strlen(names.machine));
    return true;
}

void SystemFacts::DistributionName(char* name, std::size_t size) {
    CopyText(name, size, "Linux", 5);
    char text[4096];
    if (ProcFile::Read("/etc/os-release", text, sizeof text) <= 0) return;
    for (const char* line = text; line != nullptr && *line != 0; line = NextLine(line)) {
        if (std::strncmp(line, "PRETTY_NAME=", 12) != 0) continue;
        const char* value = line + 12;
        const char* end = std::strchr(value, '\n');
        std::size_t length = end != nullptr ? static_cast<std::size_t>(end - value) : std::strlen(value);
        if (length >= 2 && (value[0] == '"' || value[0] == '\'') && value[length - 1] == value[0]) {
            ++value;
            length -= 2;
        }
        CopyText(name, size, value, length);
        return;
    }
}

long SystemFacts::ProcessorCount() {
    long count = 0;
    std::uint64_t mask = 0;
    return OnlineProcessors(&count, &mask) ? count : sysconf(_SC_NPROCESSORS_ONLN);
}

unsigned long SystemFacts::PageSize() { return getauxval(AT_PAGESZ); }

const char* SystemFacts::CodeSetName() { return nl_langinfo(CODESET); }

bool SystemFacts::Nice(int* nice) {
    errno = 0;
    const int value = getpriority(PRIO_PROCESS, 0);
    if (value == -1 && errno != 0) return false;
    *nice = value;
    return true;
}

bool SystemFacts::Affinity(std::uint64_t* processMask, std::uint64_t* systemMask) {
    cpu_set_t set;
    CPU_ZERO(&set);
    long count = 0;
    if (sched_getaffinity(0, sizeof set, &set) != 0 || !OnlineProcessors(&count, systemMask)) return false;
    *processMask = 0;
    for (unsigned cpu = 0; cpu < 64; ++cpu)
        if (CPU_ISSET(cpu, &set)) *processMask |= 1ull << cpu;
    return true;
}

long SystemFacts::OpenFileCount() {
    long count = 0;
    if (!ForEachDirectoryEntry("/proc/self/fd", [&](const char* name) {
            if (name[0] != '.') ++count;
        }))
        return -1;
    return count - 1;  // the descriptor that read the folder
}

bool SystemFacts::ReadProcessTimes(ProcessTimes* times) {
    char stat[2048];
    if (ProcFile::Read("/proc/self/stat", stat, sizeof stat) <= 0) return false;
    unsigned long long fields[23];
    if (!ProcFile::StatFields(stat, fields, 23)) return false;
    const unsigned long long ticks = getauxval(AT_CLKTCK) != 0 ? getauxval(AT_CLKTCK) : 100;
    timespec sinceBoot{}, now{};
    clock_gettime(CLOCK_BOOTTIME, &sinceBoot);
    clock_gettime(CLOCK_REALTIME, &now);
    const std::uint64_t bootMs = static_cast<std::uint64_t>(sinceBoot.tv_sec) * 1000u + static_cast<std::uint64_t>(sinceBoot.tv_nsec) / 1000000u;
    const std::uint64_t startMs = fields[22] * 1000u / ticks;
    times->runMs = bootMs > startMs ? bootMs - startMs : 0;
    times->startEpochSeconds = static_cast<std::uint64_t>(now.tv_sec) - times->runMs / 1000u;
    times->userMs = fields[14] * 1000u / ticks;
    times->kernelMs = fields[15] * 1000u / ticks;
    times->pageFaults = fields[10] + fields[12];
    return true;
}

const char* SystemFacts::NextLine(const char* line) {
    const char* end = std::strchr(line, '\n');
    return end == nullptr ? nullptr : end + 1;
}

bool SystemFacts::ReadDisk(const char* line, Disk* disk) {
    static const char* const kPseudo[] = {"proc", "sysfs", "cgroup", "cgroup2", "devpts", "mqueue", "debugfs",
                                          "tracefs", "securityfs", "pstore", "bpf", "configfs", "fusectl",
                                          "hugetlbfs", "autofs", "binfmt_misc", "efivarfs", "nsfs", "devtmpfs"};
    char device[512];
    const char* p = CopyMountField(line, device, sizeof device);
    p = CopyMountField(p, disk->mountPoint, sizeof disk->mountPoint);
    CopyMountField(p, disk->type, sizeof disk->type);
    for (const char* pseudo : kPseudo)
        if (std::strcmp(disk->type, pseudo) == 0) return false;
    struct statfs info{};
    if (statfs(disk->mountPoint, &info) != 0 || info.f_blocks == 0) return false;
    const std::uint64_t unit = info.f_frsize != 0 ? static_cast<std::uint64_t>(info.f_frsize) : static_cast<std::uint64_t>(info.f_bsize);
    disk->totalBytes = static_cast<std::uint64_t>(info.f_blocks) * unit;
    disk->freeBytes = static_cast<std::uint64_t>(info.f_bfree) * unit;
    std::uint64_t id = 0;
    std::memcpy(&id, &info.f_fsid, sizeof id < sizeof info.f_fsid ? sizeof id : sizeof info.f_fsid);
    disk->fileSystemId = id ^ static_cast<std::uint64_t>(info.f_blocks) * 1315423911u;
    return true;
}

}  // namespace errvane
