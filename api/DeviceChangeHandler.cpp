#include "api/DeviceChangeHandler.h"

#include <cstring>
#include <mutex>
#include <utility>

namespace lxq::api {

DeviceChangeHandler::DeviceChangeHandler(RadioLibrary& library, RadioControl& control)
    : lib_(library), ctl_(control) {}

DeviceChangeHandler::~DeviceChangeHandler() { lib_.Devices().StopWatching(); }

void DeviceChangeHandler::Start() {
    if (!lib_.Loaded()) return;
    lib_.Devices().Watch([this](plat::sys::DeviceEvent event, const std::string& path) {
        if (event == plat::sys::DeviceEvent::Removed) OnRemoved(path);
        else if (event == plat::sys::DeviceEvent::Arrived) OnArrived(path);
    });
}

namespace {

// Device paths compare without regard to case.
bool SamePath(const char (&slotPath)[kDevicePathSize], const std::string& path) {
    if (path.size() >= kDevicePathSize || slotPath[path.size()] != '\0') return false;
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t k = 0; k < path.size(); ++k) {
        if (lower(slotPath[k]) != lower(path[k])) return false;
    }
    return true;
}

} // namespace

std::int32_t DeviceChangeHandler::FindSlot(const std::string& path) {
    if (path.empty()) return 0;
    for (std::int32_t i = 1; i <= kRadioCount; ++i) {
        if (SamePath(lib_.Slot(i).devicePath, path)) return i;
    }
    return 0;
}

void DeviceChangeHandler::OnRemoved(const std::string& path) {
    auto tableLock = lib_.LockTable();
    const std::int32_t i = FindSlot(path);
    if (i == 0) return;
    SharedRadioTable& table = lib_.Table();
    RadioSlot& slot = lib_.Slot(i);
    LocalRadio& local = lib_.Local(i);
    if (table.openCount[i - 1] != 0 && table.ownerProcess[i - 1] == lib_.ProcessId()) {
        // The scan thread takes the device lock for every step, so it is stopped and joined
        // before the lock is taken here.
        local.StopScan();
        std::lock_guard deviceLock(local.deviceLock);
        slot.disconnected = 1;
        local.unplugged.store(true);
        lib_.StopCodec(i, false);
        slot.scanThread = 0;
        local.link.reset();
        slot.deviceHandle = kNoDeviceHandle;
        slot.simulated = 1;
    } else if (table.openCount[i - 1] == 0 && !slot.simulated) {
        lib_.MakeFreeSimulated(i);
    }
    // Open by another process: that process's own notice acts.
}

void DeviceChangeHandler::OnArrived(const std::string& path) {
    auto tableLock = lib_.LockTable();
    SharedRadioTable& table = lib_.Table();
    if (const std::int32_t i = FindSlot(path); i != 0) {
        RadioSlot& slot = lib_.Slot(i);
        if (!slot.disconnected || table.ownerProcess[i - 1] != lib_.ProcessId() ||
            table.openCount[i - 1] == 0)
            return;
        std::lock_guard deviceLock(lib_.Local(i).deviceLock);
        slot.simulated = 0;
        const std::int32_t openCount = table.openCount[i - 1];
        table.openCount[i - 1] = 0;
        lib_.OpenRadioDevice(i); // the disconnected mark keeps the cached settings
        table.openCount[i - 1] = openCount;
        slot.disconnected = 0;
        lib_.Local(i).unplugged.store(false);
        Reapply(i);
        return;
    }
    if (path.size() >= kDevicePathSize) return;
    for (std::int32_t i = 1; i <= kRadioCount; ++i) {
        RadioSlot& slot = lib_.Slot(i);
        if (!slot.simulated || slot.disconnected || table.openCount[i - 1] != 0) continue;
        std::memset(slot.devicePath, 0, kDevicePathSize);
        std::memcpy(slot.devicePath, path.data(), path.size());
        slot.simulated = 0;
        lib_.CloseRadioDevice(lib_.OpenRadioDevice(i)); // fills the EEPROM copy and the cache
        return;
    }
}

void DeviceChangeHandler::Reapply(std::int32_t i) {
    RadioSlot& slot = lib_.Slot(i);
    ctl_.SetPower(i, static_cast<std::int32_t>(slot.power));
    const auto frequency = static_cast<std::uint32_t>(slot.frequency);
    const std::int32_t agc = slot.agc;
    // Neither set may be skipped as "unchanged".
    slot.frequency = 0;
    slot.agc = -1;
    if (!ctl_.SetFrequency(i, frequency)) slot.frequency = frequency;
    ctl_.SetAtten(i, static_cast<std::int32_t>(slot.atten));
    if (!ctl_.SetAgc(i, agc)) slot.agc = agc;
    ctl_.SetIfGain(i, slot.ifGain);
    ctl_.SetRfAmp(i, static_cast<std::int32_t>(slot.rfAmp));
    ctl_.SetFmw(i, static_cast<std::int32_t>(slot.fmWide));
    if (slot.codecGain != 0) ctl_.CodecSetGain(i, slot.codecGain);
    LocalRadio& local = lib_.Local(i);
    if (std::exchange(local.codecRestartDue, false) && local.codecRestart) local.codecRestart();
}

} // namespace lxq::api
