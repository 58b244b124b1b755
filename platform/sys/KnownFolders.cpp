#include "platform/sys/KnownFolders.h"

#include <climits>
#include <cstdlib>
#include <unistd.h>

namespace plat::sys {
namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

} // namespace

std::string DocumentsFolder() {
    std::string dir = Env("XDG_DOCUMENTS_DIR");
    if (dir.empty()) dir = Env("HOME") + "/Documents";
    return WithoutTrailingSlash(dir);
}

std::string ConfigFolder() {
    std::string dir = Env("XDG_CONFIG_HOME");
    if (dir.empty()) dir = Env("HOME") + "/.config";
    return WithoutTrailingSlash(dir);
}

std::string ProgramFolder() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    std::string path(buf, static_cast<std::size_t>(n));
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

} // namespace plat::sys
