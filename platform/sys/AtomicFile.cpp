#include "platform/sys/AtomicFile.h"

#include "platform/sys/DebugOutput.h"
#include "platform/sys/Process.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

namespace {

const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISFIFO(mode)) return "a named pipe";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISLNK(mode)) return "a link that cannot be read";
    return "no plain file";
}

} // namespace

ReplaceTarget TargetToReplace(const std::string& path) {
    ReplaceTarget result;
    // The rename replaces the name it is given: through a link that would put a plain file in the
    // link's place and leave the file it points at as it was. So the end of the chain is replaced.
    const std::optional<std::string> resolved = WriteTarget(path);
    if (!resolved) {
        result.refusal = path + ": its symbolic links go round in a loop; not saved";
        return result;
    }
    result.path = *resolved;
    struct stat own {};
    const bool linked = ::lstat(path.c_str(), &own) == 0 && S_ISLNK(own.st_mode);
    const std::string named = linked ? path + " (a link to " + result.path + ")" : path;
    struct stat info {};
    if (::lstat(result.path.c_str(), &info) != 0) {
        const int error = errno;
        // A new file is made under its own name; a link to nothing is not followed, for what it
        // names may be meant for something else (a device that comes and goes, another's folder).
        if (error == ENOENT && !linked) return result;
        result.refusal = error == ENOENT ? named + " points at nothing; a file is not made there; not saved"
                                         : named + ": " + std::strerror(error) + "; not saved";
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.refusal = named + " is " + KindOf(info.st_mode) + ", not a plain file; it is left as it is; not saved";
        return result;
    }
    // The rename would replace a file made read-only: that is its owner's no, even to root.
    const bool noWriteBits = (info.st_mode & 0222) == 0;
    if (noWriteBits ||
        (::faccessat(AT_FDCWD, result.path.c_str(), W_OK, AT_EACCESS) != 0 && (errno == EACCES || errno == EROFS)))
        result.refusal = named + " is read-only; not saved";
    return result;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* why) {
    const auto fail = [&](const std::string& reason) {
        OutputDebugText(reason);
        if (why) *why = reason;
        return false;
    };
    const ReplaceTarget replace = TargetToReplace(path);
    if (!replace.refusal.empty()) return fail(replace.refusal);
    const std::string& target = replace.path;
    RemoveAbandonedTemporaries(target);
    const std::string temp = target + ".tmp" + std::to_string(::getpid());
    // Made anew, never opened through whatever stands under its name: no link is followed there.
    ::unlink(temp.c_str());
    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return fail(path + ": cannot make " + temp + ": " + std::strerror(errno) + "; not saved");
    int error = 0;
    if (replacing) ::fchmod(fd, old.st_mode & 07777);  // the file keeps its permissions
    std::size_t done = 0;
    while (error == 0 && done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) done += static_cast<std::size_t>(n);
        else if (n < 0 && errno == EINTR) continue;
        else error = n < 0 ? errno : ENOSPC;
    }
    // The data must be on the disk before the name points at it.
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && std::rename(temp.c_str(), target.c_str()) != 0) error = errno;
    if (error == 0) return true;
    ::unlink(temp.c_str());
    return fail(path + ": " + std::strerror(error) + "; not saved, the file is as it was");
}

} // namespace plat::sys
