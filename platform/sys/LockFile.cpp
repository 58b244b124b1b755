#include "platform/sys/LockFile.h"

#include "platform/sys/ObjectNamespace.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat::sys {
namespace {

bool Flock(int fd, int op) {
    while (flock(fd, op) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

} // namespace

LockFile::LockFile(std::string_view name)
    : path_(RuntimeFolder() + "/" + NamespacedObjectName(name) + ".lock") {
    fd_ = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
}

bool LockFile::StillNamed() const {
    struct stat mine{}, named{};
    return fd_ >= 0 && fstat(fd_, &mine) == 0 && stat(path_.c_str(), &named) == 0 &&
           mine.st_dev == named.st_dev && mine.st_ino == named.st_ino;
}

void LockFile::Reopen() {
    if (fd_ >= 0) close(fd_);
    fd_ = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
}

void LockFile::RemoveName() { unlink(path_.c_str()); }

LockFile::~LockFile() {
    if (fd_ >= 0) close(fd_);
}

void LockFile::LockExclusive() {
    if (fd_ >= 0) Flock(fd_, LOCK_EX);
}

bool LockFile::TryLockExclusive() { return fd_ >= 0 && Flock(fd_, LOCK_EX | LOCK_NB); }

void LockFile::LockShared() {
    if (fd_ >= 0) Flock(fd_, LOCK_SH);
}

void LockFile::Unlock() {
    if (fd_ >= 0) Flock(fd_, LOCK_UN);
}

} // namespace plat::sys
