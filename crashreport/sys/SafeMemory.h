#pragma once
#include <cstddef>
#include <cstdint>

namespace errvane {

// Reads the process's own memory without ever faulting: the kernel copies it (process_vm_readv on
// our own process) and reports unreadable pages as an error instead of a signal.
class SafeMemory {
public:
    // All or nothing.
    static bool Read(std::uint64_t address, void* out, std::size_t bytes);
    // The readable prefix: the number of bytes copied before the first unreadable page.
    static std::size_t ReadSome(std::uint64_t address, void* out, std::size_t bytes);
    static bool IsReadable(std::uint64_t address, std::size_t bytes);
};

}  // namespace errvane
