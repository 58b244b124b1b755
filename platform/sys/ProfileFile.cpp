#include "platform/sys/ProfileFile.h"

#include "platform/sys/ProfileLines.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <strings.h>

namespace plat::sys {
namespace {

constexpr ProfileLines::LineEnd kFreshLineEnd = ProfileLines::LineEnd::Lf;

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

} // namespace

ProfileFile::ProfileFile(std::string path) : path_(std::move(path)) {}

std::string ProfileFile::ResolvePath(const std::string& path) {
    // Not blocking: a named pipe in the file's place must not hold the caller.
    if (const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC); fd >= 0) {
        ::close(fd);
        return path;
    }
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string found = path;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* e = readdir(dir)) {
            if (SameName(e->d_name, name)) {
                found = (slash == std::string::npos ? std::string() : folder + "/") + e->d_name;
                break;
            }
        }
        closedir(dir);
    }
    return found;
}

std::optional<std::string> ProfileFile::ReadString(std::string_view section,
                                                   std::string_view key) const {
    return ProfileLines::Load(ResolvePath(path_), kFreshLineEnd).Value(section, key);
}

std::uint32_t ProfileFile::ReadInt(std::string_view section, std::string_view key,
                                   std::uint32_t fallback) const {
    const auto text = ReadString(section, key);
    if (!text) return fallback;
    const bool hex = text->size() > 2 && (*text)[0] == '0' && ((*text)[1] | 0x20) == 'x';
    try {
        return static_cast<std::uint32_t>(std::stoll(*text, nullptr, hex ? 16 : 10));
    } catch (...) {
        return 0;
    }
}

bool ProfileFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
    if (!ProfileLines::Storable(section, key, value)) return false;
    const std::string target = ResolvePath(path_);
    ProfileLines lines = ProfileLines::Load(target, kFreshLineEnd);
    lines.Set(section, key, value);
    return lines.Save(target);
}

} // namespace plat::sys
