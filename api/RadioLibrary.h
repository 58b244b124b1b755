#pragma once
// The library's per-process core: the shared receiver table with its exclusion mutex, the
// process's local state per receiver, the device provider; load and unload, receiver lookup,
// listing, description records, opening and closing.

#include "api/DeviceProvider.h"
#include "api/LocalRadio.h"
#include "api/SharedRadioTable.h"
#include "platform/sys/NamedMutex.h"
#include "platform/sys/SharedMemory.h"
#include "platform/sys/SharedPresence.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace lxq::api {

inline constexpr const char* kMappingName = "LXQ745APIMemFile";
inline constexpr const char* kExclusionMutexName = "LXQ745API_Exclusion";
// Held by the process whose load probes the receivers, for as long as the probe holds their slots.
inline constexpr const char* kProbeMutexName = "LXQ745API_Probe";
inline constexpr const char* kClockCalibrationSection = "ClockCalibration";
// Status of a request to a slot that has no open device.
inline constexpr NtStatus kStatusNoDevice = 0xC0000008;
// Status of a request that was not sent because an earlier one on the same device is still
// unanswered: a failure that changed nothing in the receiver.
inline constexpr NtStatus kStatusNotSent = 0xC0000184;

class RadioLibrary {
public:
    struct Options {
        std::unique_ptr<DeviceProvider> devices; // null: the driver channel
        std::string configPath;                  // empty: <Documents>/Talvenor/Q745/LXQ745.INI
    };

    // Loading: attaches to (and, as the first process, initialises) the shared table.
    explicit RadioLibrary(Options options);
    // Unloading: closes this process's receivers and detaches.
    ~RadioLibrary();
    RadioLibrary(const RadioLibrary&) = delete;
    RadioLibrary& operator=(const RadioLibrary&) = delete;

    bool Loaded() const { return table_ != nullptr; }
    // True when this process found the table new (or left by dead processes) and built it.
    bool InitialisedTable() const { return initialisedTable_; }
    std::uint32_t ProcessId() const { return processId_; }
    const std::string& ConfigPath() const { return configPath_; }
    DeviceProvider& Devices() { return *devices_; }

    // The slot of receiver `index` when this process has it open, else null. Never waits.
    RadioSlot* Lookup(std::int32_t index);
    RadioSlot& Slot(std::int32_t index) { return table_->slots[index - 1]; }
    LocalRadio& Local(std::int32_t index) { return local_[static_cast<std::size_t>(index - 1)]; }
    SharedRadioTable& Table() { return *table_; }
    // Takes the exclusion mutex and frees the slots of processes that no longer exist.
    std::unique_lock<plat::sys::NamedMutex> LockTable();
    // The exclusion mutex only if it is free now (check owns_lock()).
    std::unique_lock<plat::sys::NamedMutex> TryLockTable() {
        return std::unique_lock(exclusion_, std::try_to_lock);
    }

    // One device-control request on the slot's open device (the caller holds the device lock).
    // A request that goes unanswered for the whole time-out (plat::sys::kStatusRequestTimedOut)
    // is cancelled in the host where it has not run yet, and noted in unansweredRequest; one that
    // is not sent because an earlier one is still unanswered fails with kStatusNotSent.
    NtStatus Send(std::int32_t index, std::uint32_t code, const void* in, std::uint32_t inLength,
                  void* out, std::uint32_t outLength, std::uint64_t* bytes = nullptr,
                  std::uint64_t inPointerValue = 0);
    // Keeps the slot's not-answering mark by the outcome of a request on its open device: a
    // time-out sets it, any answer clears it.
    void NoteAnswer(std::int32_t index, NtStatus status);
    // Whether the late answer of the slot's request `id` has come, with its status.
    bool LateAnswer(std::int32_t index, std::uint32_t id, NtStatus* status);
    // Reads the device's EEPROM image into the slot; false when the request fails.
    bool ReadEeprom(std::int32_t index);

    std::int64_t ListRadios(void* buffer, std::size_t bufferSize, std::size_t recordSize);
    std::int32_t GetInfo(std::int32_t index, void* record);
    std::int32_t Open(const char* serial);
    std::int32_t OpenRadioDevice(std::int32_t index);
    std::int32_t CloseRadioDevice(std::int32_t index);
    // The open worker, called with the table locked once through `lock`. The lock is given up
    // while the device is asked (the slot stays held for this process), so a receiver that does
    // not answer never holds up the other processes.
    bool OpenDeviceSlot(std::int32_t index, std::unique_lock<plat::sys::NamedMutex>& lock);
    void CloseDeviceSlot(std::int32_t index);
    // Opens the slot's device and runs the post-open initialisation, with `readBack` also reading
    // the receiver's settings into the cache. Takes the device lock, never the table; the caller
    // holds the slot (Claim, or an open slot being reconnected).
    bool ConnectDevice(std::int32_t index, bool readBack);
    // Holds a free slot for this process while its device is opened outside the table lock, and
    // gives it back (both under the table lock).
    void Claim(std::int32_t index);
    void Unclaim(std::int32_t index);
    // Shows the mismatch warning that an open left, without holding the table.
    void ShowPendingWarning();

    // A slot no process holds any more and whose device is gone: demonstration receiver again.
    void MakeFreeSimulated(std::int32_t index);
    // Stops the codec stream of a slot without a request to the device (removal, close).
    void StopCodec(std::int32_t index, bool sendStop);

private:
    void Enumerate(const std::vector<std::string>& paths);
    void Probe(std::unique_lock<plat::sys::NamedMutex>& lock);
    // When another process's load is probing the receivers: waits for it to end and says true;
    // false at once otherwise. Called without the table.
    bool WaitForProbe();
    // Whether a real receiver (`index`, or any with 0) is held by another process.
    bool HeldElsewhere(std::int32_t index);
    void ReclaimAbandonedSlots();
    void CloseLink(std::int32_t index);
    // Brings Local(index).held up to date with the table (under the exclusion mutex).
    void NoteHeld(std::int32_t index);

    std::uint32_t processId_;
    std::string configPath_;
    std::unique_ptr<DeviceProvider> devices_;
    plat::sys::NamedMutex exclusion_;
    plat::sys::NamedMutex probe_;
    plat::sys::SharedPresence presence_;
    std::unique_ptr<plat::sys::SharedMemory> mapping_;
    SharedRadioTable* table_ = nullptr;
    bool initialisedTable_ = false;
    std::atomic<bool> mismatchWarning_{false};
    std::array<LocalRadio, kRadioCount> local_;
};

} // namespace lxq::api
