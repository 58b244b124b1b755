#pragma once
// The receiver's tuner state: the record that every transport sends to the hardware and that the
// driver keeps as "what the hardware now holds". Its layout is the hardware's, byte for byte.

#include <bit>
#include <cstddef>
#include <cstdint>

namespace lxq {

static_assert(std::endian::native == std::endian::little, "records are little-endian on the wire");

#pragma pack(push, 1)
struct TunerState {
    // Step << 16 | 0x8000, plus bit 3 (fast PLL) on a jump of more than 1 MHz.
    std::uint32_t mainControl;
    std::uint32_t mainFraction;
    std::uint32_t secondControl;
    std::uint32_t secondFraction;
    // Gain bytes 16..23; byte 22 (gain[6]) is the optional tuner byte.
    std::uint8_t gain[8];
    // 1 internal reference, 3 external reference.
    std::uint8_t referenceSelect;
    // Low byte: band code in bits 2..7, bit 0 attenuator off, bit 1 RF amplifier off.
    std::uint16_t bandWord;
    std::uint8_t dwell;
    std::uint8_t preselector;
    std::uint8_t rangeControl;
};
#pragma pack(pop)

static_assert(sizeof(TunerState) == 30);
static_assert(offsetof(TunerState, mainControl) == 0);
static_assert(offsetof(TunerState, mainFraction) == 4);
static_assert(offsetof(TunerState, secondControl) == 8);
static_assert(offsetof(TunerState, secondFraction) == 12);
static_assert(offsetof(TunerState, gain) == 16);
static_assert(offsetof(TunerState, referenceSelect) == 24);
static_assert(offsetof(TunerState, bandWord) == 25);
static_assert(offsetof(TunerState, dwell) == 27);
static_assert(offsetof(TunerState, preselector) == 28);
static_assert(offsetof(TunerState, rangeControl) == 29);

// Bits of TunerState::mainControl and of the band word's low byte.
inline constexpr std::uint32_t kMainControlMarker = 0x8000;
inline constexpr std::uint32_t kMainControlFastPll = 0x0008;
inline constexpr std::uint16_t kBandWordAttenuatorOff = 0x0001;
inline constexpr std::uint16_t kBandWordRfAmpOff = 0x0002;
inline constexpr std::uint8_t kReferenceInternal = 1;
inline constexpr std::uint8_t kReferenceExternal = 3;
inline constexpr std::size_t kOptionalTunerByte = 6; // index into gain[] (record byte 22)

} // namespace lxq
