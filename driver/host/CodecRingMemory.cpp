#include "driver/host/CodecRingMemory.h"

#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace lxq::host {

std::unique_ptr<MemfdRingMemory> MemfdRingMemory::Create(std::size_t length) {
    const int fd = memfd_create("lxq745-codec-ring", MFD_CLOEXEC);
    if (fd < 0) return nullptr;
    if (ftruncate(fd, static_cast<off_t>(length)) != 0) {
        close(fd);
        return nullptr;
    }
    void* base = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (base == MAP_FAILED) {
        close(fd);
        return nullptr;
    }
    return std::unique_ptr<MemfdRingMemory>(new MemfdRingMemory(fd, static_cast<std::uint8_t*>(base), length));
}

MemfdRingMemory::~MemfdRingMemory() {
    // The process keeps its own mapping: unmapping here never pulls memory from under it.
    munmap(base_, length_);
    close(fd_);
}

int MemfdRingMemory::DuplicateHandle() const { return fcntl(fd_, F_DUPFD_CLOEXEC, 0); }

std::unique_ptr<EventFdSignal> EventFdSignal::Adopt(int fd) {
    if (fd < 0) return nullptr;
    // Only an eventfd is signalled: anything else the process passed is refused, not written to.
    char link[64];
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = readlink(path.c_str(), link, sizeof link - 1);
    if (n <= 0 || std::string(link, static_cast<std::size_t>(n)) != "anon_inode:[eventfd]") {
        close(fd);
        return nullptr;
    }
    return std::unique_ptr<EventFdSignal>(new EventFdSignal(fd));
}

EventFdSignal::~EventFdSignal() { close(fd_); }

void EventFdSignal::Signal() {
    const std::uint64_t one = 1;
    // A full counter (the process is not reading) just stays signalled.
    while (write(fd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

transport::CodecServices HostCodecServices() {
    transport::CodecServices services;
    services.makeRing = [](std::size_t length) -> std::unique_ptr<transport::SharedRingMemory> {
        return MemfdRingMemory::Create(length);
    };
    services.makeSignal = [](int fd) -> std::unique_ptr<transport::CodecSignal> { return EventFdSignal::Adopt(fd); };
    return services;
}

} // namespace lxq::host
