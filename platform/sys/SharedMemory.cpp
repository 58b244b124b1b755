#include "platform/sys/SharedMemory.h"

#include "platform/sys/ObjectNamespace.h"
#include "platform/sys/UserRuntimeFolder.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat::sys {
namespace {

// "/lxq745.<namespace>.u<uid>.<name>": whoever else creates a section under the user's name
// does so on purpose, and is refused.
std::string ShmName(std::string_view name) {
    return "/" + NamespacedObjectName("u" + std::to_string(geteuid()) + "." + std::string(name));
}

} // namespace

std::string SharedMemory::PathOf(std::string_view name) { return "/dev/shm" + ShmName(name); }

std::unique_ptr<SharedMemory> SharedMemory::OpenOrCreate(std::string_view name, std::size_t size,
                                                         bool& created, std::string* refusal) {
    const std::string shmName = ShmName(name);
    std::string why;
    created = false;
    int fd = shm_open(shmName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        created = true;
        // A umask cannot widen it, but a narrower one would leave the user without access.
        if (fchmod(fd, 0600) != 0 || ftruncate(fd, static_cast<off_t>(size)) != 0) {
            close(fd);
            shm_unlink(shmName.c_str());
            if (refusal != nullptr) *refusal = "cannot size " + PathOf(name) + ": " + std::strerror(errno);
            return nullptr;
        }
    } else if (errno == EEXIST) {
        fd = shm_open(shmName.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC, 0600);
        struct stat st{};
        if (fd < 0 || fstat(fd, &st) != 0) {
            why = PathOf(name) + ": " + std::strerror(errno);
        } else if (why = NotPrivate(PathOf(name), st, S_IFREG); !why.empty()) {
            // Someone else's section (or one others may open) is never mapped.
        } else if (st.st_size == 0) {
            // Ours, left empty by a creator that died before sizing it.
            if (ftruncate(fd, static_cast<off_t>(size)) != 0)
                why = "cannot size " + PathOf(name) + ": " + std::strerror(errno);
        } else if (static_cast<std::size_t>(st.st_size) != size) {
            why = PathOf(name) + " holds " + std::to_string(st.st_size) + " bytes, not the " + std::to_string(size) +
                  " of this release's table (remove it when no program of the user runs)";
        }
        if (!why.empty()) {
            if (fd >= 0) close(fd);
            if (refusal != nullptr) *refusal = why;
            return nullptr;
        }
    } else {
        if (refusal != nullptr) *refusal = "cannot create " + PathOf(name) + ": " + std::strerror(errno);
        return nullptr;
    }
    void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (p == MAP_FAILED) {
        if (created) shm_unlink(shmName.c_str());
        if (refusal != nullptr) *refusal = "cannot map " + PathOf(name);
        return nullptr;
    }
    return std::unique_ptr<SharedMemory>(new SharedMemory(static_cast<std::byte*>(p), size));
}

void SharedMemory::Remove(std::string_view name) { shm_unlink(ShmName(name).c_str()); }

SharedMemory::~SharedMemory() { munmap(data_, size_); }

} // namespace plat::sys
