#include "crashreport/sys/SafeMemory.h"

#include <cerrno>
#include <sys/uio.h>
#include <unistd.h>

namespace errvane {

namespace {
constexpr std::size_t kChunk = 4096;
}

std::size_t SafeMemory::ReadSome(std::uint64_t address, void* out, std::size_t bytes) {
    if (bytes == 0) return 0;
    if (address + bytes < address) bytes = static_cast<std::size_t>(0 - address);  // stop at the top
    const int saved = errno;
    iovec local{out, bytes};
    iovec remote{reinterpret_cast<void*>(static_cast<std::uintptr_t>(address)), bytes};
    const ssize_t n = process_vm_readv(getpid(), &local, 1, &remote, 1, 0);
    errno = saved;
    return n < 0 ? 0 : static_cast<std::size_t>(n);
}

bool SafeMemory::Read(std::uint64_t address, void* out, std::size_t bytes) {
    return ReadSome(address, out, bytes) == bytes;
}

bool SafeMemory::IsReadable(std::uint64_t address, std::size_t bytes) {
    unsigned char scratch[kChunk];
    while (bytes > 0) {
        const std::size_t step = bytes < kChunk ? bytes : kChunk;
        if (!Read(address, scratch, step)) return false;
        address += step;
        bytes -= step;
    }
    return true;
}

}  // namespace errvane
