#include "driver/host/UsbHotplug.h"

#include <libusb.h>

#include <cstdio>

namespace lxq::host {
namespace {

int OnHotplug(libusb_context*, libusb_device* device, libusb_hotplug_event event, void* self) {
    static_cast<UsbHotplug*>(self)->Notice(event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED,
                                           libusb_get_bus_number(device), libusb_get_device_address(device));
    return 0; // keep listening
}

} // namespace

bool UsbHotplug::Start(std::uint16_t vendor, std::uint16_t product) {
    if (libusb_init(&context_) != 0) return false;
    if (!libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG)) {
        libusb_exit(context_);
        context_ = nullptr;
        return false;
    }
    stop_ = false;
    worker_ = std::thread([this] { Work(); });
    const int events = LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED | LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT;
    if (libusb_hotplug_register_callback(context_, events, LIBUSB_HOTPLUG_ENUMERATE, vendor, product,
                                         LIBUSB_HOTPLUG_MATCH_ANY, &OnHotplug, this, &handle_) != 0) {
        Stop();
        return false;
    }
    events_ = std::thread([this] {
        timeval tick{0, 100'000};
        for (;;) {
            {
                std::lock_guard lock(mutex_);
                if (stop_) return;
            }
            libusb_handle_events_timeout_completed(context_, &tick, nullptr);
        }
    });
    return true;
}

void UsbHotplug::Stop() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (events_.joinable()) events_.join();
    if (worker_.joinable()) worker_.join();
    if (context_ != nullptr) {
        if (handle_ != 0) libusb_hotplug_deregister_callback(context_, handle_);
        libusb_exit(context_);
        context_ = nullptr;
        handle_ = 0;
    }
}

void UsbHotplug::Notice(bool arrived, int busNumber, int address) {
    {
        std::lock_guard lock(mutex_);
        notices_.emplace_back(arrived, std::to_string(busNumber) + "-" + std::to_string(address));
    }
    wake_.notify_all();
}

// Plugging opens the device through libusb, which must not happen inside libusb's own callback.
void UsbHotplug::Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || !notices_.empty(); });
        if (stop_) return;
        auto [arrived, busId] = notices_.front();
        notices_.pop_front();
        lock.unlock();
        std::string message;
        const NtStatus status = arrived ? bus_.Plug("usb", busId, message) : bus_.Unplug(busId);
        if (!IsSuccess(status))
            std::fprintf(stderr, "lxq745d: USB receiver %s: %s\n", busId.c_str(), message.c_str());
        lock.lock();
    }
}

} // namespace lxq::host
