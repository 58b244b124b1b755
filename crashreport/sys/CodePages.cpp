#include "crashreport/sys/CodePages.h"

#include <sys/mman.h>

namespace errvane {

std::byte* CodePages::Allocate(std::size_t bytes) {
    void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    return memory == MAP_FAILED ? nullptr : static_cast<std::byte*>(memory);
}

bool CodePages::MakeExecutable(std::byte* at, std::size_t bytes) { return mprotect(at, bytes, PROT_READ | PROT_EXEC) == 0; }

bool CodePages::MakeReadOnly(std::byte* at, std::size_t bytes) { return mprotect(at, bytes, PROT_READ) == 0; }

void CodePages::Free(std::byte* at, std::size_t bytes) {
    if (at != nullptr) munmap(at, bytes);
}

}  // namespace errvane
