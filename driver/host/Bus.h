#pragma once
// The bus layer: it adds receivers as device objects, raises their plug-and-play and power
// requests (start, removal queries, removal, surprise removal, device and system power), keeps the
// device-interface list that clients enumerate, and tells subscribers of arrival and removal.

#include "driver/host/DeviceObject.h"

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace lxq::host {

class Bus final : public LowerDevice {
public:
    // Makes the receiver driver for a kind of device ("test", a simulator, a port); null with a
    // message in `error` when the kind is unknown or the hardware cannot be reached.
    using DriverFactory = std::function<std::unique_ptr<ReceiverDriver>(
        const std::string& kind, const std::string& busId, std::string& error)>;
    // What subscribers are told: an interface arrived or was removed (with its path), or the
    // system is about to sleep or is back at work (empty path).
    enum class Event { Arrived, Removed, SystemSleep, SystemWake };
    using InterfaceListener = std::function<void(Event event, const std::string& path)>;

    explicit Bus(DriverFactory factory) : factory_(std::move(factory)) {}
    ~Bus() override;

    // Adds a device and starts it. busId names it on the bus (letters, digits, '-', '_', '.').
    NtStatus Plug(const std::string& kind, const std::string& busId, std::string& message);
    // Pulls the device out without asking: surprise removal, then removal.
    NtStatus Unplug(const std::string& busId);
    // Asks for the device's removal: refused while it is open or busy.
    NtStatus Eject(const std::string& busId);
    // Device power of one device (D3 or D0), or system sleep and wake for every device. Sleep is
    // refused while any receiver is open or busy. Subscribers hear of the sleep before the devices
    // are asked, and the receivers still open get a moment (kSleepGrace) to be closed; they hear
    // of the wake once the devices are back. A sleep refused is followed by a wake notice, since
    // the system stays at work. A refused sleep says in `refusal` which receiver refused and why:
    // open, and by which process (its id, and its name when the host can see it), or busy.
    NtStatus SetDevicePower(const std::string& busId, int state);
    NtStatus Sleep(std::string* refusal = nullptr);
    NtStatus Wake();
    // Removes every device (host shut-down).
    void RemoveAll();

    // Enabled interfaces in device-number order.
    std::vector<std::string> PresentPaths() const;
    // The device behind an enabled interface path (paths compare without case); null if none.
    DevicePtr Find(const std::string& path) const;
    DevicePtr FindByBusId(const std::string& busId) const;
    // One line per device: number, bus id, state, open count, held requests, path.
    std::string Describe() const;

    // Registers a listener. `registered` runs once the listener is in place and before any notice
    // reaches it (the channel answers the subscription there, so a client that has its answer
    // misses nothing); with replayPresent the listener then hears every present interface.
    int Subscribe(InterfaceListener listener, bool replayPresent, const std::function<void()>& registered = nullptr);
    void Unsubscribe(int id);

    // LowerDevice
    NtStatus ForwardStart(DeviceObject& device) override;
    void SetInterfaceEnabled(DeviceObject& device, bool enabled) override;
    void ReleaseInterface(DeviceObject& device) override;
    NtStatus RequestDevicePower(DeviceObject& device, int state, bool wait) override;
    NtStatus QueryCapabilities(DeviceObject& device, DeviceCapabilities& capabilities) override;

    // Issues a request to a device and returns its status (plug-and-play and power complete at once).
    static NtStatus SendPnp(const DevicePtr& device, PnpMinor minor);
    static NtStatus SendPower(const DevicePtr& device, PowerMinor minor, PowerType type, int state);

    static constexpr std::int64_t kSleepGraceMs = 2000;

private:
    void Tell(Event event, const std::string& path);
    void WaitForClosedReceivers();
    static std::string Holder(DeviceObject& device);
    NtStatus RemoveDevice(const DevicePtr& device);
    DevicePtr Shared(DeviceObject& device) const;
    std::vector<DevicePtr> Devices() const;

    DriverFactory factory_;
    mutable std::mutex mutex_;
    std::map<int, DevicePtr> devices_;          // by device number
    std::map<int, DevicePtr> enabled_;          // interfaces present, by device number
    std::map<int, InterfaceListener> listeners_;
    int nextListener_ = 1;
    std::mutex noticeMutex_;                    // keeps notices in order
};

} // namespace lxq::host
