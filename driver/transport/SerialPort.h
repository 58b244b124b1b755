#pragma once
// What the serial transport needs of a serial port: line settings, the modem lines, purging,
// writing, reading what has arrived and waiting for port events. Back ends: a termios port in
// the driver host and the simulated receiver.

#include <cstddef>
#include <cstdint>

#include "platform/sys/Clock.h"

namespace lxq::transport {

struct LineSettings {
    std::uint32_t baud = 1200;
    std::uint8_t dataBits = 8;
    bool parity = false; // no parity when false
    std::uint8_t stopBits = 1;
    bool operator==(const LineSettings&) const = default;
};

// Port events a wait can report.
inline constexpr std::uint32_t kSerialCharReceived = 1u << 0;
inline constexpr std::uint32_t kSerialDsrChanged = 1u << 1;

class SerialPort {
public:
    virtual ~SerialPort() = default;

    virtual bool Open() = 0;
    virtual void Close() = 0;
    // False when the port refuses the settings.
    virtual bool SetLine(const LineSettings& settings) = 0;
    virtual bool SetDtr(bool on) = 0;
    virtual bool SetRts(bool on) = 0;
    // Drops whatever waits in both directions.
    virtual void Purge() = 0;
    virtual bool Write(const std::uint8_t* bytes, std::size_t count) = 0;
    virtual std::size_t BytesWaiting() = 0;
    // Takes up to max bytes that have arrived, without waiting.
    virtual std::size_t Read(std::uint8_t* bytes, std::size_t max) = 0;
    // Chooses the events a wait reports. Setting the mask ends a wait in progress (it returns 0).
    virtual void SetWaitMask(std::uint32_t mask) = 0;
    // Waits for one of the chosen events; 0 when the time ran out or the wait was ended.
    virtual std::uint32_t WaitEvent(plat::sys::Nanoseconds timeout) = 0;
};

} // namespace lxq::transport
