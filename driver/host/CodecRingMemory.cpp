#include "driver/host/CodecRingMemory.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>

namespace lxq::host {

namespace {

// How long a write to the process's event may take before it is abandoned. A write that has room
// ends in microseconds; only a counter the process filled in the meantime holds it.
constexpr long kEventWriteLimitNs = 20'000'000;

// The signal that ends a write to a process's event that would otherwise wait for good. Its
// handler does nothing: the write, interrupted, returns EINTR, because the handler is installed
// without SA_RESTART.
int WriteLimitSignal() { return SIGRTMIN + 4; }

void Interrupted(int) {}

void InstallWriteLimitHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_handler = Interrupted;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        sigaction(WriteLimitSignal(), &action, nullptr);
    });
}

// A timer per signalling thread that interrupts that thread only.
class ThreadWriteTimer {
public:
    ThreadWriteTimer() {
        InstallWriteLimitHandler();
        sigset_t unblocked;
        sigemptyset(&unblocked);
        sigaddset(&unblocked, WriteLimitSignal());
        pthread_sigmask(SIG_UNBLOCK, &unblocked, nullptr);
        sigevent event{};
        event.sigev_notify = SIGEV_THREAD_ID;
        event.sigev_signo = WriteLimitSignal();
        event._sigev_un._tid = gettid();
        valid_ = timer_create(CLOCK_MONOTONIC, &event, &timer_) == 0;
    }
    ~ThreadWriteTimer() {
        if (valid_) timer_delete(timer_);
    }
    ThreadWriteTimer(const ThreadWriteTimer&) = delete;
    ThreadWriteTimer& operator=(const ThreadWriteTimer&) = delete;

    bool Valid() const { return valid_; }
    void Arm(long ns) {
        itimerspec spec{};
        spec.it_value.tv_nsec = ns;
        timer_settime(timer_, 0, &spec, nullptr);
    }
    void Disarm() {
        itimerspec spec{};
        timer_settime(timer_, 0, &spec, nullptr);
    }

private:
    timer_t timer_{};
    bool valid_ = false;
};

} // namespace

std::unique_ptr<MemfdRingMemory> MemfdRingMemory::Create(std::size_t length) {
    const int fd = memfd_create("lxq745-codec-ring", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0) return nullptr;
    // Sealed at its size: a process that truncates the descriptor it was given would otherwise
    // make the host's next write to the ring fault.
    if (ftruncate(fd, static_cast<off_t>(length)) != 0 ||
        fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) != 0) {
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
    if (!answering_) return;
    // A counter without room is one the reader has not taken since: it is signalled already.
    pollfd room{fd_, POLLOUT, 0};
    if (poll(&room, 1, 0) != 1 || (room.revents & POLLOUT) == 0) return;
    // The process can still fill it between the look and the write (it holds the same counter),
    // and its descriptor may be a blocking one: the write gets a deadline.
    thread_local ThreadWriteTimer timer;
    if (!timer.Valid()) return;
    const std::uint64_t one = 1;
    timer.Arm(kEventWriteLimitNs);
    const ssize_t written = write(fd_, &one, sizeof one);
    const int error = errno;
    timer.Disarm();
    // A counter filled under a non-blocking descriptor is signalled already; a write that had to
    // be interrupted means the process holds its writers up, and it is let be from now on.
    if (written < 0 && error == EINTR) answering_ = false;
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
