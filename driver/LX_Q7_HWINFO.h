#pragma once
// The hardware information record: the outcome of the last tuning and second-LO computation, as
// the driver hands it to the API library.

#include <bit>
#include <cstddef>
#include <cstdint>

namespace lxq {

static_assert(std::endian::native == std::endian::little, "records are little-endian on the wire");

#pragma pack(push, 1)
struct LX_Q7_HWINFO {
    std::uint32_t frequency;
    std::uint32_t bandLow;
    std::uint32_t bandHigh;
    std::uint8_t band; // 1..7
    std::uint8_t attenuator; // 18 on, 0 off
    std::uint8_t preselector;
    std::uint8_t flags; // kHwInfoRfAmpOn, kHwInfoPreselectorForced
    std::uint32_t lo1;
    std::uint32_t divider;
    std::uint32_t vco;
    std::uint16_t step;
    std::uint16_t stepDivisor; // always 2
    std::uint8_t rangeIndex;
    std::uint8_t rangeSelect;
    std::uint8_t multiplier;
    std::uint8_t lo1Flags; // bit 0: LO1 below the signal
    std::uint32_t lo2;
    std::uint32_t lo2Scaled; // LO2 * 4 / 195
    std::uint32_t lo2Again;
    std::uint16_t lo2Divisor; // 195
    std::uint16_t lo2Multiplier; // 4
    std::uint8_t reserved52;
    std::uint8_t lo2Valid; // 1
    std::uint8_t reserved54; // 0
    std::uint8_t lo2Flags; // bit 0: the IF2 term of LO2 is negative
    std::uint32_t referenceHz;
};
#pragma pack(pop)

static_assert(sizeof(LX_Q7_HWINFO) == 60);
static_assert(offsetof(LX_Q7_HWINFO, frequency) == 0);
static_assert(offsetof(LX_Q7_HWINFO, bandLow) == 4);
static_assert(offsetof(LX_Q7_HWINFO, bandHigh) == 8);
static_assert(offsetof(LX_Q7_HWINFO, band) == 12);
static_assert(offsetof(LX_Q7_HWINFO, attenuator) == 13);
static_assert(offsetof(LX_Q7_HWINFO, preselector) == 14);
static_assert(offsetof(LX_Q7_HWINFO, flags) == 15);
static_assert(offsetof(LX_Q7_HWINFO, lo1) == 16);
static_assert(offsetof(LX_Q7_HWINFO, divider) == 20);
static_assert(offsetof(LX_Q7_HWINFO, vco) == 24);
static_assert(offsetof(LX_Q7_HWINFO, step) == 28);
static_assert(offsetof(LX_Q7_HWINFO, stepDivisor) == 30);
static_assert(offsetof(LX_Q7_HWINFO, rangeIndex) == 32);
static_assert(offsetof(LX_Q7_HWINFO, rangeSelect) == 33);
static_assert(offsetof(LX_Q7_HWINFO, multiplier) == 34);
static_assert(offsetof(LX_Q7_HWINFO, lo1Flags) == 35);
static_assert(offsetof(LX_Q7_HWINFO, lo2) == 36);
static_assert(offsetof(LX_Q7_HWINFO, lo2Scaled) == 40);
static_assert(offsetof(LX_Q7_HWINFO, lo2Again) == 44);
static_assert(offsetof(LX_Q7_HWINFO, lo2Divisor) == 48);
static_assert(offsetof(LX_Q7_HWINFO, lo2Multiplier) == 50);
static_assert(offsetof(LX_Q7_HWINFO, reserved52) == 52);
static_assert(offsetof(LX_Q7_HWINFO, lo2Valid) == 53);
static_assert(offsetof(LX_Q7_HWINFO, reserved54) == 54);
static_assert(offsetof(LX_Q7_HWINFO, lo2Flags) == 55);
static_assert(offsetof(LX_Q7_HWINFO, referenceHz) == 56);

inline constexpr std::uint8_t kHwInfoRfAmpOn = 0x01;
inline constexpr std::uint8_t kHwInfoPreselectorForced = 0x02;
inline constexpr std::uint8_t kHwInfoAttenuatorOn = 18;
} // namespace lxq
