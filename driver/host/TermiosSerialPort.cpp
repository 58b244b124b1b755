#include "driver/host/TermiosSerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace lxq::host {
namespace {

constexpr plat::sys::Nanoseconds kDsrSample = 20 * plat::sys::kNsPerMs;

speed_t Speed(std::uint32_t baud) {
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
    }
}

// Major numbers of pseudo-terminal slaves, which stand in for a serial line (a bridge to another
// machine's port, or a simulator in another process).
constexpr unsigned kPtySlaveFirstMajor = 136;
constexpr unsigned kPtySlaveLastMajor = 143;

bool IsSerialLine(dev_t device) {
    const unsigned major = ::major(device), minor = ::minor(device);
    if (major >= kPtySlaveFirstMajor && major <= kPtySlaveLastMajor) return true;
    // A terminal of the tty class with hardware behind it: not a console, not the controlling
    // terminal, not anything else that only looks like a character device.
    const std::string node = "/sys/dev/char/" + std::to_string(major) + ":" + std::to_string(minor);
    char target[256] = {};
    const ssize_t length = ::readlink((node + "/subsystem").c_str(), target, sizeof target - 1);
    if (length <= 0) return false;
    const std::string subsystem(target, static_cast<std::size_t>(length));
    const bool tty = subsystem.size() >= 4 && subsystem.compare(subsystem.size() - 4, 4, "/tty") == 0;
    return tty && ::access((node + "/device").c_str(), F_OK) == 0;
}

} // namespace

bool IsSerialPortPath(const std::string& path) {
    struct stat info{};
    return ::stat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode) && IsSerialLine(info.st_rdev);
}

std::string SerialPathForBusId(const std::string& busId) {
    std::string path = busId;
    std::replace(path.begin(), path.end(), '.', '/');
    return "/dev/" + path;
}

TermiosSerialPort::TermiosSerialPort(std::string path) : path_(std::move(path)) {
    wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

TermiosSerialPort::~TermiosSerialPort() {
    Close();
    if (wake_ >= 0) close(wake_);
}

bool TermiosSerialPort::Open() {
    Close();
    // Opening some devices acts on its own (a watchdog arms), so nothing but a serial line is
    // opened, and what was opened must still be the line that was checked.
    struct stat before{}, after{};
    if (::stat(path_.c_str(), &before) != 0 || !S_ISCHR(before.st_mode) || !IsSerialLine(before.st_rdev)) return false;
    const int fd = open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    if (::fstat(fd, &after) != 0 || !S_ISCHR(after.st_mode) || after.st_rdev != before.st_rdev) {
        close(fd);
        return false;
    }
    termios t{};
    if (tcgetattr(fd, &t) != 0) {
        close(fd);
        return false;
    }
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    tcsetattr(fd, TCSANOW, &t);
    fd_ = fd;
    lastDsr_ = Dsr();
    return true;
}

void TermiosSerialPort::Close() {
    const int fd = fd_.exchange(-1);
    if (fd >= 0) close(fd);
    SetWaitMask(0);
}

bool TermiosSerialPort::SetLine(const transport::LineSettings& settings) {
    const int fd = fd_;
    const speed_t speed = Speed(settings.baud);
    if (fd < 0 || speed == B0) return false;
    termios t{};
    if (tcgetattr(fd, &t) != 0) return false;
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    t.c_cflag |= settings.dataBits == 7 ? CS7 : CS8;
    if (settings.parity) t.c_cflag |= PARENB;
    if (settings.stopBits == 2) t.c_cflag |= CSTOPB;
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

bool TermiosSerialPort::ModemLine(int line, bool on) {
    const int fd = fd_;
    return fd >= 0 && ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0;
}

bool TermiosSerialPort::SetDtr(bool on) { return ModemLine(TIOCM_DTR, on); }
bool TermiosSerialPort::SetRts(bool on) { return ModemLine(TIOCM_RTS, on); }

bool TermiosSerialPort::Dsr() const {
    int lines = 0;
    const int fd = fd_;
    return fd >= 0 && ioctl(fd, TIOCMGET, &lines) == 0 && (lines & TIOCM_DSR) != 0;
}

void TermiosSerialPort::Purge() {
    const int fd = fd_;
    if (fd >= 0) tcflush(fd, TCIOFLUSH);
}

bool TermiosSerialPort::Write(const std::uint8_t* bytes, std::size_t count) {
    std::lock_guard lock(writeMutex_);
    const int fd = fd_;
    if (fd < 0) return false;
    while (count > 0) {
        const ssize_t n = write(fd, bytes, count);
        if (n > 0) {
            bytes += n;
            count -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
        pollfd p{fd, POLLOUT, 0};
        if (poll(&p, 1, 1000) <= 0) return false; // the line does not drain
    }
    return true;
}

std::size_t TermiosSerialPort::BytesWaiting() {
    int waiting = 0;
    const int fd = fd_;
    return fd >= 0 && ioctl(fd, FIONREAD, &waiting) == 0 && waiting > 0 ? static_cast<std::size_t>(waiting) : 0;
}

std::size_t TermiosSerialPort::Read(std::uint8_t* bytes, std::size_t max) {
    const int fd = fd_;
    if (fd < 0) return 0;
    const ssize_t n = read(fd, bytes, max);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

void TermiosSerialPort::SetWaitMask(std::uint32_t mask) {
    mask_ = mask;
    ++maskGeneration_;
    const std::uint64_t one = 1;
    if (wake_ >= 0) [[maybe_unused]] auto written = write(wake_, &one, sizeof one);
}

std::uint32_t TermiosSerialPort::WaitEvent(plat::sys::Nanoseconds timeout) {
    const std::uint64_t generation = maskGeneration_;
    const auto until = std::chrono::steady_clock::now() + std::chrono::nanoseconds(timeout);
    for (;;) {
        const int fd = fd_;
        if (fd < 0 || maskGeneration_ != generation) return 0;
        const std::uint32_t mask = mask_;
        if ((mask & transport::kSerialDsrChanged) != 0) {
            const bool dsr = Dsr();
            if (dsr != lastDsr_) {
                lastDsr_ = dsr;
                return transport::kSerialDsrChanged;
            }
        }
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(until - std::chrono::steady_clock::now()).count();
        if (left <= 0) return 0;
        pollfd p[2] = {{fd, (mask & transport::kSerialCharReceived) != 0 ? short(POLLIN) : short(0), 0},
                       {wake_, POLLIN, 0}};
        const int slice = static_cast<int>(std::min(left, kDsrSample) / plat::sys::kNsPerMs) + 1;
        if (poll(p, 2, slice) < 0 && errno != EINTR) return 0;
        if ((p[1].revents & POLLIN) != 0) {
            std::uint64_t drained;
            [[maybe_unused]] auto got = read(wake_, &drained, sizeof drained);
        }
        if ((p[0].revents & POLLIN) != 0) return transport::kSerialCharReceived;
        if ((p[0].revents & (POLLHUP | POLLERR)) != 0) return 0;
    }
}

} // namespace lxq::host
