// DeviceProvider over the driver channel (platform/sys/DeviceChannel).

#include "api/DeviceProvider.h"

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

private:
    plat::sys::DeviceHandle handle_;
};

class ChannelDeviceProvider final : public DeviceProvider {
public:
    ~ChannelDeviceProvider() override { StopWatching(); }
    std::vector<std::string> List() override { return plat::sys::ListDeviceInterfaces(); }
    std::unique_ptr<DeviceLink> Open(const std::string& path) override {
        auto link = std::make_unique<ChannelLink>();
        if (link->Open(path) != 0) return nullptr;
        return link;
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
