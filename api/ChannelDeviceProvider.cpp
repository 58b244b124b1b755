// DeviceProvider over the driver channel (platform/sys/DeviceChannel).

#include "api/DeviceControl.h"
#include "api/DeviceProvider.h"

#include <chrono>
#include <thread>

namespace lxq::api {
namespace {

class ChannelLink final : public DeviceLink {
public:
    std::uint32_t Open(const std::string& path) { return handle_.Open(path); }
    std::uint32_t Control(std::uint32_t code, const void* in, std::uint32_t inLength, void* out,
                          std::uint32_t outLength, std::uint64_t inPointerValue,
                          std::uint64_t* bytes) override {
        return handle_.Control(code, in, inLength, out, outLength, inPointerValue, bytes);
    }
    std::uint32_t ControlWithDescriptor(std::uint32_t code, const void* in, std::uint32_t inLength, void* out,
                                        std::uint32_t outLength, int passDescriptor, int* receivedDescriptor,
                                        std::uint64_t* bytes) override {
        return handle_.Control(code, in, inLength, out, outLength, 0, bytes, passDescriptor, receivedDescriptor);
    }
    void Cancel() override { handle_.CancelIo(); }
    std::uint32_t StalledRequest() override { return handle_.StalledRequest(); }
    bool LateAnswer(std::uint32_t id, std::uint32_t* status) override { return handle_.LateAnswer(id, status); }

private:
    plat::sys::DeviceHandle handle_;
};

class ChannelDeviceProvider final : public DeviceProvider {
public:
    static constexpr auto kClosingWait = std::chrono::milliseconds(500);

    ~ChannelDeviceProvider() override { StopWatching(); }
    std::vector<std::string> List() override { return plat::sys::ListDeviceInterfaces(); }
    std::unique_ptr<DeviceLink> Open(const std::string& path) override {
        // The library opens only a receiver its table shows free: a device that still answers
        // busy is closing for the process that had it last (its close and this open can reach
        // the host in either order), so it is asked again for a moment.
        const auto deadline = std::chrono::steady_clock::now() + kClosingWait;
        for (;;) {
            auto link = std::make_unique<ChannelLink>();
            const std::uint32_t status = link->Open(path);
            if (status == 0) return link;
            if (status != kStatusDeviceBusy || std::chrono::steady_clock::now() >= deadline) return nullptr;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    void Watch(Watcher watcher) override { notifications_.Start(std::move(watcher)); }
    void StopWatching() override { notifications_.Stop(); }

private:
    plat::sys::DeviceNotifications notifications_;
};

} // namespace

std::unique_ptr<DeviceProvider> MakeChannelDeviceProvider() {
    return std::make_unique<ChannelDeviceProvider>();
}

} // namespace lxq::api
