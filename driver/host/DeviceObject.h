#pragma once
// One receiver's device object and its record: state flags, power states, ownership, the requests
// in flight and the requests held. The dispatcher and the plug-and-play and power handler act on
// it; the receiver driver behind it does the hardware work.

#include "driver/host/LowerDevice.h"
#include "driver/host/PendingList.h"
#include "driver/host/ReceiverDriver.h"
#include "driver/host/RequestCounter.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>

namespace lxq::host {

// Device state flags.
inline constexpr std::uint32_t kRemovalPending = 1u << 2;
inline constexpr std::uint32_t kRemoved = 1u << 3;
inline constexpr std::uint32_t kStarted = 1u << 4;
inline constexpr std::uint32_t kRemovalFinishedByPnp = 1u << 5;
inline constexpr std::uint32_t kSurpriseRemoved = 1u << 6;
// Power transition flags: while either is set, requests wait.
inline constexpr std::uint32_t kTransitionToD3 = 1u << 1;
inline constexpr std::uint32_t kTransitionToSleep = 1u << 2;

class DeviceObject {
public:
    DeviceObject(int number, std::string busId, std::unique_ptr<ReceiverDriver> driver, LowerDevice& lower);

    int Number() const { return number_; }
    const std::string& BusId() const { return busId_; }
    // The interface path that clients open.
    const std::string& Path() const { return path_; }
    ReceiverDriver& Driver() { return *driver_; }
    LowerDevice& Lower() { return lower_; }

    RequestCounter& Counter() { return counter_; }
    PendingList& Pending() { return pending_; }
    std::mutex& DeviceMutex() { return deviceMutex_; }
    std::mutex& HandlerMutex() { return handlerMutex_; }

    bool Has(std::uint32_t flag) const { return (flags_.load() & flag) != 0; }
    void Set(std::uint32_t flag) { flags_.fetch_or(flag); }
    void Clear(std::uint32_t flag) { flags_.fetch_and(~flag); }
    bool IsGone() const { return Has(kRemoved | kSurpriseRemoved); }

    bool InTransition() const { return (powerFlags_.load() & (kTransitionToD3 | kTransitionToSleep)) != 0; }
    void SetTransition(std::uint32_t bits) { powerFlags_.fetch_or(bits); }
    void ClearTransitions() { powerFlags_.store(0); }

    int DevicePower() const { return devicePower_.load(); }
    void SetDevicePower(int state) { devicePower_.store(state); }
    int SystemPower() const { return systemPower_.load(); }
    void SetSystemPower(int state) { systemPower_.store(state); }

    // Ownership, under the device mutex.
    int openCount = 0;
    pid_t owner = 0;

    // The hardware is stopped once, whichever removal path comes first.
    bool TakeStop() { return !stopped_.exchange(true); }
    void ClearStopped() { stopped_.store(false); }

    // The bus's capabilities record, kept from the start.
    DeviceCapabilities capabilities{};

    // Waits of removal and of going idle.
    std::chrono::milliseconds idleTimeout{5000};
    std::chrono::milliseconds removalTimeout{5000};

private:
    int number_;
    std::string busId_;
    std::string path_;
    std::unique_ptr<ReceiverDriver> driver_;
    LowerDevice& lower_;
    RequestCounter counter_;
    PendingList pending_;
    std::mutex deviceMutex_;
    std::mutex handlerMutex_;
    std::atomic<std::uint32_t> flags_{0};
    std::atomic<std::uint32_t> powerFlags_{0};
    std::atomic<int> devicePower_{kD0};
    std::atomic<int> systemPower_{kSystemWorking};
    std::atomic<bool> stopped_{false};
};

using DevicePtr = std::shared_ptr<DeviceObject>;

} // namespace lxq::host
