#include "driver/host/LibusbDevice.h"

#include <libusb.h>

#include <cstring>

namespace lxq::host {
namespace {

constexpr NtStatus kStatusTimedOut = 0x00000102;

NtStatus FromLibusb(int code) {
    switch (code) {
    case LIBUSB_SUCCESS: return kStatusSuccess;
    case LIBUSB_ERROR_NO_DEVICE: return transport::kUsbStatusDeviceGone;
    case LIBUSB_ERROR_PIPE: return transport::kUsbStatusStalled;
    case LIBUSB_ERROR_TIMEOUT: return kStatusTimedOut;
    default: return kStatusUnsuccessful;
    }
}

NtStatus FromTransfer(libusb_transfer_status status) {
    switch (status) {
    case LIBUSB_TRANSFER_COMPLETED: return kStatusSuccess;
    case LIBUSB_TRANSFER_CANCELLED: return transport::kUsbStatusCancelled;
    case LIBUSB_TRANSFER_NO_DEVICE: return transport::kUsbStatusDeviceGone;
    case LIBUSB_TRANSFER_STALL: return transport::kUsbStatusStalled;
    case LIBUSB_TRANSFER_TIMED_OUT: return kStatusTimedOut;
    default: return kStatusUnsuccessful;
    }
}

// Vendor requests to the device, in or out.
constexpr std::uint8_t kVendorIn = static_cast<std::uint8_t>(LIBUSB_ENDPOINT_IN) |
                                   static_cast<std::uint8_t>(LIBUSB_REQUEST_TYPE_VENDOR) |
                                   static_cast<std::uint8_t>(LIBUSB_RECIPIENT_DEVICE);
constexpr std::uint8_t kVendorOut = static_cast<std::uint8_t>(LIBUSB_ENDPOINT_OUT) |
                                    static_cast<std::uint8_t>(LIBUSB_REQUEST_TYPE_VENDOR) |
                                    static_cast<std::uint8_t>(LIBUSB_RECIPIENT_DEVICE);

unsigned int Milliseconds(plat::sys::Nanoseconds timeout) {
    return static_cast<unsigned int>(timeout / plat::sys::kNsPerMs);
}

} // namespace

struct LibusbDevice::Pending {
    LibusbDevice* device = nullptr;
    std::vector<std::uint8_t> buffer;
    BulkDone bulk;
    ReadDone read;
    IsoDone iso;
    std::uint32_t frame = 0;
};

std::unique_ptr<LibusbDevice> LibusbDevice::Open(int bus, int address, std::string& error) {
    libusb_context* context = nullptr;
    if (libusb_init(&context) != 0) {
        error = "USB is not available";
        return nullptr;
    }
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context, &list);
    libusb_device_handle* handle = nullptr;
    int opened = LIBUSB_ERROR_NOT_FOUND;
    for (ssize_t i = 0; i < count; ++i) {
        if (libusb_get_bus_number(list[i]) == bus && libusb_get_device_address(list[i]) == address) {
            opened = libusb_open(list[i], &handle);
            break;
        }
    }
    if (list != nullptr) libusb_free_device_list(list, 1);
    if (opened != 0) {
        error = std::string("cannot open the USB device: ") + libusb_error_name(opened);
        libusb_exit(context);
        return nullptr;
    }
    libusb_set_auto_detach_kernel_driver(handle, 1);
    return std::unique_ptr<LibusbDevice>(new LibusbDevice(context, handle));
}

LibusbDevice::LibusbDevice(libusb_context* context, libusb_device_handle* handle) : context_(context), handle_(handle) {
    events_ = std::thread([this] {
        timeval tick{0, 100'000};
        while (!stop_) libusb_handle_events_timeout_completed(context_, &tick, nullptr);
    });
}

LibusbDevice::~LibusbDevice() {
    {
        std::unique_lock lock(mutex_);
        for (libusb_transfer* t : inFlight_) libusb_cancel_transfer(t);
        // Completions run on the event thread; every transfer must be back before the handle goes.
        idle_.wait_for(lock, std::chrono::seconds(2), [this] { return inFlight_.empty(); });
    }
    stop_ = true;
    events_.join();
    if (claimed_) libusb_release_interface(handle_, 0);
    libusb_close(handle_);
    libusb_exit(context_);
}

NtStatus LibusbDevice::GetDescriptor(std::uint8_t type, std::uint8_t index, std::vector<std::uint8_t>& out) {
    out.assign(type == LIBUSB_DT_DEVICE ? 18 : 1024, 0);
    const int n = libusb_get_descriptor(handle_, type, index, out.data(), static_cast<int>(out.size()));
    if (n < 0) return FromLibusb(n);
    out.resize(static_cast<std::size_t>(n));
    return kStatusSuccess;
}

NtStatus LibusbDevice::SelectConfiguration(std::uint8_t configuration, std::uint8_t alternate) {
    int current = 0;
    if (libusb_get_configuration(handle_, &current) == 0 && current != configuration) {
        if (claimed_) libusb_release_interface(handle_, 0);
        claimed_ = false;
        const int set = libusb_set_configuration(handle_, configuration);
        if (set != 0) return FromLibusb(set);
    }
    if (!claimed_) {
        const int claim = libusb_claim_interface(handle_, 0);
        if (claim != 0) return FromLibusb(claim);
        claimed_ = true;
    }
    const int alt = libusb_set_interface_alt_setting(handle_, 0, alternate);
    if (alt != 0) return FromLibusb(alt);
    // Which in-endpoints are interrupt pipes decides how reads on them are submitted.
    libusb_config_descriptor* config = nullptr;
    std::lock_guard lock(mutex_);
    interruptEndpoints_.clear();
    if (libusb_get_active_config_descriptor(libusb_get_device(handle_), &config) == 0) {
        for (int i = 0; i < config->bNumInterfaces; ++i)
            for (int a = 0; a < config->interface[i].num_altsetting; ++a) {
                const libusb_interface_descriptor& d = config->interface[i].altsetting[a];
                if (d.bAlternateSetting != alternate) continue;
                for (int e = 0; e < d.bNumEndpoints; ++e)
                    if ((d.endpoint[e].bmAttributes & 3) == LIBUSB_TRANSFER_TYPE_INTERRUPT)
                        interruptEndpoints_.insert(d.endpoint[e].bEndpointAddress);
            }
        libusb_free_config_descriptor(config);
    }
    return kStatusSuccess;
}

bool LibusbDevice::IsInterruptEndpoint(std::uint8_t endpoint) const {
    std::lock_guard lock(mutex_);
    return interruptEndpoints_.count(endpoint) != 0;
}

NtStatus LibusbDevice::ResetPipe(std::uint8_t endpoint) { return FromLibusb(libusb_clear_halt(handle_, endpoint)); }

void LibusbDevice::CancelPipe(std::uint8_t endpoint) {
    std::lock_guard lock(mutex_);
    for (libusb_transfer* t : inFlight_)
        if (t->endpoint == endpoint) libusb_cancel_transfer(t);
}

NtStatus LibusbDevice::CyclePort() { return FromLibusb(libusb_reset_device(handle_)); }

NtStatus LibusbDevice::VendorIn(std::uint8_t request, std::uint16_t value, std::uint16_t index, std::uint8_t* data,
                                std::size_t length, std::size_t& transferred, plat::sys::Nanoseconds timeout) {
    transferred = 0;
    const int n = libusb_control_transfer(handle_, kVendorIn,
                                          request, value, index, data, static_cast<std::uint16_t>(length),
                                          Milliseconds(timeout));
    if (n < 0) return FromLibusb(n);
    transferred = static_cast<std::size_t>(n);
    return kStatusSuccess;
}

NtStatus LibusbDevice::VendorOut(std::uint8_t request, std::uint16_t value, std::uint16_t index,
                                 const std::uint8_t* data, std::size_t length, plat::sys::Nanoseconds timeout) {
    std::vector<std::uint8_t> copy(data, data + length);
    const int n = libusb_control_transfer(handle_, kVendorOut,
                                          request, value, index, copy.data(), static_cast<std::uint16_t>(length),
                                          Milliseconds(timeout));
    return n < 0 ? FromLibusb(n) : kStatusSuccess;
}

NtStatus LibusbDevice::Submit(libusb_transfer* transfer, std::unique_ptr<Pending> pending) {
    transfer->user_data = pending.get();
    transfer->callback = &LibusbDevice::Completed;
    std::lock_guard lock(mutex_);
    const int submitted = libusb_submit_transfer(transfer);
    if (submitted != 0) {
        libusb_free_transfer(transfer);
        return FromLibusb(submitted);
    }
    pending.release(); // owned by the transfer until it completes
    inFlight_.insert(transfer);
    return kStatusSuccess;
}

void LibusbDevice::Completed(libusb_transfer* transfer) {
    static_cast<Pending*>(transfer->user_data)->device->Finish(transfer);
}

void LibusbDevice::Finish(libusb_transfer* transfer) {
    std::unique_ptr<Pending> pending(static_cast<Pending*>(transfer->user_data));
    const NtStatus status = FromTransfer(transfer->status);
    if (pending->bulk) {
        pending->bulk(status);
    } else if (pending->read) {
        pending->read(status, pending->buffer.data(), static_cast<std::size_t>(transfer->actual_length));
    } else if (pending->iso) {
        transport::IsoTransfer result;
        result.status = status;
        result.startFrame = pending->frame;
        result.packets.resize(static_cast<std::size_t>(transfer->num_iso_packets));
        for (int i = 0; i < transfer->num_iso_packets; ++i) {
            const libusb_iso_packet_descriptor& p = transfer->iso_packet_desc[i];
            result.packets[static_cast<std::size_t>(i)] = {
                p.status == LIBUSB_TRANSFER_COMPLETED ? kStatusSuccess : kStatusUnsuccessful, p.actual_length};
        }
        result.data = std::move(pending->buffer);
        pending->iso(result);
    }
    std::lock_guard lock(mutex_);
    inFlight_.erase(transfer);
    libusb_free_transfer(transfer);
    idle_.notify_all();
}

NtStatus LibusbDevice::BulkOut(std::uint8_t endpoint, const std::uint8_t* data, std::size_t length, BulkDone done) {
    auto pending = std::make_unique<Pending>();
    pending->device = this;
    pending->buffer.assign(data, data + length);
    pending->bulk = std::move(done);
    libusb_transfer* transfer = libusb_alloc_transfer(0);
    if (transfer == nullptr) return kStatusInsufficientResources;
    libusb_fill_bulk_transfer(transfer, handle_, endpoint, pending->buffer.data(), static_cast<int>(length), nullptr,
                              nullptr, 2000);
    return Submit(transfer, std::move(pending));
}

NtStatus LibusbDevice::ReadIn(std::uint8_t endpoint, std::size_t length, ReadDone done) {
    auto pending = std::make_unique<Pending>();
    pending->device = this;
    pending->buffer.assign(length, 0);
    pending->read = std::move(done);
    libusb_transfer* transfer = libusb_alloc_transfer(0);
    if (transfer == nullptr) return kStatusInsufficientResources;
    if (IsInterruptEndpoint(endpoint))
        libusb_fill_interrupt_transfer(transfer, handle_, endpoint, pending->buffer.data(), static_cast<int>(length),
                                       nullptr, nullptr, 0);
    else
        libusb_fill_bulk_transfer(transfer, handle_, endpoint, pending->buffer.data(), static_cast<int>(length),
                                  nullptr, nullptr, 0);
    return Submit(transfer, std::move(pending));
}

NtStatus LibusbDevice::SubmitIso(std::uint8_t endpoint, std::size_t packets, std::size_t packetSize, IsoDone done) {
    auto pending = std::make_unique<Pending>();
    pending->device = this;
    pending->buffer.assign(packets * packetSize, 0);
    pending->iso = std::move(done);
    {
        std::lock_guard lock(mutex_);
        pending->frame = nextFrame_;
        nextFrame_ += static_cast<std::uint32_t>(packets); // one packet a frame
    }
    libusb_transfer* transfer = libusb_alloc_transfer(static_cast<int>(packets));
    if (transfer == nullptr) return kStatusInsufficientResources;
    libusb_fill_iso_transfer(transfer, handle_, endpoint, pending->buffer.data(), static_cast<int>(pending->buffer.size()),
                             static_cast<int>(packets), nullptr, nullptr, 0);
    libusb_set_iso_packet_lengths(transfer, static_cast<unsigned int>(packetSize));
    return Submit(transfer, std::move(pending));
}

} // namespace lxq::host
