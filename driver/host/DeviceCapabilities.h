#pragma once
// The 64-byte capabilities record a bus reports for a device: what the device can do (removal,
// surprise removal) and, for each system power state, the deepest device power state it keeps.
// The device keeps a copy from its start; its sleep and wake follow that mapping.

#include <cstddef>
#include <cstdint>

namespace lxq::host {

#pragma pack(push, 1)
struct DeviceCapabilities {
    std::uint16_t size;
    std::uint16_t version;
    std::uint32_t flags;
    std::uint32_t address;
    std::uint32_t uiNumber;
    std::uint32_t deviceState[7];  // by system state (1 = working .. 6 = off); 0 = not named
    std::uint32_t systemWake;
    std::uint32_t deviceWake;
    std::uint32_t d1Latency;
    std::uint32_t d2Latency;
    std::uint32_t d3Latency;
};
#pragma pack(pop)

static_assert(sizeof(DeviceCapabilities) == 64);
static_assert(offsetof(DeviceCapabilities, flags) == 4 && offsetof(DeviceCapabilities, address) == 8);
static_assert(offsetof(DeviceCapabilities, uiNumber) == 12 && offsetof(DeviceCapabilities, deviceState) == 16);
static_assert(offsetof(DeviceCapabilities, systemWake) == 44 && offsetof(DeviceCapabilities, d3Latency) == 60);

inline constexpr std::uint32_t kCapabilityRemovable = 1u << 4;
inline constexpr std::uint32_t kCapabilitySurpriseRemovalOk = 1u << 9;
inline constexpr std::uint32_t kCapabilitiesUnknownAddress = 0xFFFFFFFFu;

} // namespace lxq::host
