#pragma once
// The tuning state one receiver device owns: its EEPROM copy, the tuner state the hardware holds,
// the hardware information record, and the settings the tuning, gain and transport code share.

#include <cstdint>

#include "api/DeviceControl.h"

namespace lxq::driver {

inline constexpr std::size_t kFilterNodeBands = 4; // bands 4..7
inline constexpr std::size_t kFilterNodeCount = kFilterNodeBands * kFilterNodesPerBand;
inline constexpr std::uint32_t kDefaultFrequency = 40'000'000;

struct TuningState {
    LX_Q7_EEPROM image{}; // the device's copy, with its repairs and fix-ups
    TunerState current{}; // what the hardware holds (recorded by the transport)
    LX_Q7_HWINFO hwInfo{};
    FILTER_NODE filterNodes[kFilterNodeCount]{}; // bands 4, 5, 6, 7, eight nodes each
    bool extendedBand = false; // the image's 260 MHz band edge was moved to 400 MHz

    std::uint32_t frequency = 0; // the last frequency whose push succeeded
    std::int32_t if2 = 0; // the last value given to SetSecondLO
    bool fmWide = false;
    std::uint8_t savedAgcMode = 0; // gains in force before FM-wide mode was switched on
    std::uint8_t savedIfGain = 0;
    std::uint8_t agcMode = 0; // 0..6
    std::uint8_t ifGain = 0; // 0..100
    double referenceHz = 0.0;
    std::uint8_t status = 0; // bit 0 synthesiser locked; 3 both loops locked
    bool tuneError = false; // a lock wait timed out: the next push sends every field
    bool powered = false;
    std::uint32_t detectorPair = 0; // last raw detector words a | b << 16
};

} // namespace lxq::driver
