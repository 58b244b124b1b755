#include "platform/components/Graphics.h"

#include <array>

namespace plat::comp {
namespace {

// The classic grey desktop: what the controls' shading was designed against.
constexpr std::array<gdi::ColorRef, 25> kSystemColours = {
    0xC8C8C8, 0x000000, 0x6A240A, 0x808080, 0xC8D0D4, 0xFFFFFF, 0x000000, 0x000000,
    0x000000, 0xFFFFFF, 0xC8D0D4, 0xC8D0D4, 0x808080, 0x6A240A, 0xFFFFFF, 0xC8D0D4,
    0x808080, 0x808080, 0x000000, 0xC8D0D4, 0xFFFFFF, 0x404040, 0xC8D0D4, 0x000000,
    0xE1FFFF,
};

} // namespace

gdi::ColorRef ColorToRGB(TColor color) {
    if ((color & kSystemColorFlag) == 0) return color & 0x00FFFFFFu;
    const std::uint32_t index = color & 0xFFu;
    return index < kSystemColours.size() ? kSystemColours[index] : 0;
}

} // namespace plat::comp
