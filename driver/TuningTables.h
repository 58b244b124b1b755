#pragma once
// Fixed tables of the frequency plan: the synthesiser ranges and the band-switch codes.

#include <cstddef>
#include <cstdint>

namespace lxq::driver {

struct SynthRange {
    std::uint8_t multiplier; // VCO = LO1 * multiplier
    std::uint8_t rangeSelect; // 1 or 2: which VCO
    bool injectionBelow; // LO1 lies below the signal
    std::uint8_t control; // tuner-state byte 29
};

inline constexpr std::size_t kSynthRangeRows = 12;
inline constexpr SynthRange kSynthRanges[kSynthRangeRows] = {
    {8, 1, false, 0x1A}, {8, 2, false, 0x1C}, {4, 1, false, 0x22}, {4, 2, false, 0x24},
    {2, 1, false, 0x62}, {8, 2, true, 0x1C},  {4, 1, true, 0x22},  {4, 2, true, 0x24},
    {2, 1, true, 0x62},  {2, 2, true, 0x64},  {1, 1, true, 0xE2},  {1, 2, true, 0xE4},
};

inline constexpr std::size_t kMaxBands = 7;
// Indexed by band 1..7; index 0 is never used.
inline constexpr std::uint8_t kBandCodes[kMaxBands + 1] = {0xFC, 0xC0, 0xC4, 0xC8,
                                                           0xCC, 0x9C, 0x6C, 0x3C};

} // namespace lxq::driver
