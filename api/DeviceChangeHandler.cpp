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
    std::int32_t i = 0;
    {
        auto tableLock = lib_.LockTable();
        i = FindSlot(path);
        if (i == 0) return;
        SharedRadioTable& table = lib_.Table();
        LocalRadio& local = lib_.Local(i);
        if (local.opening) {
            local.removedWhileOpening = true; // the opener gives the slot up or marks it
            return;
        }
        const bool mine = table.openCount[i - 1] != 0 && table.ownerProcess[i - 1] == lib_.ProcessId();
        if (!mine) {
            std::lock_guard deviceLock(local.deviceLock); // the slot's fields are its
            if (table.openCount[i - 1] == 0 && !lib_.Slot(i).simulated) lib_.MakeFreeSimulated(i);
            // Open by another process: that process's own notice acts.
            return;
        }
    }
    // The rest needs only the receiver's own lock: closing a device may wait for the host to let
    // go of a request, and no other process may wait for that. The scan thread takes the device
    // lock for every step, so it is stopped and joined before the lock is taken here.
    RadioSlot& slot = lib_.Slot(i);
    LocalRadio& local = lib_.Local(i);
    local.StopScan();
    std::unique_lock deviceLock(local.deviceLock);
    if (!local.held.load()) {
        // Closed meanwhile: a free slot whose device is gone.
        deviceLock.unlock();
        auto tableLock = lib_.LockTable();
        deviceLock.lock();
        if (lib_.Table().openCount[i - 1] == 0 && !slot.simulated && FindSlot(path) == i)
            lib_.MakeFreeSimulated(i);
        return;
    }
    slot.disconnected = 1;
    local.unplugged.store(true);
    lib_.StopCodec(i, false);
    slot.scanThread = 0;
    local.link.reset();
    slot.deviceHandle = kNoDeviceHandle;
    slot.simulated = 1;
}

void DeviceChangeHandler::OnArrived(const std::string& path) {
    std::int32_t returning = 0;
    std::int32_t fresh = 0;
    {
        auto tableLock = lib_.LockTable();
        SharedRadioTable& table = lib_.Table();
        if (const std::int32_t i = FindSlot(path); i != 0) {
            LocalRadio& local = lib_.Local(i);
            std::unique_lock deviceLock(local.deviceLock); // the slot's fields are its
            if (!lib_.Slot(i).disconnected || table.ownerProcess[i - 1] != lib_.ProcessId() ||
                table.openCount[i - 1] == 0 || local.opening)
                return;
            local.opening = true; // held for the reconnection, which runs outside the table
            local.removedWhileOpening = false;
            returning = i;
        } else if (path.size() < kDevicePathSize) {
            for (std::int32_t k = 1; k <= kRadioCount && fresh == 0; ++k) {
                RadioSlot& slot = lib_.Slot(k);
                std::lock_guard deviceLock(lib_.Local(k).deviceLock); // the slot's fields are its
                if (!slot.simulated || slot.disconnected || table.openCount[k - 1] != 0) continue;
                std::memset(slot.devicePath, 0, kDevicePathSize);
                std::memcpy(slot.devicePath, path.data(), path.size());
                slot.simulated = 0;
                fresh = k;
            }
        }
    }
    if (fresh != 0) {
        lib_.CloseRadioDevice(lib_.OpenRadioDevice(fresh)); // fills the EEPROM copy and the cache
        return;
    }
    if (returning == 0) return;
    Reconnect(returning);
    bool removedMeanwhile = false;
    {
        auto tableLock = lib_.LockTable();
        LocalRadio& local = lib_.Local(returning);
        local.opening = false;
        removedMeanwhile = std::exchange(local.removedWhileOpening, false);
    }
    lib_.ShowPendingWarning();
    if (removedMeanwhile) OnRemoved(path);
}

void DeviceChangeHandler::Reconnect(std::int32_t i) {
    RadioSlot& slot = lib_.Slot(i);
    LocalRadio& local = lib_.Local(i);
    std::lock_guard deviceLock(local.deviceLock);
    slot.simulated = 0;
    // The disconnected mark keeps the cached settings; they are applied below. A reopen that
    // fails leaves the receiver connected in name, answering from its cache until it goes and
    // comes again.
    lib_.ConnectDevice(i, false);
    slot.disconnected = 0;
    local.unplugged.store(false);
    Reapply(i);
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
