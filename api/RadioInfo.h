#pragma once
// Building the receiver description records (RADIO_INFO, RADIO_INFO_SHORT) from an EEPROM image,
// and expanding the EEPROM's preselector bytes into FILTER_NODE tables.

#include "api/SharedRadioTable.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace lxq::api {

inline constexpr std::size_t kRadioInfoSize = 196;
inline constexpr std::size_t kRadioInfoShortSize = 42;
inline constexpr std::size_t kRadioListRecordSize = 172;

// The 196-byte image whose first min(recordSize, 196) bytes a caller receives: the short form
// when recordSize is 42 or less, else the long form. The size word reads 196. Only the size word
// is set when the EEPROM layout version is not 1.
std::array<std::uint8_t, kRadioInfoSize> BuildRadioInfo(const LX_Q7_EEPROM& eeprom,
                                                         std::size_t recordSize);

// The four preselector tables (bands 4..7) computed from the EEPROM's band edges and filter bytes.
void ExpandFilterTables(const LX_Q7_EEPROM& eeprom, FILTER_NODE (&tables)[4][kFilterNodesPerBand]);

} // namespace lxq::api
