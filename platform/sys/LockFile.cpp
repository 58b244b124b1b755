#include "platform/sys/LockFile.h"

#include "platform/sys/ObjectNamespace.h"
#include "platform/sys/UserRuntimeFolder.h"

#include <cerrno>
#include <cstring>
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

LockFile::LockFile(std::string_view name) {
    path_ = RuntimeFolder(&refusal_) + "/" + NamespacedObjectName(name) + ".lock";
    if (!refusal_.empty()) {
        ReportRefusal(refusal_);
        return;
    }
    Open();
}

void LockFile::Open() {
    // Non-blocking: opening a FIFO put in the file's place must not wait for a writer.
    fd_ = open(path_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    struct stat info{};
    if (fd_ < 0) {
        if (errno == ELOOP) refusal_ = path_ + " is a link; a lock file is never followed";
    } else if (fstat(fd_, &info) != 0) {
        refusal_ = path_ + ": " + std::strerror(errno);
    } else {
        refusal_ = NotPrivate(path_, info, S_IFREG);
    }
    if (refusal_.empty()) return;
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    ReportRefusal(refusal_ + "; the lock is not used");
}

bool LockFile::StillNamed() const {
    struct stat mine{}, named{};
    return fd_ >= 0 && fstat(fd_, &mine) == 0 && stat(path_.c_str(), &named) == 0 &&
           mine.st_dev == named.st_dev && mine.st_ino == named.st_ino;
}

void LockFile::Reopen() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    std::string folderRefusal;
    RuntimeFolder(&folderRefusal);  // made anew when it was removed meanwhile
    refusal_ = folderRefusal;
    if (refusal_.empty()) Open();
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
