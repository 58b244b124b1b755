// Every test process works in a channel namespace (LXQ745_NS) of its own unless its environment
// names one. The API library's shared receiver table, the named mutexes and the driver host's
// channel are then private to the process: tests that run in parallel never take each other's
// receivers (a demonstration receiver that another process holds cannot be opened). What the
// process leaves under its name is removed when it ends.

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

void RemoveEntries(const std::string& folder, const std::string& prefix) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) == 0) unlink((folder + "/" + name).c_str());
    }
    closedir(dir);
}

class PrivateNamespace {
public:
    PrivateNamespace() {
        if (std::getenv("LXQ745_NS") != nullptr) return;
        owner_ = getpid();
        ns_ = "test-" + std::to_string(owner_);
        setenv("LXQ745_NS", ns_.c_str(), 1);
    }
    ~PrivateNamespace() {
        // A child forked without exec ends with this object too: only the process that named the
        // namespace clears it.
        if (ns_.empty() || getpid() != owner_) return;
        const std::string prefix = "lxq745." + ns_ + ".";
        // The user's runtime folder, as the platform layer chooses it (UserRuntimeFolder.h): lock
        // files, and the sockets of hosts that were killed.
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        struct stat st{};
        const bool haveRuntime = runtime != nullptr && *runtime == '/' && stat(runtime, &st) == 0 &&
                                 S_ISDIR(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & 077) == 0;
        const char* temporary = std::getenv("TMPDIR");
        const std::string folder = haveRuntime ? std::string(runtime)
                                               : std::string(temporary != nullptr && *temporary == '/' ? temporary : "/tmp") +
                                                     "/lxq745-" + std::to_string(geteuid());
        RemoveEntries(folder, prefix);
        for (const char* suffix : {"", ".vsc"}) unlink((folder + "/lxq745d." + ns_ + suffix).c_str());
        RemoveEntries("/dev/shm", prefix);
    }
    PrivateNamespace(const PrivateNamespace&) = delete;
    PrivateNamespace& operator=(const PrivateNamespace&) = delete;

private:
    pid_t owner_ = 0;
    std::string ns_;
};

const PrivateNamespace g_namespace;

} // namespace
