#pragma once
// Squelch types and the 28-byte squelch record that travels between the receiver component, the
// main form and the plug-ins.

#include <bit>
#include <cstddef>
#include <cstdint>

namespace lxq {

static_assert(std::endian::native == std::endian::little, "records are little-endian on the wire");

// Squelch-type bits: the same values name the squelch types in force and the conditions met.
inline constexpr std::uint32_t kSquelchLevel = 0x001; // clear while the squelch is defeated
inline constexpr std::uint32_t kSquelchNoise = 0x002;
inline constexpr std::uint32_t kSquelchCtcss = 0x004;
inline constexpr std::uint32_t kSquelchVoice = 0x100;
inline constexpr std::uint32_t kSquelchDcs = 0x200;

#pragma pack(push, 1)
struct SQUELCH_SETTINGS {
    std::int32_t level; // plug-in units
    std::int32_t noise; // in the units of the noise value a plug-in reports
    std::uint32_t ctcss; // tone in thousandths of a Hz
    std::int32_t reserved3; // carried unchanged
    std::int32_t reserved4; // carried unchanged
    std::uint32_t voice; // hundredths
    std::int32_t dcs; // DCS code
};
#pragma pack(pop)

static_assert(sizeof(SQUELCH_SETTINGS) == 28);
static_assert(offsetof(SQUELCH_SETTINGS, level) == 0);
static_assert(offsetof(SQUELCH_SETTINGS, noise) == 4);
static_assert(offsetof(SQUELCH_SETTINGS, ctcss) == 8);
static_assert(offsetof(SQUELCH_SETTINGS, reserved3) == 12);
static_assert(offsetof(SQUELCH_SETTINGS, reserved4) == 16);
static_assert(offsetof(SQUELCH_SETTINGS, voice) == 20);
static_assert(offsetof(SQUELCH_SETTINGS, dcs) == 24);

// A receiver's squelch settings start with every byte 0xFE: each value reads "not set".
inline constexpr std::uint8_t kSquelchUnsetByte = 0xFE;
inline constexpr std::int32_t kSquelchValueUnset = -16'843'010; // 0xFEFEFEFE

} // namespace lxq
