#include "crashreport/base/TmyFile.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace errvane {

TmyFile::TmyFile(const char* path, int openFlags, unsigned mode) {
    RegisterType(kTypeFile);
    if ((openFlags & O_ACCMODE) == O_RDONLY) openFlags &= ~(O_CREAT | O_TRUNC);
    fd_ = open(path, openFlags | O_CLOEXEC, mode);
    if (fd_ < 0) Trace(0, "File not opened, err=%d", errno);
}

TmyFile::~TmyFile() {
    if (fd_ >= 0) close(fd_);
}

std::int64_t TmyFile::Size() const {
    struct stat info{};
    if (fd_ < 0 || fstat(fd_, &info) != 0) return 0;
    if (S_ISBLK(info.st_mode)) {
        std::uint64_t bytes = 0;
        return ioctl(fd_, BLKGETSIZE64, &bytes) == 0 ? static_cast<std::int64_t>(bytes) : 0;
    }
    return info.st_size;
}

std::int64_t TmyFile::Position() const { return fd_ < 0 ? 0 : lseek(fd_, 0, SEEK_CUR); }

bool TmyFile::Seek(std::int64_t position) { return fd_ >= 0 && lseek(fd_, position, SEEK_SET) == position; }

std::size_t TmyFile::Write(const void* data, std::size_t bytes) {
    if (fd_ < 0) return 0;
    const char* p = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < bytes) {
        const ssize_t n = write(fd_, p + done, bytes - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return 0;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::size_t TmyFile::Read(void* data, std::size_t bytes) {
    if (fd_ < 0) return 0;
    ssize_t n;
    do n = read(fd_, data, bytes);
    while (n < 0 && errno == EINTR);
    return n < 0 ? 0 : static_cast<std::size_t>(n);
}

}  // namespace errvane
