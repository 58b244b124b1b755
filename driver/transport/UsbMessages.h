#pragma once
// The USB receiver's messages, byte for byte: the tuner-state message on the bulk pipe, the reply
// to the status request and the status message on the status pipe. Little-endian and packed.

#include <cstddef>
#include <cstdint>

#include "driver/TunerState.h"

namespace lxq::transport {

#pragma pack(push, 1)
struct UsbPushMessage {
    std::uint8_t type;     // 2
    std::uint8_t sequence; // acknowledged on the status pipe
    std::uint8_t sendAll;  // 1: take every field
    std::uint8_t reserved;
    TunerState state;
};

struct UsbStatusReply {
    std::uint8_t flags;    // kUsbStatusBusy, kUsbStatusPowered, kUsbStatusError
    std::uint8_t lock;     // bits 0..1
    std::uint16_t detectorA; // scaled by 32
    std::uint16_t detectorB;
    std::uint8_t unused[2];
};

struct UsbStatusMessage {
    std::uint8_t unused;
    std::uint8_t acknowledged; // sequence of the last tuner-state message taken
    std::uint8_t flags;        // bits 2..7 set: no fresh measurement in this message
    std::uint8_t lock;         // bits 0..1
    std::uint16_t detectorA;   // scaled by 32
    std::uint16_t detectorB;
};
#pragma pack(pop)

inline constexpr std::uint8_t kUsbPushMessageType = 2;

static_assert(sizeof(UsbPushMessage) == 34);
static_assert(offsetof(UsbPushMessage, type) == 0 && offsetof(UsbPushMessage, sequence) == 1);
static_assert(offsetof(UsbPushMessage, sendAll) == 2 && offsetof(UsbPushMessage, reserved) == 3);
static_assert(offsetof(UsbPushMessage, state) == 4);
static_assert(sizeof(UsbStatusReply) == 8);
static_assert(offsetof(UsbStatusReply, flags) == 0 && offsetof(UsbStatusReply, lock) == 1);
static_assert(offsetof(UsbStatusReply, detectorA) == 2 && offsetof(UsbStatusReply, detectorB) == 4);
static_assert(offsetof(UsbStatusReply, unused) == 6);
static_assert(sizeof(UsbStatusMessage) == 8);
static_assert(offsetof(UsbStatusMessage, acknowledged) == 1 && offsetof(UsbStatusMessage, flags) == 2);
static_assert(offsetof(UsbStatusMessage, lock) == 3 && offsetof(UsbStatusMessage, detectorA) == 4);
static_assert(offsetof(UsbStatusMessage, detectorB) == 6);

} // namespace lxq::transport
