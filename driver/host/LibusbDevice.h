#pragma once
// A real USB receiver for the USB transport, through libusb: descriptors and configuration,
// vendor control requests, and asynchronous bulk, status and isochronous transfers whose
// completions run on one event thread. libusb reports no start frames, so each isochronous
// transfer carries the frame it was submitted for: the transport's frame-order check then puts
// late completions back in order.

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "driver/transport/UsbDevice.h"

struct libusb_context;
struct libusb_device_handle;
struct libusb_transfer;

namespace lxq::host {

class LibusbDevice final : public transport::UsbDevice {
public:
    // Opens the device at bus/address; null with a message when it cannot be opened.
    static std::unique_ptr<LibusbDevice> Open(int bus, int address, std::string& error);
    ~LibusbDevice() override;

    NtStatus GetDescriptor(std::uint8_t type, std::uint8_t index, std::vector<std::uint8_t>& out) override;
    NtStatus SelectConfiguration(std::uint8_t configuration, std::uint8_t alternate) override;
    NtStatus ResetPipe(std::uint8_t endpoint) override;
    void CancelPipe(std::uint8_t endpoint) override;
    NtStatus CyclePort() override;
    NtStatus VendorIn(std::uint8_t request, std::uint16_t value, std::uint16_t index, std::uint8_t* data,
                      std::size_t length, std::size_t& transferred, plat::sys::Nanoseconds timeout) override;
    NtStatus VendorOut(std::uint8_t request, std::uint16_t value, std::uint16_t index, const std::uint8_t* data,
                       std::size_t length, plat::sys::Nanoseconds timeout) override;
    NtStatus BulkOut(std::uint8_t endpoint, const std::uint8_t* data, std::size_t length, BulkDone done) override;
    NtStatus ReadIn(std::uint8_t endpoint, std::size_t length, ReadDone done) override;
    NtStatus SubmitIso(std::uint8_t endpoint, std::size_t packets, std::size_t packetSize, IsoDone done) override;

    struct Pending; // one transfer in flight with its completion

private:
    LibusbDevice(libusb_context* context, libusb_device_handle* handle);
    NtStatus Submit(libusb_transfer* transfer, std::unique_ptr<Pending> pending);
    static void Completed(libusb_transfer* transfer);
    void Finish(libusb_transfer* transfer);
    bool IsInterruptEndpoint(std::uint8_t endpoint) const;

    libusb_context* context_;
    libusb_device_handle* handle_;
    std::atomic<bool> stop_{false};
    std::thread events_;
    mutable std::mutex mutex_;
    std::condition_variable idle_;
    std::set<libusb_transfer*> inFlight_;
    std::set<std::uint8_t> interruptEndpoints_;
    bool claimed_ = false;
    std::uint32_t nextFrame_ = 0;
};

} // namespace lxq::host
