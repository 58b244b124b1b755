#pragma once
// The 32-bit form of a frequency used where one must travel in a protocol word (plug-in
// messages, memory entries, the API library's SetFrequency). Up to 2,000,000,000 Hz it is the
// value itself; above, the frequency in tens of Hz with bit 31 set, so the last digit is lost.

#include <cstdint>

namespace lxq {

inline constexpr std::int64_t kPackedFrequencyThreshold = 2'000'000'000;
inline constexpr std::uint32_t kPackedFrequencyScaled = 0x80000000u;

std::uint32_t EncodeFreq32(std::int64_t hz);
std::int64_t DecodeFreq32(std::uint32_t word);

} // namespace lxq
