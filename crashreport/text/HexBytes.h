#pragma once
#include "crashreport/text/TmyString.h"

#include <cstddef>
#include <cstdint>

namespace errvane {

// Bytes as two lower-case hexadecimal digits each, run together.
TmyString HexBytes(const std::uint8_t* bytes, std::size_t count);
// Bytes in the dump form: groups of eight, "-" in the middle of each group and a blank between
// groups ("00112233-44556677 8899aabb-ccddeeff").
TmyString GroupedHexBytes(const std::uint8_t* bytes, std::size_t count);

}  // namespace errvane
