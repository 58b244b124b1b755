#include "platform/sys/DescriptorMapping.h"

#include "platform/sys/DebugOutput.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat::sys {
namespace {

// What the driver host seals its rings with: the size can change no more, nor the seals.
constexpr int kRequiredSeals = F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL;

// Why the memory behind the descriptor must not be mapped for `length` bytes; empty when it may.
std::string Unfit(int descriptor, std::size_t length) {
    if (length == 0) return "a ring of no length";
    struct stat info {};
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) return "the descriptor is no memory";
    const int seals = fcntl(descriptor, F_GET_SEALS);
    // Memory that can still shrink would fault on access past its new end (SIGBUS).
    if (seals < 0 || (seals & kRequiredSeals) != kRequiredSeals)
        return "the memory is not sealed against shrinking";
    // A descriptor shorter than claimed would fault on access past its end.
    if (static_cast<std::size_t>(info.st_size) < length)
        return "the memory holds " + std::to_string(info.st_size) + " bytes, not the " + std::to_string(length) +
               " the ring needs";
    return {};
}

} // namespace

std::unique_ptr<DescriptorMapping> DescriptorMapping::Map(int descriptor, std::size_t length, std::string* refusal) {
    if (refusal != nullptr) refusal->clear();
    if (descriptor < 0) return nullptr;
    std::string why = Unfit(descriptor, length);
    void* base = why.empty() ? mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0) : MAP_FAILED;
    close(descriptor);
    if (why.empty() && base == MAP_FAILED) why = "the memory cannot be mapped";
    if (!why.empty()) {
        // A length of 0 is how a caller closes a descriptor it will not use: nothing to tell.
        if (length != 0) OutputDebugText("lxq745: shared ring refused, not mapped: " + why);
        if (refusal != nullptr) *refusal = why;
        return nullptr;
    }
    return std::unique_ptr<DescriptorMapping>(new DescriptorMapping(static_cast<std::uint8_t*>(base), length));
}

DescriptorMapping::~DescriptorMapping() { munmap(base_, length_); }

} // namespace plat::sys
