#include "demod/ui/PluginBadge.h"

#include <cstdint>

// 37 x 17 pixels of 4 bits: a framed band of greens.
std::unique_ptr<RC_Image> MakePluginBadge() {
    auto image = std::make_unique<RC_Image>();
    image->width = 37;
    image->height = 17;
    image->bitsPerPixel = 4;
    for (int i = 0; i < 12; ++i) {
        const auto g = static_cast<std::uint32_t>(0x20 + i * 0x12);
        image->palette.push_back(i == 0 ? 0x404040u : (g << 8) | (g / 3));
    }
    constexpr int kPitch = 20; // 37 pixels of 4 bits, rows in whole 32-bit words
    image->data.assign(kPitch * 17, 0);
    for (int y = 0; y < 17; ++y) {
        for (int x = 0; x < 37; ++x) {
            const bool edge = x == 0 || y == 0 || x == 36 || y == 16;
            const int colour = edge ? 11 : 1 + (x * 9 / 37 + (y < 8 ? 1 : 0)) % 11;
            std::uint8_t& byte = image->data[static_cast<std::size_t>(y * kPitch + x / 2)];
            byte = static_cast<std::uint8_t>((x & 1) != 0 ? (byte & 0xF0) | colour : (byte & 0x0F) | (colour << 4));
        }
    }
    return image;
}
