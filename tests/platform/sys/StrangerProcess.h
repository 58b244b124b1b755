#pragma once
// Another user of the machine, for the tests of what a stranger can do to the user's programs:
// a forked child that drops to `nobody` and then does what the test asks (binds a socket, makes a
// folder, a shared-memory section or a lock file), and stays alive holding it until the object
// goes. Only root can become another user: a suite that runs as anyone else skips these tests
// (see NoStranger).
//
// The child of a threaded test may only make system calls after the fork: the act is given
// everything it needs (paths as C strings) before, and calls nothing that allocates.

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

namespace plat::sys::test {

inline constexpr uid_t kStrangerUid = 65534;  // nobody
inline constexpr gid_t kStrangerGid = 65534;  // nogroup

// Why no stranger can be played here; empty when one can.
inline std::string NoStranger() {
    if (geteuid() != 0) return "only a suite that runs as root can play another user (nobody)";
    return {};
}

class StrangerProcess {
public:
    // Runs act as nobody; it returns whether it did what it was asked. The child then waits until
    // the object goes (killed then), holding what it made.
    explicit StrangerProcess(const std::function<bool()>& act) {
        int ready[2], heard[2];
        if (pipe2(ready, O_CLOEXEC) != 0) return;
        if (pipe2(heard, O_CLOEXEC | O_NONBLOCK) != 0) {
            ::close(ready[0]);
            ::close(ready[1]);
            return;
        }
        const pid_t parent = getpid();
        pid_ = fork();
        if (pid_ == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != parent) _exit(1);
            ::close(ready[0]);
            ::close(heard[0]);
            const bool dropped = setgroups(0, nullptr) == 0 && setresgid(kStrangerGid, kStrangerGid, kStrangerGid) == 0 &&
                                 setresuid(kStrangerUid, kStrangerUid, kStrangerUid) == 0;
            const char done = dropped && act() ? 'y' : 'n';
            (void)!::write(ready[1], &done, 1);
            HearForEver(heard[1]);
        }
        ::close(ready[1]);
        ::close(heard[1]);
        heard_ = heard[0];
        char done = 'n';
        while (pid_ > 0 && ::read(ready[0], &done, 1) < 0 && errno == EINTR) {
        }
        ::close(ready[0]);
        ready_ = done == 'y';
    }
    ~StrangerProcess() {
        if (heard_ >= 0) ::close(heard_);
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
    }
    StrangerProcess(const StrangerProcess&) = delete;
    StrangerProcess& operator=(const StrangerProcess&) = delete;

    // Whether the act succeeded (and the stranger holds what it made).
    bool Ready() const { return ready_; }
    // Whether anybody has sent a byte to a socket the stranger listens on (it takes every
    // connection and reads what comes).
    bool HeardAnything() const {
        char byte;
        return heard_ >= 0 && ::read(heard_, &byte, 1) == 1;
    }

    // ---- Acts (call them inside the act; they only make system calls) ----

    // Listens on a SOCK_SEQPACKET socket at path, or, with a leading '@', at that abstract name.
    static bool Listen(const char* path) {
        int& count = Listeners()[kMaxListeners];
        const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::size_t length = std::strlen(path);
        if (fd < 0 || length >= sizeof address.sun_path) return false;
        std::memcpy(address.sun_path, path, length);
        if (path[0] == '@') address.sun_path[0] = '\0';
        const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length + (path[0] == '@' ? 0 : 1));
        // Open to everyone, as a stranger who wants to be talked to would make it.
        ::fchmod(fd, 0777);
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), size) != 0 || ::listen(fd, 16) != 0) return false;
        if (count < kMaxListeners) Listeners()[count++] = fd;
        return true;
    }
    static bool MakeFolder(const char* path, mode_t mode) {
        return ::mkdir(path, mode) == 0 && ::chmod(path, mode) == 0;
    }
    // A shared-memory section of `size` bytes with the given mode.
    static bool MakeSharedMemory(const char* name, mode_t mode, off_t size) {
        const int fd = ::shm_open(name, O_RDWR | O_CREAT | O_EXCL, mode);
        return fd >= 0 && ::fchmod(fd, mode) == 0 && ::ftruncate(fd, size) == 0;
    }
    // A file at path, held under an exclusive lock (flock) for as long as the stranger lives.
    static bool HoldLockFile(const char* path, mode_t mode) {
        const int fd = ::open(path, O_RDWR | O_CREAT, mode);
        return fd >= 0 && ::fchmod(fd, mode) == 0 && ::flock(fd, LOCK_EX) == 0;
    }

private:
    static constexpr int kMaxListeners = 8;
    // The child's listening sockets, and their count after them.
    static int* Listeners() {
        static int fds[kMaxListeners + 1] = {};
        return fds;
    }
    // The child's life after its act: takes every connection to its listeners and tells the
    // test (one byte on `heard`) whenever one of them brings data.
    [[noreturn]] static void HearForEver(int heard) {
        constexpr int kMaxWatched = 64;
        pollfd watched[kMaxWatched];
        int count = Listeners()[kMaxListeners];
        const int listeners = count;
        for (int i = 0; i < count; ++i) watched[i] = {Listeners()[i], POLLIN, 0};
        for (;;) {
            if (::poll(watched, static_cast<nfds_t>(count), -1) <= 0) continue;
            for (int i = 0; i < count; ++i) {
                if (watched[i].revents == 0) continue;
                if (i < listeners) {
                    const int connection = ::accept(watched[i].fd, nullptr, nullptr);
                    if (connection >= 0 && count < kMaxWatched) watched[count++] = {connection, POLLIN, 0};
                    continue;
                }
                char byte;
                if (::recv(watched[i].fd, &byte, 1, MSG_DONTWAIT) > 0) (void)!::write(heard, "d", 1);
                else watched[i].fd = -1;  // closed: nothing more to hear (poll passes it by)
            }
        }
    }

    pid_t pid_ = -1;
    int heard_ = -1;
    bool ready_ = false;
};

// A temporary folder shared by every user (mode 1777, like /tmp) that stands for TMPDIR while it
// lives, with XDG_RUNTIME_DIR unset: the user's runtime folder falls back to
// <it>/lxq745-<uid>, which a stranger can make first, and the old places of the shared objects
// are in it too. Both variables are put back afterwards.
class SharedTemporaryFolder {
public:
    SharedTemporaryFolder() {
        Save("TMPDIR", tmpdir_);
        Save("XDG_RUNTIME_DIR", runtime_);
        char pattern[] = "/tmp/lxqs.XXXXXX";  // short: socket paths in it must fit
        if (mkdtemp(pattern) == nullptr) return;
        path_ = pattern;
        ::chmod(path_.c_str(), 01777);
        setenv("TMPDIR", path_.c_str(), 1);
        unsetenv("XDG_RUNTIME_DIR");
    }
    ~SharedTemporaryFolder() {
        Restore("TMPDIR", tmpdir_);
        Restore("XDG_RUNTIME_DIR", runtime_);
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    SharedTemporaryFolder(const SharedTemporaryFolder&) = delete;
    SharedTemporaryFolder& operator=(const SharedTemporaryFolder&) = delete;

    const std::string& Path() const { return path_; }
    // The user's fallback runtime folder in it.
    std::string UserFolder() const { return path_ + "/lxq745-" + std::to_string(geteuid()); }

private:
    struct Saved {
        bool had = false;
        std::string value;
    };
    static void Save(const char* name, Saved& saved) {
        if (const char* value = std::getenv(name)) saved = {true, value};
    }
    static void Restore(const char* name, const Saved& saved) {
        if (saved.had) setenv(name, saved.value.c_str(), 1);
        else unsetenv(name);
    }

    std::string path_;
    Saved tmpdir_, runtime_;
};

} // namespace plat::sys::test
