#pragma once
// The 64-byte hardware state record returned by the debug request. It mirrors the PCI card's
// register file (byte n is register n); the serial and USB variants build the same picture from
// what they know of the device.

#include <bit>
#include <cstddef>
#include <cstdint>

namespace lxq {

static_assert(std::endian::native == std::endian::little, "records are little-endian on the wire");

#pragma pack(push, 1)
struct HardwareStateRecord {
    std::uint8_t reserved0[5];
    std::uint8_t powered; // register 5
    std::uint8_t reserved6[2];
    std::uint8_t status; // register 8: synthesiser lock bits
    std::uint8_t reserved9[4];
    std::uint8_t dwell; // register 13
    std::uint32_t detectorPair; // a | b << 16 (serial and USB)
    std::uint8_t reserved18[2];
    std::uint16_t bandWord; // registers 20, 21
    std::uint8_t preselector; // register 22
    std::uint8_t rangeControl; // register 23
    std::uint8_t reserved24[8];
    std::uint8_t bandWordLow; // register 32
    std::uint8_t reserved33;
    std::uint8_t referenceSelect; // register 34
    std::uint8_t reserved35[5];
    std::uint32_t gainWord16; // registers 40..43
    std::uint32_t gainWord20; // registers 44..47
    std::uint32_t mainControl; // registers 48..51
    std::uint32_t mainFraction; // 52..55
    std::uint32_t secondControl; // 56..59
    std::uint32_t secondFraction; // 60..63
};
#pragma pack(pop)

static_assert(sizeof(HardwareStateRecord) == 64);
static_assert(offsetof(HardwareStateRecord, reserved0) == 0);
static_assert(offsetof(HardwareStateRecord, powered) == 5);
static_assert(offsetof(HardwareStateRecord, reserved6) == 6);
static_assert(offsetof(HardwareStateRecord, status) == 8);
static_assert(offsetof(HardwareStateRecord, reserved9) == 9);
static_assert(offsetof(HardwareStateRecord, dwell) == 13);
static_assert(offsetof(HardwareStateRecord, detectorPair) == 14);
static_assert(offsetof(HardwareStateRecord, reserved18) == 18);
static_assert(offsetof(HardwareStateRecord, bandWord) == 20);
static_assert(offsetof(HardwareStateRecord, preselector) == 22);
static_assert(offsetof(HardwareStateRecord, rangeControl) == 23);
static_assert(offsetof(HardwareStateRecord, reserved24) == 24);
static_assert(offsetof(HardwareStateRecord, bandWordLow) == 32);
static_assert(offsetof(HardwareStateRecord, reserved33) == 33);
static_assert(offsetof(HardwareStateRecord, referenceSelect) == 34);
static_assert(offsetof(HardwareStateRecord, reserved35) == 35);
static_assert(offsetof(HardwareStateRecord, gainWord16) == 40);
static_assert(offsetof(HardwareStateRecord, gainWord20) == 44);
static_assert(offsetof(HardwareStateRecord, mainControl) == 48);
static_assert(offsetof(HardwareStateRecord, mainFraction) == 52);
static_assert(offsetof(HardwareStateRecord, secondControl) == 56);
static_assert(offsetof(HardwareStateRecord, secondFraction) == 60);

} // namespace lxq
