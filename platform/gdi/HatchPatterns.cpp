#include "platform/gdi/HatchPatterns.h"

#include <array>
#include <memory>

namespace plat::gdi {
namespace {

constexpr std::uint8_t kRows[6][8] = {
    {0, 0, 0, 0, 0, 0, 0, 0xFF},                          // horizontal
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},     // vertical
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},     // forward diagonal
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},     // backward diagonal
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0xFF},     // cross
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},     // diagonal cross
};

std::array<std::unique_ptr<Bitmap>, 6> MakeTiles() {
    std::array<std::unique_ptr<Bitmap>, 6> tiles;
    for (int i = 0; i < 6; ++i) {
        tiles[i] = Bitmap::Create(8, 8, 1);
        for (int y = 0; y < 8; ++y) tiles[i]->Row(y)[0] = kRows[i][y];
    }
    return tiles;
}

} // namespace

const Bitmap& HatchTile(HatchStyle style) {
    static const std::array<std::unique_ptr<Bitmap>, 6> tiles = MakeTiles();
    const int i = static_cast<int>(style);
    return *tiles[(i >= 0 && i < 6) ? i : 0];
}

} // namespace plat::gdi
