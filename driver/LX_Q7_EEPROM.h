#pragma once
// The receiver's 256-byte EEPROM image: model, serial number, frequency plan, preselector
// calibration, reference clock and signal-level calibration. The layout is the EEPROM's own.

#include <bit>
#include <cstddef>
#include <cstdint>

namespace lxq {

static_assert(std::endian::native == std::endian::little, "records are little-endian on the wire");

inline constexpr std::size_t kEepromSize = 256;
inline constexpr std::size_t kEepromBandEdges = 8; // edges E[0..7], so at most 7 bands
inline constexpr std::size_t kEepromSynthEdgeSlots = 16; // room in the image, not the table size
inline constexpr std::size_t kEepromFilterBytesPerBand = 16;

#pragma pack(push, 1)
struct LX_Q7_EEPROM {
    // Bands 4..7, 16 bytes each: eight {step, value} pairs.
    std::uint8_t filterBytes[64];
    std::uint16_t layoutVersion;
    std::uint8_t bandCount;
    std::uint8_t synthRangeCount;
    std::uint32_t lowestHz;
    std::uint32_t highestHz;
    std::uint32_t firstIfHz;
    std::uint8_t capabilities; // kCapFmWide, kCapLockout, kCapFineSteps
    std::uint8_t options; // kOptGain, kOptFmWideIf
    std::uint8_t reserved82[6];
    std::uint32_t bandEdges[kEepromBandEdges];
    std::uint32_t synthEdges[kEepromSynthEdgeSlots];
    std::uint8_t defaultGain16;
    std::uint8_t if1ManualGain;
    std::uint8_t reserved186[2];
    std::uint32_t defaultGain20; // gain bytes 20..23
    char modelId[8]; // not zero-terminated
    char serial[8];
    std::uint32_t refClockInternalHz;
    std::uint32_t refClockExternalHz;
    std::uint8_t reserved216[20];
    std::uint8_t pciCardType;
    std::uint8_t reserved237[3];
    std::uint16_t agcStart; // calibration word 0
    std::uint16_t agcMid; // 1
    std::uint16_t agcEnd; // 2
    std::int16_t dropLevel; // 3, tenths of dBm
    std::int16_t rssiTop; // 4
    std::uint16_t rssiReference; // 5
    std::uint16_t rxGain; // 6
    std::uint16_t rssiReference2; // 7
};
#pragma pack(pop)

static_assert(sizeof(LX_Q7_EEPROM) == kEepromSize);
static_assert(offsetof(LX_Q7_EEPROM, filterBytes) == 0);
static_assert(offsetof(LX_Q7_EEPROM, layoutVersion) == 64);
static_assert(offsetof(LX_Q7_EEPROM, bandCount) == 66);
static_assert(offsetof(LX_Q7_EEPROM, synthRangeCount) == 67);
static_assert(offsetof(LX_Q7_EEPROM, lowestHz) == 68);
static_assert(offsetof(LX_Q7_EEPROM, highestHz) == 72);
static_assert(offsetof(LX_Q7_EEPROM, firstIfHz) == 76);
static_assert(offsetof(LX_Q7_EEPROM, capabilities) == 80);
static_assert(offsetof(LX_Q7_EEPROM, options) == 81);
static_assert(offsetof(LX_Q7_EEPROM, reserved82) == 82);
static_assert(offsetof(LX_Q7_EEPROM, bandEdges) == 88);
static_assert(offsetof(LX_Q7_EEPROM, synthEdges) == 120);
static_assert(offsetof(LX_Q7_EEPROM, defaultGain16) == 184);
static_assert(offsetof(LX_Q7_EEPROM, if1ManualGain) == 185);
static_assert(offsetof(LX_Q7_EEPROM, reserved186) == 186);
static_assert(offsetof(LX_Q7_EEPROM, defaultGain20) == 188);
static_assert(offsetof(LX_Q7_EEPROM, modelId) == 192);
static_assert(offsetof(LX_Q7_EEPROM, serial) == 200);
static_assert(offsetof(LX_Q7_EEPROM, refClockInternalHz) == 208);
static_assert(offsetof(LX_Q7_EEPROM, refClockExternalHz) == 212);
static_assert(offsetof(LX_Q7_EEPROM, reserved216) == 216);
static_assert(offsetof(LX_Q7_EEPROM, pciCardType) == 236);
static_assert(offsetof(LX_Q7_EEPROM, reserved237) == 237);
static_assert(offsetof(LX_Q7_EEPROM, agcStart) == 240);
static_assert(offsetof(LX_Q7_EEPROM, agcMid) == 242);
static_assert(offsetof(LX_Q7_EEPROM, agcEnd) == 244);
static_assert(offsetof(LX_Q7_EEPROM, dropLevel) == 246);
static_assert(offsetof(LX_Q7_EEPROM, rssiTop) == 248);
static_assert(offsetof(LX_Q7_EEPROM, rssiReference) == 250);
static_assert(offsetof(LX_Q7_EEPROM, rxGain) == 252);
static_assert(offsetof(LX_Q7_EEPROM, rssiReference2) == 254);

// Capability bits (byte 80).
inline constexpr std::uint8_t kCapFmWide = 1u << 1;
inline constexpr std::uint8_t kCapLockout = 1u << 2;
inline constexpr std::uint8_t kCapFineSteps = 1u << 3;
// Option bits (byte 81).
inline constexpr std::uint8_t kOptGain = 1u << 0;
inline constexpr std::uint8_t kOptFmWideIf = 1u << 1;

// Byte offsets that callers write to one by one (calibration writes, band writes).
inline constexpr std::uint8_t kEepromBandEdgesOffset = 88;
inline constexpr std::uint8_t kEepromIf1ManualGainOffset = 185;
inline constexpr std::uint8_t kEepromRefClockInternalOffset = 208;
inline constexpr std::uint8_t kEepromCalibWordsOffset = 240;

} // namespace lxq
