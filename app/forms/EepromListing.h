#pragma once
// The service window's reading of the receiver's 256-byte EEPROM image: one line per field,
// a label and the value, in the order the image holds them.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace lxq {

using EepromImage = std::array<std::uint8_t, 256>;

// The band and synthesiser tables list count + 1 edges, but never more rows than the image's
// tables hold (a count byte of a damaged image cannot read past them).
std::vector<std::string> EepromListing(const EepromImage& image);

// Little-endian fields of the image.
std::uint16_t EepromWord(const EepromImage& image, std::size_t at);
std::uint32_t EepromLong(const EepromImage& image, std::size_t at);

} // namespace lxq
