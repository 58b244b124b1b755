#include "app/controls/KnobCursors.h"

#include <array>
#include <cstdint>
#include <vector>

#include "platform/win/CursorApi.h"

namespace lxq {
namespace {

// '.' lets the screen through, 'X' is black, 'o' white.
constexpr std::array<const char*, 16> kDownArrow{
    ".....oooooo.....", ".....oXXXXo.....", ".....oXXXXo.....", ".....oXXXXo.....",
    ".....oXXXXo.....", ".....oXXXXo.....", ".oooooXXXXooooo.", ".oXXXXXXXXXXXXo.",
    "..oXXXXXXXXXXo..", "...oXXXXXXXXo...", "....oXXXXXXo....", ".....oXXXXo.....",
    "......oXXo......", ".......oo.......", "................", "................",
};

plat::win::Hcursor Make(bool pointingDown) {
    // 16 pixels a row: two bytes, most significant bit first.
    std::vector<std::uint8_t> andMask(32, 0), xorMask(32, 0);
    for (int y = 0; y < 16; ++y) {
        const char* row = kDownArrow[static_cast<std::size_t>(pointingDown ? y : 15 - y)];
        for (int x = 0; x < 16; ++x) {
            const auto byte = static_cast<std::size_t>(y * 2 + x / 8);
            const auto bit = static_cast<std::uint8_t>(0x80u >> (x % 8));
            if (row[x] == '.') andMask[byte] |= bit;
            if (row[x] == 'o') xorMask[byte] |= bit;
        }
    }
    return plat::win::CreateCursor(8, pointingDown ? 12 : 3, 16, 16, andMask, xorMask);
}

} // namespace

std::uint32_t KnobDownCursor() {
    static const plat::win::Hcursor cursor = Make(true);
    return cursor;
}

std::uint32_t KnobUpCursor() {
    static const plat::win::Hcursor cursor = Make(false);
    return cursor;
}

} // namespace lxq
