#include "platform/sys/UserRuntimeFolder.h"

#include "platform/sys/DebugOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>

namespace plat::sys {
namespace {

bool PrivateFolder(const struct stat& info) {
    return S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & 077) == 0;
}

std::string Octal(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

} // namespace

std::string NotPrivate(std::string_view path, const struct stat& info, mode_t type) {
    const std::string name(path);
    if ((info.st_mode & S_IFMT) != type)
        return name + " is not a " + (type == S_IFDIR ? "folder" : type == S_IFSOCK ? "socket" : "regular file");
    if (info.st_uid != geteuid())
        return name + " belongs to another user (uid " + std::to_string(info.st_uid) + ")";
    if ((info.st_mode & 077) != 0)
        return name + " is open to other users (mode " + Octal(info.st_mode) + ")";
    return {};
}

std::string UserRuntimeFolder(std::string* refusal, bool* foreign) {
    if (refusal != nullptr) refusal->clear();
    if (foreign != nullptr) *foreign = false;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat info {};
    if (runtime != nullptr && *runtime == '/' && stat(runtime, &info) == 0 && PrivateFolder(info)) return runtime;

    const char* temporary = std::getenv("TMPDIR");
    std::string folder = temporary != nullptr && *temporary == '/' ? temporary : "/tmp";
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    folder += "/lxq745-" + std::to_string(geteuid());
    // Made 0700 from the start, so that there is no moment in which another user could enter it.
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        if (refusal != nullptr) *refusal = "cannot create " + folder + ": " + std::strerror(errno);
        return folder;
    }
    // lstat: a link planted in its place leads wherever its maker likes.
    if (lstat(folder.c_str(), &info) != 0) {
        if (refusal != nullptr) *refusal = "cannot look at " + folder + ": " + std::strerror(errno);
        return folder;
    }
    std::string why = NotPrivate(folder, info, S_IFDIR);
    if (!why.empty() && S_ISLNK(info.st_mode)) why = folder + " is a link, not a folder";
    if (foreign != nullptr) *foreign = !why.empty() && info.st_uid != geteuid();
    if (refusal != nullptr && !why.empty())
        *refusal = why + "; the programs of uid " + std::to_string(geteuid()) +
                   " keep their sockets and locks only in a folder of their own that nobody else can enter "
                   "(set XDG_RUNTIME_DIR to one, or remove " + folder + ")";
    return folder;
}

void ReportRefusal(std::string_view text) {
    static std::mutex mutex;
    static std::set<std::string, std::less<>>* told = new std::set<std::string, std::less<>>;  // never freed: used until exit
    {
        std::lock_guard lock(mutex);
        if (!told->emplace(text).second) return;
    }
    OutputDebugText(std::string("lxq745: ") + std::string(text));
}

} // namespace plat::sys
