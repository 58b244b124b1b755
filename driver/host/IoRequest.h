#pragma once
// One request to a device object: what the caller asked (kind, control code, buffers), who asked
// (process and open handle) and how it ended (status and byte count). The request is completed
// exactly once; completion runs the callback of whoever issued it (the channel answers its
// client, the bus layer wakes its waiter).

#include "api/DeviceControl.h"

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace lxq::host {

class RequestCounter;

enum class RequestKind { Create, Close, Cleanup, DeviceControl, Power, Pnp };

enum class PnpMinor { Start, QueryRemove, Remove, CancelRemove, SurpriseRemoval, QueryCapabilities, QueryDeviceState, Other };

enum class PowerMinor { SetPower, QueryPower, WaitWake, PowerSequence };
enum class PowerType { System, Device };

// Device power states D0..D3 are 1..4; system power states S0 (working) .. S5 are 1..6.
inline constexpr int kD0 = 1;
inline constexpr int kD3 = 4;
inline constexpr int kSystemWorking = 1;
inline constexpr int kSystemSleeping = 4;

class IoRequest {
public:
    using Completion = std::function<void(IoRequest&)>;

    IoRequest(RequestKind kind, Completion completion) : kind_(kind), completion_(std::move(completion)) {}
    ~IoRequest();
    IoRequest(const IoRequest&) = delete;
    IoRequest& operator=(const IoRequest&) = delete;

    // A device-control request with the buffered method's single system buffer (input copied in,
    // sized for the larger of input and output).
    static std::shared_ptr<IoRequest> Control(std::uint32_t code, const void* in, std::uint32_t inLength,
                                              std::uint32_t outLength, std::uint64_t inPointerValue,
                                              Completion completion);
    // Makes a finished device-control request that nobody else holds any more carry a new one, as
    // if made by Control with the same completion: every field starts again (descriptors it
    // still holds are closed), and only the memory of its buffer is kept. An issuer that sends
    // request after request uses one object, and a request costs no allocation.
    void ReuseForControl(std::uint32_t code, const void* in, std::uint32_t inLength, std::uint32_t outLength,
                         std::uint64_t inPointerValue);

    RequestKind Kind() const { return kind_; }

    // Device control.
    std::uint32_t code = 0;
    std::uint32_t inLength = 0;
    std::uint32_t outLength = 0;
    std::uint64_t inPointerValue = 0;
    std::vector<std::uint8_t> buffer;  // the system buffer
    int passedFd = -1;                 // a descriptor that came with the request (owned)
    int replyFd = -1;                  // a descriptor to hand back with the answer (owned)

    // Plug and play and power.
    PnpMinor pnpMinor = PnpMinor::Other;
    PowerMinor powerMinor = PowerMinor::SetPower;
    PowerType powerType = PowerType::Device;
    int powerState = kD0;

    // The byte count a handler sets before the request completes.
    std::uint64_t bytes = 0;

    // Who asked: the calling process and the open handle the request came through.
    pid_t caller = 0;
    std::uint64_t handle = 0;

    // Completes the request once; later calls are ignored.
    void Complete(NtStatus status, std::uint64_t information = 0);
    bool IsCompleted() const { return completed_.load(); }
    NtStatus Status() const { return status_; }
    std::uint64_t Information() const { return information_; }

    // The dispatcher counts a request in flight and hands it the counter to release, once: when
    // the request is held (it is counted again on replay) or just before it completes. The
    // pointer shares ownership of the device the counter belongs to, which so outlives the
    // request's time in flight. Setting and releasing never overlap (a request is dispatched
    // again only after it was held, and completes once).
    void SetCountRelease(std::shared_ptr<RequestCounter> counter);
    void ReleaseCount();

    // Cancellation: a request asked to cancel before it is held completes at once when held.
    void MarkCancelled() { cancelled_ = true; }
    bool IsCancelled() const { return cancelled_.load(); }

private:
    void SetUpControl(std::uint32_t code, const void* in, std::uint32_t inLength, std::uint32_t outLength,
                      std::uint64_t inPointerValue);

    RequestKind kind_;
    Completion completion_;
    std::shared_ptr<RequestCounter> counted_;
    std::atomic<bool> countHeld_{false};
    std::atomic<bool> completed_{false};
    std::atomic<bool> cancelled_{false};
    NtStatus status_ = kStatusPending;
    std::uint64_t information_ = 0;
};

using RequestPtr = std::shared_ptr<IoRequest>;

} // namespace lxq::host
