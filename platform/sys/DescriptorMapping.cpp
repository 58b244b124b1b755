#include "platform/sys/DescriptorMapping.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat::sys {

std::unique_ptr<DescriptorMapping> DescriptorMapping::Map(int descriptor, std::size_t length) {
    if (descriptor < 0) return nullptr;
    struct stat info {};
    // A descriptor shorter than claimed would fault on access past its end: refuse it.
    const bool fits = fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode) && length != 0 &&
                      static_cast<std::size_t>(info.st_size) >= length;
    void* base = fits ? mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0) : MAP_FAILED;
    close(descriptor);
    if (base == MAP_FAILED) return nullptr;
    return std::unique_ptr<DescriptorMapping>(new DescriptorMapping(static_cast<std::uint8_t*>(base), length));
}

DescriptorMapping::~DescriptorMapping() { munmap(base_, length_); }

} // namespace plat::sys
