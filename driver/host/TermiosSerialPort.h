#pragma once
// A real serial port for the serial transport, through termios: line settings, the DTR and RTS
// lines, purging, bytes waiting, and waits that report received characters and changes of DSR
// (sampled while waiting, since a change of a modem line cannot be polled for).

#include <atomic>
#include <mutex>
#include <string>

#include "driver/transport/SerialPort.h"

namespace lxq::host {

class TermiosSerialPort final : public transport::SerialPort {
public:
    explicit TermiosSerialPort(std::string path);
    ~TermiosSerialPort() override;

    bool Open() override;
    void Close() override;
    bool SetLine(const transport::LineSettings& settings) override;
    bool SetDtr(bool on) override;
    bool SetRts(bool on) override;
    void Purge() override;
    bool Write(const std::uint8_t* bytes, std::size_t count) override;
    std::size_t BytesWaiting() override;
    std::size_t Read(std::uint8_t* bytes, std::size_t max) override;
    void SetWaitMask(std::uint32_t mask) override;
    std::uint32_t WaitEvent(plat::sys::Nanoseconds timeout) override;

private:
    bool ModemLine(int line, bool on);
    bool Dsr() const;

    const std::string path_;
    std::atomic<int> fd_{-1};
    int wake_ = -1; // an eventfd that ends a wait
    std::atomic<std::uint32_t> mask_{0};
    std::atomic<std::uint64_t> maskGeneration_{0};
    bool lastDsr_ = false;
    std::mutex writeMutex_;
};

// True when path names a serial line: a terminal with serial hardware behind it, or a
// pseudo-terminal. Nothing else is ever opened as a receiver's port.
bool IsSerialPortPath(const std::string& path);

// The device path for a bus id: "ttyUSB0" is /dev/ttyUSB0, and a '.' stands for '/' ("pts.3").
std::string SerialPathForBusId(const std::string& busId);

} // namespace lxq::host
