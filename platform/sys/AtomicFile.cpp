#include "platform/sys/AtomicFile.h"

#include "platform/sys/Process.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace plat::sys {
namespace {

constexpr int kMaxLinkHops = 40;  // as the kernel allows; a loop ends here

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Removes "<name>.tmp<pid>" files in the folder whose process no longer runs: each is what a
// write that was killed part way left behind.
void RemoveAbandonedTemporaries(const std::string& target) {
    const std::string folder = FolderOf(target);
    const std::string prefix = NameOf(target) + ".tmp";
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return;
    std::vector<std::string> abandoned;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string digits = name.substr(prefix.size());
        if (digits.size() > 10 || digits.find_first_not_of("0123456789") != std::string::npos) continue;
        const unsigned long pid = std::strtoul(digits.c_str(), nullptr, 10);
        if (pid == 0 || pid > 0xFFFFFFFFul) continue;
        if (static_cast<std::uint32_t>(pid) != CurrentProcessId() && ProcessExists(static_cast<std::uint32_t>(pid)))
            continue;  // another process is writing it now
        abandoned.push_back(folder + "/" + name);
    }
    ::closedir(dir);
    for (const std::string& file : abandoned) ::unlink(file.c_str());
}

FileRead ReadWithin(const std::string& path, std::size_t limit, bool plainOnly) {
    FileRead result;
    // Not blocking: a named pipe in the file's place must not hold the reader.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return result;
    struct stat info {};
    const bool known = ::fstat(fd, &info) == 0;
    if (plainOnly && (!known || !S_ISREG(info.st_mode))) {
        ::close(fd);
        result.outcome = ReadOutcome::NotAFile;
        return result;
    }
    if (known && S_ISREG(info.st_mode) && static_cast<std::uint64_t>(info.st_size) > limit) {
        ::close(fd);
        result.outcome = ReadOutcome::TooLarge;
        return result;
    }
    // Devices and the like tell no size: the bound is enforced while reading.
    std::string bytes;
    char block[65536];
    for (;;) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            result.outcome = ReadOutcome::Failed;
            return result;
        }
        if (bytes.size() + static_cast<std::size_t>(n) > limit) {
            ::close(fd);
            result.outcome = ReadOutcome::TooLarge;
            return result;
        }
        bytes.append(block, static_cast<std::size_t>(n));
    }
    ::close(fd);
    result.outcome = ReadOutcome::Read;
    result.bytes = std::move(bytes);
    return result;
}

} // namespace

FileRead ReadFileWithin(const std::string& path, std::size_t limit) { return ReadWithin(path, limit, false); }

FileRead ReadPlainFileWithin(const std::string& path, std::size_t limit) { return ReadWithin(path, limit, true); }

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t limit) {
    FileRead read = ReadFileWithin(path, limit);
    if (read.outcome != ReadOutcome::Read) return std::nullopt;
    return std::move(read.bytes);
}

std::optional<std::string> WriteTarget(const std::string& path) {
    std::string target = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat info {};
        if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return target;
        std::vector<char> link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1);
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0 || static_cast<std::size_t>(n) >= link.size()) return target;
        const std::string to(link.data(), static_cast<std::size_t>(n));
        target = !to.empty() && to.front() == '/' ? to : FolderOf(target) + "/" + to;
    }
    return std::nullopt;  // a loop
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes) {
    // The rename replaces the name it is given: through a link that would put a plain file in the
    // link's place and leave the file it points at as it was.
    const std::optional<std::string> resolved = WriteTarget(path);
    if (!resolved) return false;
    const std::string& target = *resolved;
    RemoveAbandonedTemporaries(target);
    const std::string temp = target + ".tmp" + std::to_string(::getpid());
    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = true;
    if (replacing) ::fchmod(fd, old.st_mode & 07777);  // the file keeps its permissions
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) done += static_cast<std::size_t>(n);
        else if (n < 0 && errno == EINTR) continue;
        else ok = false;
    }
    // The data must be on the disk before the name points at it.
    if (ok && ::fsync(fd) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    if (ok && std::rename(temp.c_str(), target.c_str()) != 0) ok = false;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

} // namespace plat::sys
