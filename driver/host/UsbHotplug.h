#pragma once
// Plugs and unplugs USB receivers as they come and go: libusb's hot-plug notices for one vendor
// and product id become "usb" devices on the bus, named <bus>-<address>.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "driver/host/Bus.h"

struct libusb_context;

namespace lxq::host {

class UsbHotplug {
public:
    explicit UsbHotplug(Bus& bus) : bus_(bus) {}
    ~UsbHotplug() { Stop(); }
    UsbHotplug(const UsbHotplug&) = delete;
    UsbHotplug& operator=(const UsbHotplug&) = delete;

    // Starts watching (the receivers present now arrive at once); false when the system offers
    // no USB hot-plug.
    bool Start(std::uint16_t vendor, std::uint16_t product);
    void Stop();

    // Called from libusb's event thread.
    void Notice(bool arrived, int busNumber, int address);

private:
    void Work();

    Bus& bus_;
    libusb_context* context_ = nullptr;
    int handle_ = 0;
    bool stop_ = false;
    std::thread events_;
    std::thread worker_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::pair<bool, std::string>> notices_;
};

} // namespace lxq::host
