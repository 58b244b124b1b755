#include "api/RadioLibrary.h"

#include "api/RadioInfo.h"
#include "api/SimulatedEeprom.h"
#include "platform/sys/DebugOutput.h"
#include "platform/sys/KnownFolders.h"
#include "platform/sys/MessageBox.h"
#include "platform/sys/Process.h"
#include "platform/sys/ProfileFile.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace lxq::api {
namespace {

constexpr const char* kMismatchText =
    "Mismatched LXQ745 driver detected.\nPlease be sure both driver and API are from the same "
    "release.";
constexpr const char* kMismatchCaption = "LXQ745 API";

bool ValidIndex(std::int32_t index) { return index >= 1 && index <= kRadioCount; }

std::string DefaultConfigPath() {
    return plat::sys::DocumentsFolder() + "/Talvenor/Q745/LXQ745.INI";
}

} // namespace

RadioLibrary::RadioLibrary(Options options)
    : processId_(plat::sys::CurrentProcessId()),
      configPath_(options.configPath.empty() ? DefaultConfigPath() : options.configPath),
      devices_(options.devices ? std::move(options.devices) : MakeChannelDeviceProvider()),
      exclusion_(kExclusionMutexName), probe_(kProbeMutexName), presence_(kMappingName) {
    if (!exclusion_.Valid()) {
        // A lock that is not the user's own is never used: the library does not load (the lock
        // told the reason already).
        plat::sys::OutputDebugText("LXQ745API: the receiver table's lock cannot be used; no receiver is available");
        return;
    }
    // Asked before the table is locked: a host that does not answer must not hold up every
    // other process that loads the library.
    const std::vector<std::string> present = devices_->List();
    std::unique_lock lock(exclusion_);
    bool created = false;
    std::string refusal;
    mapping_ = plat::sys::SharedMemory::OpenOrCreate(kMappingName, sizeof(SharedRadioTable),
                                                     created, &refusal);
    if (!mapping_) {
        // Refuse to load: every export answers "no receiver".
        plat::sys::OutputDebugText("LXQ745API: the receiver table is not used: " + refusal +
                                   "; no receiver is available");
        return;
    }
    // A table whose processes all died is rebuilt as if new.
    const bool alone = presence_.Join();
    table_ = reinterpret_cast<SharedRadioTable*>(mapping_->Data());
    if (created || alone) {
        std::memset(table_, 0, sizeof(SharedRadioTable));
        initialisedTable_ = true;
        Enumerate(present);
    } else {
        ReclaimAbandonedSlots();
    }
    table_->processCount = table_->processCount + 1;
    if (initialisedTable_) {
        // Taken before the table is let go: whoever finds the probed slots held can tell a probe,
        // which ends soon, from a receiver another program has opened. Only tried: the probe
        // takes the table again while it holds this, and nobody waits for it holding the table.
        const bool marked = probe_.TryLock();
        Probe(lock);
        if (marked) probe_.Unlock();
    }
}

RadioLibrary::~RadioLibrary() {
    // Stop hearing of devices before taking the mutex: a notice being handled takes it too.
    devices_->StopWatching();
    if (!table_) return;
    std::unique_lock lock(exclusion_);
    table_->processCount = table_->processCount - 1;
    for (std::int32_t i = 1; i <= kRadioCount; ++i) {
        if (table_->openCount[i - 1] <= 0 || table_->ownerProcess[i - 1] != processId_) continue;
        // Give every receiver of this process back, simulated ones too, so that no slot stays
        // held by a process that is gone and no scan thread outlives the library.
        table_->openCount[i - 1] = 1;
        CloseRadioDevice(i);
        if (table_->openCount[i - 1] > 0) {
            Local(i).StopScan();
            CloseLink(i);
            table_->openCount[i - 1] = 0;
            NoteHeld(i);
        }
    }
    if (presence_.Leave()) {
        // The last process: nothing of the table's names outlives it.
        plat::sys::SharedMemory::Remove(kMappingName);
        exclusion_.RemoveName();
    }
    table_ = nullptr;
    mapping_.reset();
}

void RadioLibrary::Enumerate(const std::vector<std::string>& paths) {
    for (std::int32_t i = 1; i <= kRadioCount; ++i) {
        RadioSlot& slot = Slot(i);
        slot.simulated = 1;
        slot.eeprom = SimulatedEeprom();
        slot.deviceHandle = kNoDeviceHandle;
        slot.if2Frequency = kIf2AfterOpenHz;
    }
    for (std::size_t k = 0; k < paths.size() && k < kRadioCount; ++k) {
        // A path that does not fit the slot's field leaves the slot simulated.
        if (paths[k].empty() || paths[k].size() >= kDevicePathSize) continue;
        RadioSlot& slot = Slot(static_cast<std::int32_t>(k + 1));
        std::memset(slot.devicePath, 0, kDevicePathSize);
        std::memcpy(slot.devicePath, paths[k].data(), paths[k].size());
        slot.simulated = 0;
    }
}

void RadioLibrary::Probe(std::unique_lock<plat::sys::NamedMutex>& lock) {
    // The probe fills the EEPROM copy and the cached settings of every real receiver. Its slots
    // are held meanwhile, so that no other process opens them, but the table is not: a receiver
    // that does not answer must not hold up the other processes.
    std::vector<std::int32_t> probed;
    for (std::int32_t i = 1; i <= kRadioCount; ++i) {
        if (Slot(i).simulated || table_->openCount[i - 1] != 0) continue;
        Claim(i);
        probed.push_back(i);
    }
    lock.unlock();
    for (const std::int32_t i : probed) {
        if (ConnectDevice(i, true)) CloseLink(i);
        Local(i).scanStep.reset();
    }
    lock.lock();
    for (const std::int32_t i : probed) Unclaim(i);
    lock.unlock();
    ShowPendingWarning();
}

void RadioLibrary::Claim(std::int32_t index) {
    table_->openCount[index - 1] = 1;
    table_->ownerProcess[index - 1] = processId_;
    Local(index).opening = true;
    Local(index).removedWhileOpening = false;
}

void RadioLibrary::Unclaim(std::int32_t index) {
    table_->openCount[index - 1] = 0;
    table_->ownerProcess[index - 1] = 0;
    Local(index).opening = false;
    NoteHeld(index);
}

std::unique_lock<plat::sys::NamedMutex> RadioLibrary::LockTable() {
    std::unique_lock lock(exclusion_);
    if (table_) ReclaimAbandonedSlots();
    return lock;
}

void RadioLibrary::ReclaimAbandonedSlots() {
    for (std::int32_t i = 1; i <= kRadioCount; ++i) {
        const std::uint32_t owner = table_->ownerProcess[i - 1];
        if (table_->openCount[i - 1] == 0 || owner == processId_ ||
            plat::sys::ProcessExists(owner))
            continue;
        RadioSlot& slot = Slot(i);
        table_->openCount[i - 1] = 0;
        table_->ownerProcess[i - 1] = 0;
        slot.deviceHandle = kNoDeviceHandle;
        slot.scanThread = 0;
        slot.scanRunning = 0;
        if (slot.disconnected) {
            slot.disconnected = 0;
            MakeFreeSimulated(i);
        }
    }
}

void RadioLibrary::MakeFreeSimulated(std::int32_t index) {
    std::lock_guard deviceLock(Local(index).deviceLock); // the slot's fields are its
    RadioSlot& slot = Slot(index);
    std::memset(slot.devicePath, 0, kDevicePathSize);
    slot.simulated = 1;
    // Without this a demonstration receiver opened here would show the departed receiver's
    // serial number, and an open by that serial number could pick this stale slot.
    slot.eeprom = SimulatedEeprom();
}

RadioSlot* RadioLibrary::Lookup(std::int32_t index) {
    if (!table_ || !ValidIndex(index)) return nullptr;
    return Local(index).held.load(std::memory_order_acquire) ? &Slot(index) : nullptr;
}

void RadioLibrary::NoteHeld(std::int32_t index) {
    const bool held =
        table_->openCount[index - 1] != 0 && table_->ownerProcess[index - 1] == processId_;
    Local(index).held.store(held, std::memory_order_release);
}

NtStatus RadioLibrary::Send(std::int32_t index, std::uint32_t code, const void* in,
                            std::uint32_t inLength, void* out, std::uint32_t outLength,
                            std::uint64_t* bytes, std::uint64_t inPointerValue) {
    std::uint64_t count = 0;
    LocalRadio& local = Local(index);
    if (!local.link) {
        NoteAnswer(index, kStatusNoDevice);
        if (bytes) *bytes = 0;
        return kStatusNoDevice;
    }
    const std::uint32_t stalledBefore = local.link->StalledRequest();
    const NtStatus status =
        local.link->Control(code, in, inLength, out, outLength, inPointerValue, &count);
    NoteAnswer(index, status);
    if (bytes) *bytes = IsSuccess(status) ? count : 0;
    if (status != plat::sys::kStatusRequestTimedOut) return status;
    const std::uint32_t stalled = local.link->StalledRequest();
    // Still waiting for the earlier request's answer: this one never left.
    if (stalledBefore != 0 && stalled == stalledBefore) return kStatusNotSent;
    // Given up on: the host drops it if it has not run yet (a receiver asleep holds it), and
    // its late answer will tell whether it ran.
    local.link->Cancel();
    local.unansweredRequest = stalled;
    return status;
}

bool RadioLibrary::LateAnswer(std::int32_t index, std::uint32_t id, NtStatus* status) {
    LocalRadio& local = Local(index);
    if (!local.link) {
        // The device was closed or lost with the request: its outcome is not known.
        if (status) *status = kStatusSuccess;
        return true;
    }
    return local.link->LateAnswer(id, status);
}

void RadioLibrary::NoteAnswer(std::int32_t index, NtStatus status) {
    LocalRadio& local = Local(index);
    if (status == plat::sys::kStatusRequestTimedOut) local.notAnswering.store(true);
    else if (local.link) local.notAnswering.store(false);
}

bool RadioLibrary::ReadEeprom(std::int32_t index) {
    LX_Q7_EEPROM image{};
    std::uint64_t bytes = 0;
    if (!IsSuccess(Send(index, IOCTL_LXQ745_READ_EEPROM, nullptr, 0, &image, sizeof image, &bytes)))
        return false;
    Slot(index).eeprom = image;
    return true;
}

std::int64_t RadioLibrary::ListRadios(void* buffer, std::size_t bufferSize,
                                      std::size_t recordSize) {
    if (!table_) return 0;
    auto lock = LockTable();
    const std::size_t fit = buffer ? bufferSize / recordSize : 0;
    std::int64_t count = 0;
    auto* out = static_cast<std::uint8_t*>(buffer);
    for (std::int32_t i = 1; i <= kRadioCount; ++i) {
        const RadioSlot& slot = Slot(i);
        const bool mine = table_->ownerProcess[i - 1] == processId_;
        if (slot.simulated || (table_->openCount[i - 1] != 0 && !mine)) continue;
        if (static_cast<std::size_t>(count) < fit) {
            const auto image = BuildRadioInfo(slot.eeprom, recordSize);
            std::memcpy(out + static_cast<std::size_t>(count) * recordSize, image.data(),
                        std::min(recordSize, kRadioInfoSize));
        }
        ++count;
    }
    return count;
}

std::int32_t RadioLibrary::GetInfo(std::int32_t index, void* record) {
    RadioSlot* slot = Lookup(index);
    if (!slot || !record) return 0;
    std::uint32_t size;
    std::memcpy(&size, record, 4);
    if (size <= 3) return 0;
    std::lock_guard lock(Local(index).deviceLock);
    const auto image = BuildRadioInfo(slot->eeprom, size);
    const std::uint32_t used = std::min<std::uint32_t>(size, kRadioInfoSize);
    std::memcpy(record, image.data(), used);
    std::memcpy(record, &used, 4);
    if (size > kRadioInfoShortSize) {
        FILTER_NODE tables[4][kFilterNodesPerBand];
        ExpandFilterTables(slot->eeprom, tables);
        std::memcpy(slot->filterTables, tables, sizeof tables);
    }
    return 1;
}

void RadioLibrary::ShowPendingWarning() {
    if (mismatchWarning_.exchange(false))
        plat::sys::ShowMessageBox(0, kMismatchText, kMismatchCaption, plat::sys::kMbIconWarning);
}

std::int32_t RadioLibrary::Open(const char* serial) {
    if (!table_) return 0;
    if (serial && std::memchr(serial, '\0', 9) == serial + 8) {
        // A program started together with another may find the table while that one's load
        // probes the receivers: their serial numbers are not in it yet, and the probe holds
        // them. It waits for the probe, then looks again, instead of finding no receiver.
        std::int32_t opened = 0;
        for (bool waited = false;; waited = true) {
            auto lock = LockTable();
            for (std::int32_t i = 1; i <= kRadioCount; ++i) {
                if (std::memcmp(Slot(i).eeprom.serial, serial, 8) == 0) {
                    opened = OpenDeviceSlot(i, lock) ? i : 0;
                    break;
                }
            }
            lock.unlock();
            if (opened != 0 || waited || !WaitForProbe()) break;
        }
        ShowPendingWarning();
        return opened;
    }
    auto lock = LockTable();
    for (std::int32_t i = 1; i <= kRadioCount; ++i) {
        if (!Slot(i).simulated || table_->openCount[i - 1] != 0) continue;
        Local(i).scanStep =
            std::make_unique<plat::sys::Event>(plat::sys::Event::Reset::Manual, true);
        table_->openCount[i - 1] = table_->openCount[i - 1] + 1;
        table_->ownerProcess[i - 1] = processId_;
        NoteHeld(i);
        return i;
    }
    return 0;
}

std::int32_t RadioLibrary::OpenRadioDevice(std::int32_t index) {
    if (!table_ || (index != 0 && !ValidIndex(index))) return 0;
    std::int32_t opened = 0;
    // A program started together with another may find the receivers held by that one's load,
    // which probes them: it waits for the probe, then looks again, instead of being refused.
    for (bool waited = false;; waited = true) {
        auto lock = LockTable();
        if (index == 0) {
            // The first free real receiver that opens: one held outside the table (its device
            // refuses) does not stop the search.
            for (std::int32_t i = 1; i <= kRadioCount && opened == 0; ++i) {
                if (!Slot(i).simulated && table_->openCount[i - 1] == 0 && OpenDeviceSlot(i, lock))
                    opened = i;
            }
        } else {
            opened = OpenDeviceSlot(index, lock) ? index : 0;
        }
        const bool retry = opened == 0 && !waited && HeldElsewhere(index);
        lock.unlock();
        if (!retry || !WaitForProbe()) break;
    }
    ShowPendingWarning();
    return opened;
}

bool RadioLibrary::HeldElsewhere(std::int32_t index) {
    for (std::int32_t i = 1; i <= kRadioCount; ++i) {
        if ((index != 0 && i != index) || Slot(i).simulated) continue;
        if (table_->openCount[i - 1] != 0 && table_->ownerProcess[i - 1] != processId_) return true;
    }
    return false;
}

bool RadioLibrary::WaitForProbe() {
    if (probe_.TryLock()) {
        probe_.Unlock();
        return false;
    }
    probe_.Lock();
    probe_.Unlock();
    return true;
}

bool RadioLibrary::OpenDeviceSlot(std::int32_t index, std::unique_lock<plat::sys::NamedMutex>& lock) {
    LocalRadio& local = Local(index);
    if (table_->openCount[index - 1] != 0) {
        if (table_->ownerProcess[index - 1] != processId_ || local.opening) return false;
        table_->openCount[index - 1] = table_->openCount[index - 1] + 1;
        return true;
    }
    // The slot is held for this process while its device is asked, without the table.
    Claim(index);
    const bool readBack = !Slot(index).disconnected;
    lock.unlock();
    const bool connected = ConnectDevice(index, readBack);
    lock.lock();
    local.opening = false;
    if (!connected || local.removedWhileOpening) {
        if (connected) CloseLink(index);
        local.scanStep.reset();
        Unclaim(index);
        if (local.removedWhileOpening && !Slot(index).disconnected) MakeFreeSimulated(index);
        local.removedWhileOpening = false;
        return false;
    }
    NoteHeld(index);
    return true;
}

bool RadioLibrary::ConnectDevice(std::int32_t index, bool readBack) {
    RadioSlot& slot = Slot(index);
    LocalRadio& local = Local(index);
    std::lock_guard deviceLock(local.deviceLock);
    local.link = slot.devicePath[0] ? devices_->Open(slot.devicePath) : nullptr;
    // What a request on the old device came to is no longer heard; a reconnection applies the
    // cached settings again, an open reads them back.
    local.unansweredRequest = 0;
    local.lateSet = {};
    if (!local.link) return false;
    slot.deviceHandle = static_cast<std::uint64_t>(index);
    std::uint64_t version = 0;
    const NtStatus status =
        Send(index, IOCTL_LXQ745_GET_VERSION, nullptr, 0, nullptr, 0, &version);
    if (!IsSuccess(status) || version != LXQ745_DRIVER_INTERFACE_VERSION) {
        CloseLink(index);
        // A device that did not answer in time, a host that went away or one that refused the
        // request as one too many is no driver of another release.
        if (status != plat::sys::kStatusRequestTimedOut && status != plat::sys::wire::kStatusNotConnected &&
            status != plat::sys::wire::kStatusTooManyRequests)
            mismatchWarning_.store(true);
        return false;
    }
    local.scanStep = std::make_unique<plat::sys::Event>(plat::sys::Event::Reset::Manual, true);

    // Post-open initialisation; the results are not checked.
    ReadEeprom(index);
    char serial[9] = {};
    std::memcpy(serial, slot.eeprom.serial, 8);
    const std::uint32_t stored = slot.eeprom.refClockInternalHz;
    const std::uint32_t calibrated = plat::sys::ProfileFile(configPath_).ReadInt(
        kClockCalibrationSection, serial, stored);
    if (calibrated != 0 && calibrated != stored) {
        slot.eeprom.refClockInternalHz = calibrated;
        RefClockRequest ref{1, kRefSourceInternal, calibrated}, out{};
        Send(index, IOCTL_LXQ745_SET_REF_CLOCK, &ref, sizeof ref, &out, sizeof out);
    }
    RefClockRequest ref{1, kRefSourceInternal, kRefClockKeepHz}, refOut{};
    Send(index, IOCTL_LXQ745_SET_REF_CLOCK, &ref, sizeof ref, &refOut, sizeof refOut);
    slot.if2Frequency = kIf2AfterOpenHz;
    SecondIfRequest if2{static_cast<std::int32_t>(kIf2AfterOpenHz), 0, kSecondIfWaitPush}, if2Out{};
    Send(index, IOCTL_LXQ745_SET_IF2_FREQUENCY, &if2, sizeof if2, &if2Out, sizeof if2Out);
    slot.pendingFrequency = 0;

    // A reconnection keeps the cached settings: they are applied to the device afterwards.
    if (readBack) {
        auto readBackValue = [&](std::uint32_t code, auto store) {
            std::uint64_t value = 0;
            if (IsSuccess(Send(index, code, nullptr, 0, nullptr, 0, &value))) store(value);
        };
        readBackValue(IOCTL_LXQ745_GET_POWER, [&](std::uint64_t v) { slot.power = std::uint32_t(v); });
        readBackValue(IOCTL_LXQ745_GET_FREQUENCY, [&](std::uint64_t v) { slot.frequency = v; });
        readBackValue(IOCTL_LXQ745_GET_ATTEN, [&](std::uint64_t v) { slot.atten = std::uint32_t(v); });
        readBackValue(IOCTL_LXQ745_GET_RF_AMP, [&](std::uint64_t v) { slot.rfAmp = std::uint32_t(v); });
        readBackValue(IOCTL_LXQ745_GET_AGC, [&](std::uint64_t v) { slot.agc = std::int32_t(v); });
        readBackValue(IOCTL_LXQ745_GET_IF_GAIN, [&](std::uint64_t v) { slot.ifGain = std::int32_t(v); });
        readBackValue(IOCTL_LXQ745_GET_IF2_FREQUENCY,
                      [&](std::uint64_t v) { slot.if2Frequency = std::uint32_t(v); });
        // FM-wide outlives a session in the receiver: a new session must know it is on.
        if (slot.eeprom.capabilities & kCapFmWide)
            readBackValue(IOCTL_LXQ745_GET_FMW, [&](std::uint64_t v) { slot.fmWide = v != 0 ? 1u : 0u; });
    }
    return true;
}

std::int32_t RadioLibrary::CloseRadioDevice(std::int32_t index) {
    if (!table_) return 0;
    auto lock = LockTable();
    RadioSlot* slot = Lookup(index);
    if (!slot) return 0;
    if (table_->openCount[index - 1] == 1) {
        // The last close stops the codec stream, which asks the device: not while the table is
        // held, so that a receiver that does not answer holds up no other process.
        lock.unlock();
        StopCodec(index, true);
        lock.lock();
        slot = Lookup(index);
        if (!slot) return 1; // closed meanwhile by another thread of this process
    }
    bool realOrGone;
    {
        // The device-change thread rewrites the slot under the device lock (a removal turns it
        // simulated and disconnected): every thread of this process reads it under that lock.
        std::lock_guard deviceLock(Local(index).deviceLock);
        realOrGone = !slot->simulated || slot->disconnected;
    }
    if (realOrGone) {
        CloseDeviceSlot(index);
    } else {
        const std::int32_t was = table_->openCount[index - 1];
        table_->openCount[index - 1] = was - 1;
        NoteHeld(index);
        if (was == 1) {
            Local(index).StopScan();
            Local(index).scanStep.reset();
            std::lock_guard deviceLock(Local(index).deviceLock);
            slot->scanThread = 0;
        }
    }
    return 1;
}

void RadioLibrary::CloseDeviceSlot(std::int32_t index) {
    const std::int32_t was = table_->openCount[index - 1];
    if (was == 0) return;
    table_->openCount[index - 1] = was - 1;
    NoteHeld(index);
    if (was != 1) return;
    RadioSlot& slot = Slot(index);
    LocalRadio& local = Local(index);
    local.StopScan(); // before the device lock, which the scan thread takes at every step
    CloseLink(index);
    local.scanStep.reset();
    std::lock_guard deviceLock(local.deviceLock); // the slot's fields are its
    slot.scanThread = 0;
    if (slot.disconnected) {
        slot.disconnected = 0;
        local.unplugged.store(false);
        MakeFreeSimulated(index);
    }
}

void RadioLibrary::CloseLink(std::int32_t index) {
    LocalRadio& local = Local(index);
    std::lock_guard deviceLock(local.deviceLock);
    local.link.reset();
    Slot(index).deviceHandle = kNoDeviceHandle;
}

void RadioLibrary::StopCodec(std::int32_t index, bool sendStop) {
    LocalRadio& local = Local(index);
    std::lock_guard codecLock(local.codecLock);
    if (!local.codecStreaming) return;
    if (sendStop && !Slot(index).disconnected)
        Send(index, IOCTL_LXQ745_CODEC_STOP, nullptr, 0, nullptr, 0);
    local.codecStreaming = false;
    // A removal (no stop request) leaves the stream due to start again when the device returns.
    local.codecRestartDue = !sendStop;
    if (local.codecRelease) std::exchange(local.codecRelease, nullptr)();
}

} // namespace lxq::api
