#pragma once
// EEPROM images a simulated receiver can carry: a valid one per variant, one whose calibration
// words are out of range (the driver must repair its copy), and one with the old 260 MHz band
// edge (the driver extends that band to 400 MHz).

#include <cstdint>

#include "driver/LX_Q7_EEPROM.h"

namespace lxq::sim {

enum class SimVariant { Pci, Serial, Usb };

enum class ImageKind {
    Valid,
    BadCalibration, // calibration words out of range
    OldBandEdge,    // band 5 ends at 260 MHz
};

// Model ids: "Q7PCIv15" (the card uses its interrupt), "Q7SERv16", "Q7USBv10".
const char* ModelId(SimVariant variant);

LX_Q7_EEPROM MakeImage(SimVariant variant, ImageKind kind = ImageKind::Valid);

// The simulated frequency plan, for tests that pick frequencies.
inline constexpr std::uint32_t kSimFirstIf = 45'000'000;
inline constexpr std::uint32_t kSimReferenceHz = 40'000'000;
inline constexpr std::uint32_t kSimLowestHz = 100'000;
inline constexpr std::uint32_t kSimHighestHz = 2'000'000'000;

} // namespace lxq::sim
