#pragma once
#include <cstddef>
#include <cstdint>

namespace errvane {

// Small queries about the machine and the process, each with plain system calls and files.
class SystemFacts {
public:
    struct Kernel {
        unsigned major = 0, minor = 0, build = 0;
        char version[256] = {};
        char machine[64] = {};
    };
    struct Disk {
        char mountPoint[512];
        char type[64];
        std::uint64_t freeBytes;
        std::uint64_t totalBytes;
        std::uint64_t fileSystemId;
    };
    struct ProcessTimes {
        std::uint64_t startEpochSeconds = 0;
        std::uint64_t runMs = 0;
        std::uint64_t kernelMs = 0;
        std::uint64_t userMs = 0;
        std::uint64_t pageFaults = 0;
    };

    static bool ReadKernel(Kernel* kernel);
    // PRETTY_NAME of /etc/os-release, else "Linux".
    static void DistributionName(char* name, std::size_t size);
    static long ProcessorCount();
    static unsigned long PageSize();
    static const char* CodeSetName();
    static bool Nice(int* nice);
    static bool Affinity(std::uint64_t* processMask, std::uint64_t* systemMask);
    // Open file descriptors of the process, -1 when they cannot be counted.
    static long OpenFileCount();
    static bool ReadProcessTimes(ProcessTimes* times);

    // Calls visit(mountPoint, type, freeBytes, totalBytes) for every mounted file system with a
    // size, once per file system, in the order of the mount table.
    template <typename Visit>
    static void ForEachDisk(const char* mountTable, Visit visit) {
        std::uint64_t seen[256];
        std::size_t seenCount = 0;
        Disk disk;
        for (const char* line = mountTable; line != nullptr && *line != 0; line = NextLine(line)) {
            if (!ReadDisk(line, &disk)) continue;
            bool repeated = false;
            for (std::size_t i = 0; i < seenCount && !repeated; ++i) repeated = seen[i] == disk.fileSystemId;
            if (repeated) continue;
            if (seenCount < 256) seen[seenCount++] = disk.fileSystemId;
            visit(disk.mountPoint, disk.type, disk.freeBytes, disk.totalBytes);
        }
    }

private:
    static const char* NextLine(const char* line);
    static bool ReadDisk(const char* line, Disk* disk);
};

}  // namespace errvane
