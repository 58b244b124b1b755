#include "platform/sys/SharedMemory.h"

#include "platform/sys/ObjectNamespace.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat::sys {
namespace {

std::string ShmName(std::string_view name) { return "/" + NamespacedObjectName(name); }

} // namespace

std::unique_ptr<SharedMemory> SharedMemory::OpenOrCreate(std::string_view name, std::size_t size,
                                                         bool& created) {
    const std::string shmName = ShmName(name);
    created = false;
    int fd = shm_open(shmName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        created = true;
        if (ftruncate(fd, static_cast<off_t>(size)) != 0) {
            close(fd);
            shm_unlink(shmName.c_str());
            return nullptr;
        }
    } else if (errno == EEXIST) {
        fd = shm_open(shmName.c_str(), O_RDWR | O_CLOEXEC, 0600);
        if (fd < 0) return nullptr;
        struct stat st{};
        // A section left smaller than asked (another layout, a crash during creation) is grown.
        if (fstat(fd, &st) != 0 ||
            (static_cast<std::size_t>(st.st_size) < size &&
             ftruncate(fd, static_cast<off_t>(size)) != 0)) {
            close(fd);
            return nullptr;
        }
    } else {
        return nullptr;
    }
    void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (p == MAP_FAILED) {
        if (created) shm_unlink(shmName.c_str());
        return nullptr;
    }
    return std::unique_ptr<SharedMemory>(new SharedMemory(static_cast<std::byte*>(p), size));
}

void SharedMemory::Remove(std::string_view name) { shm_unlink(ShmName(name).c_str()); }

SharedMemory::~SharedMemory() { munmap(data_, size_); }

} // namespace plat::sys
