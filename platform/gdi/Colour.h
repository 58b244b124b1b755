#pragma once
// Colours are 32-bit values 0x00BBGGRR: red in the low byte. Bitmaps of 24 and 32 bits store the
// channels the other way round in memory (blue first), which is why conversions go through here.

#include <cstdint>

namespace plat::gdi {

using ColorRef = std::uint32_t;

// Returned by pixel reads outside the surface or the clip.
constexpr ColorRef kInvalidColor = 0xFFFFFFFFu;

constexpr ColorRef Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return ColorRef{r} | (ColorRef{g} << 8) | (ColorRef{b} << 16);
}
constexpr std::uint8_t RedOf(ColorRef c) { return static_cast<std::uint8_t>(c); }
constexpr std::uint8_t GreenOf(ColorRef c) { return static_cast<std::uint8_t>(c >> 8); }
constexpr std::uint8_t BlueOf(ColorRef c) { return static_cast<std::uint8_t>(c >> 16); }

// 0x00BBGGRR <-> 0x00RRGGBB (the word a 32-bit pixel holds).
constexpr std::uint32_t SwapRedBlue(std::uint32_t c) {
    return (c & 0x0000FF00u) | ((c & 0xFFu) << 16) | ((c >> 16) & 0xFFu);
}

} // namespace plat::gdi
