#include "driver/host/Bus.h"

#include "driver/host/Dispatcher.h"
#include "platform/sys/Clock.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <strings.h>

namespace lxq::host {
namespace {

constexpr int kMaxDevices = 999;
constexpr std::size_t kMaxBusId = 64;
constexpr std::int64_t kSleepPollMs = 10;

bool ValidBusId(const std::string& id) {
    if (id.empty() || id.size() > kMaxBusId) return false;
    return std::all_of(id.begin(), id.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '-' || c == '_' || c == '.';
    });
}

const char* StateText(const DeviceObject& device) {
    if (device.Has(kRemoved)) return "removed";
    if (device.Has(kSurpriseRemoved)) return "surprise-removed";
    if (device.Has(kRemovalPending)) return "removal-pending";
    if (!device.Has(kStarted)) return "added";
    // Asleep with the system: requests wait, and opening it fails, until the wake.
    if (device.SystemPower() != kSystemWorking) return "asleep";
    return device.DevicePower() == kD0 ? "started" : "powered-down";
}

} // namespace

Bus::~Bus() { RemoveAll(); }

NtStatus Bus::SendPnp(const DevicePtr& device, PnpMinor minor) {
    auto request = std::make_shared<IoRequest>(RequestKind::Pnp, nullptr);
    request->pnpMinor = minor;
    Dispatcher::Dispatch(device, request);
    return request->Status();
}

NtStatus Bus::SendPower(const DevicePtr& device, PowerMinor minor, PowerType type, int state) {
    auto request = std::make_shared<IoRequest>(RequestKind::Power, nullptr);
    request->powerMinor = minor;
    request->powerType = type;
    request->powerState = state;
    Dispatcher::Dispatch(device, request);
    return request->Status();
}

NtStatus Bus::Plug(const std::string& kind, const std::string& busId, std::string& message) {
    if (!ValidBusId(busId)) {
        message = "bad bus id \"" + busId + "\"";
        return kStatusInvalidParameter;
    }
    DevicePtr device;
    {
        std::lock_guard lock(mutex_);
        for (auto& [number, present] : devices_) {
            if (present->BusId() == busId) {
                message = "\"" + busId + "\" is plugged already";
                return kStatusInvalidParameter;
            }
        }
        int number = 0;
        while (number < kMaxDevices && devices_.count(number) != 0) ++number;
        if (number == kMaxDevices) {
            message = "no free device number";
            return kStatusInsufficientResources;
        }
        std::unique_ptr<ReceiverDriver> driver = factory_(kind, busId, message);
        if (!driver) return kStatusInvalidParameter;
        device = std::make_shared<DeviceObject>(number, busId, std::move(driver), *this);
        devices_[number] = device;
    }
    const NtStatus status = SendPnp(device, PnpMinor::Start);
    message = IsSuccess(status) ? device->Path() : "start failed";
    return status;
}

NtStatus Bus::Unplug(const std::string& busId) {
    DevicePtr device = FindByBusId(busId);
    if (!device) return kStatusInvalidParameter;
    SendPnp(device, PnpMinor::SurpriseRemoval);
    return RemoveDevice(device);
}

NtStatus Bus::Eject(const std::string& busId) {
    DevicePtr device = FindByBusId(busId);
    if (!device) return kStatusInvalidParameter;
    const NtStatus status = SendPnp(device, PnpMinor::QueryRemove);
    if (!IsSuccess(status)) {
        SendPnp(device, PnpMinor::CancelRemove);
        return status;
    }
    return RemoveDevice(device);
}

NtStatus Bus::RemoveDevice(const DevicePtr& device) {
    const NtStatus status = SendPnp(device, PnpMinor::Remove);
    std::lock_guard lock(mutex_);
    auto found = devices_.find(device->Number());
    if (found != devices_.end() && found->second == device) devices_.erase(found);
    return status;
}

NtStatus Bus::SetDevicePower(const std::string& busId, int state) {
    DevicePtr device = FindByBusId(busId);
    if (!device) return kStatusInvalidParameter;
    // Going down is announced first, so that requests wait from then on until the device is back.
    if (state > device->DevicePower()) {
        const NtStatus status = SendPower(device, PowerMinor::QueryPower, PowerType::Device, state);
        if (!IsSuccess(status)) return status;
    }
    return SendPower(device, PowerMinor::SetPower, PowerType::Device, state);
}

NtStatus Bus::Sleep(std::string* refusal) {
    Tell(Event::SystemSleep, "");
    WaitForClosedReceivers();
    const auto devices = Devices();
    for (const auto& device : devices) {
        const NtStatus status = SendPower(device, PowerMinor::QueryPower, PowerType::System, kSystemSleeping);
        if (!IsSuccess(status)) {
            if (refusal != nullptr) *refusal = "sleep refused: " + Holder(*device);
            // Anyone who agreed goes back to work.
            for (const auto& other : devices)
                SendPower(other, PowerMinor::SetPower, PowerType::System, kSystemWorking);
            Tell(Event::SystemWake, "");
            return status;
        }
    }
    for (const auto& device : devices)
        SendPower(device, PowerMinor::SetPower, PowerType::System, kSystemSleeping);
    return kStatusSuccess;
}

NtStatus Bus::Wake() {
    for (const auto& device : Devices())
        SendPower(device, PowerMinor::SetPower, PowerType::System, kSystemWorking);
    Tell(Event::SystemWake, "");
    return kStatusSuccess;
}

std::string Bus::Holder(DeviceObject& device) {
    pid_t owner;
    int opens;
    {
        std::lock_guard lock(device.DeviceMutex());
        owner = device.owner;
        opens = device.openCount;
    }
    std::string text = "\"" + device.BusId() + "\" (" + device.Path() + ")";
    if (opens == 0) return text + " is busy with a request";
    text += " is held open";
    if (owner <= 0) return text;
    text += " by process " + std::to_string(owner);
    // The name the owner runs under, when this host may see it.
    std::string name;
    std::getline(std::ifstream("/proc/" + std::to_string(owner) + "/comm"), name);
    return name.empty() ? text : text + " (" + name + ")";
}

void Bus::WaitForClosedReceivers() {
    // Only a client that heard the notice can close its receivers in answer to it.
    {
        std::lock_guard lock(mutex_);
        if (listeners_.empty()) return;
    }
    plat::sys::Clock& clock = plat::sys::ActiveClock();
    for (std::int64_t waited = 0;; waited += kSleepPollMs) {
        bool open = false;
        for (const auto& device : Devices()) {
            std::lock_guard lock(device->DeviceMutex());
            open = open || device->openCount > 0;
        }
        if (!open || waited >= kSleepGraceMs) return;
        clock.SleepMs(kSleepPollMs);
    }
}

void Bus::Tell(Event event, const std::string& path) {
    std::lock_guard order(noticeMutex_);
    std::vector<InterfaceListener> listeners;
    {
        std::lock_guard lock(mutex_);
        for (auto& [id, listener] : listeners_) listeners.push_back(listener);
    }
    for (auto& listener : listeners) listener(event, path);
}

void Bus::RemoveAll() {
    for (const auto& device : Devices()) {
        SendPnp(device, PnpMinor::SurpriseRemoval);
        RemoveDevice(device);
    }
}

std::vector<DevicePtr> Bus::Devices() const {
    std::lock_guard lock(mutex_);
    std::vector<DevicePtr> all;
    for (auto& [number, device] : devices_) all.push_back(device);
    return all;
}

std::vector<std::string> Bus::PresentPaths() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> paths;
    for (auto& [number, device] : enabled_) paths.push_back(device->Path());
    return paths;
}

DevicePtr Bus::Find(const std::string& path) const {
    std::lock_guard lock(mutex_);
    for (auto& [number, device] : enabled_)
        if (strcasecmp(device->Path().c_str(), path.c_str()) == 0) return device;
    return nullptr;
}

DevicePtr Bus::FindByBusId(const std::string& busId) const {
    std::lock_guard lock(mutex_);
    for (auto& [number, device] : devices_)
        if (device->BusId() == busId) return device;
    return nullptr;
}

std::string Bus::Describe() const {
    std::ostringstream text;
    for (const auto& device : Devices()) {
        int opens;
        {
            std::lock_guard lock(device->DeviceMutex());
            opens = device->openCount;
        }
        text << device->Number() << ' ' << device->BusId() << ' ' << StateText(*device) << " open="
             << opens << " held=" << device->Pending().Size() << ' ' << device->Path() << '\n';
    }
    return text.str();
}

int Bus::Subscribe(InterfaceListener listener, bool replayPresent, const std::function<void()>& registered) {
    std::lock_guard order(noticeMutex_);
    int id;
    {
        std::lock_guard lock(mutex_);
        id = nextListener_++;
        listeners_[id] = listener;
    }
    if (registered) registered();
    if (replayPresent)
        for (const auto& path : PresentPaths()) listener(Event::Arrived, path);
    return id;
}

void Bus::Unsubscribe(int id) {
    std::lock_guard order(noticeMutex_);
    std::lock_guard lock(mutex_);
    listeners_.erase(id);
}

DevicePtr Bus::Shared(DeviceObject& device) const {
    std::lock_guard lock(mutex_);
    auto found = devices_.find(device.Number());
    return found != devices_.end() && found->second.get() == &device ? found->second : nullptr;
}

NtStatus Bus::ForwardStart(DeviceObject&) { return kStatusSuccess; }

void Bus::SetInterfaceEnabled(DeviceObject& device, bool enabled) {
    std::lock_guard order(noticeMutex_);
    std::vector<InterfaceListener> listeners;
    {
        std::lock_guard lock(mutex_);
        auto found = devices_.find(device.Number());
        if (found == devices_.end() || found->second.get() != &device) return;
        const bool wasEnabled = enabled_.count(device.Number()) != 0;
        if (wasEnabled == enabled) return;
        if (enabled) enabled_[device.Number()] = found->second;
        else enabled_.erase(device.Number());
        for (auto& [id, listener] : listeners_) listeners.push_back(listener);
    }
    for (auto& listener : listeners) listener(enabled ? Event::Arrived : Event::Removed, device.Path());
}

void Bus::ReleaseInterface(DeviceObject& device) {
    std::lock_guard lock(mutex_);
    auto found = enabled_.find(device.Number());
    if (found != enabled_.end() && found->second.get() == &device) enabled_.erase(found);
}

NtStatus Bus::RequestDevicePower(DeviceObject& device, int state, bool) {
    // The power manager runs the request at once; a device no longer on the bus has no power.
    DevicePtr shared = Shared(device);
    if (!shared) return kStatusDeletePending;
    return SendPower(shared, PowerMinor::SetPower, PowerType::Device, state);
}

} // namespace lxq::host

namespace lxq::host {

NtStatus Bus::QueryCapabilities(DeviceObject&, DeviceCapabilities& capabilities) {
    // Our bus keeps a device at full power while the system works and lets it go down to D3 in
    // every sleeping state.
    capabilities.deviceState[0] = 0;
    capabilities.deviceState[kSystemWorking] = kD0;
    for (int state = kSystemWorking + 1; state < 7; ++state) capabilities.deviceState[state] = kD3;
    return kStatusSuccess;
}

} // namespace lxq::host
