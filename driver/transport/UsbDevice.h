#pragma once
// What the USB transport needs of a USB receiver: descriptors and configuration, vendor control
// requests, the bulk-out pipe for tuner-state messages, the status pipe and the isochronous audio
// pipe. Transfers on the pipes complete asynchronously: their completions run on the back end's
// own event thread, one at a time. Back ends: libusb in the driver host and the simulator.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "api/DeviceControl.h"
#include "platform/sys/Clock.h"

namespace lxq::transport {

inline constexpr std::uint8_t kUsbAudioPipe = 0x81;  // isochronous in
inline constexpr std::uint8_t kUsbStatusPipe = 0x82; // 8-byte status messages in
inline constexpr std::uint8_t kUsbPushPipe = 0x02;   // bulk out
inline constexpr std::size_t kUsbAudioPacketSize = 136;

// Bus statuses of transfers and packets.
inline constexpr NtStatus kUsbStatusCancelled = 0xC0000120;
inline constexpr NtStatus kUsbStatusDeviceGone = 0xC000009D;
inline constexpr NtStatus kUsbStatusStalled = 0xC0000004;    // a halted endpoint
inline constexpr NtStatus kUsbStatusIsoRetry = 0xC0000A00;   // resubmitted at once, no data
inline constexpr NtStatus kUsbStatusIsoPartial = 0xC0000B00; // some packets failed
inline constexpr NtStatus kUsbPacketDataError = 0xC0000001;  // packet delivered all the same
inline constexpr NtStatus kUsbPacketNotAccessed = 0xC0000005;
inline constexpr NtStatus kUsbPacketUnderrun = 0xC0000008;

struct IsoPacket {
    NtStatus status = kStatusSuccess;
    std::uint32_t length = 0; // bytes received into this packet's slot
};

struct IsoTransfer {
    NtStatus status = kStatusSuccess;
    std::uint32_t startFrame = 0;
    std::vector<IsoPacket> packets;
    std::vector<std::uint8_t> data; // packets.size() slots of the packet size each
};

class UsbDevice {
public:
    using BulkDone = std::function<void(NtStatus)>;
    using ReadDone = std::function<void(NtStatus, const std::uint8_t* bytes, std::size_t count)>;
    using IsoDone = std::function<void(IsoTransfer&)>;

    virtual ~UsbDevice() = default;

    // Descriptor type 1 (device) or 2 (configuration `index`).
    virtual NtStatus GetDescriptor(std::uint8_t type, std::uint8_t index, std::vector<std::uint8_t>& out) = 0;
    // Selects the configuration with the given alternate setting on every interface.
    virtual NtStatus SelectConfiguration(std::uint8_t configuration, std::uint8_t alternate) = 0;
    virtual NtStatus ResetPipe(std::uint8_t endpoint) = 0;
    // Ends every transfer pending on the pipe; their completions run with the cancelled status.
    virtual void CancelPipe(std::uint8_t endpoint) = 0;
    virtual NtStatus CyclePort() = 0;

    // Vendor requests to the device; `transferred` receives the bytes read.
    virtual NtStatus VendorIn(std::uint8_t request, std::uint16_t value, std::uint16_t index, std::uint8_t* data,
                              std::size_t length, std::size_t& transferred, plat::sys::Nanoseconds timeout) = 0;
    virtual NtStatus VendorOut(std::uint8_t request, std::uint16_t value, std::uint16_t index,
                               const std::uint8_t* data, std::size_t length, plat::sys::Nanoseconds timeout) = 0;

    virtual NtStatus BulkOut(std::uint8_t endpoint, const std::uint8_t* data, std::size_t length, BulkDone done) = 0;
    virtual NtStatus ReadIn(std::uint8_t endpoint, std::size_t length, ReadDone done) = 0;
    virtual NtStatus SubmitIso(std::uint8_t endpoint, std::size_t packets, std::size_t packetSize, IsoDone done) = 0;
};

} // namespace lxq::transport
