#pragma once
// Test helper: a bitmap drawn as rows of characters, so expected pixels can be written out by
// hand. '.' is the background colour, '#' the foreground, '?' anything else.

#include "platform/gdi/Bitmap.h"

#include <string>
#include <vector>

namespace plat::gdi::test {

inline std::vector<std::string> Picture(const Bitmap& bmp, ColorRef background = 0xFFFFFF,
                                        ColorRef foreground = 0x000000) {
    std::vector<std::string> rows;
    for (int y = 0; y < bmp.Height(); ++y) {
        std::string row;
        for (int x = 0; x < bmp.Width(); ++x) {
            const ColorRef c = bmp.GetPixel(x, y);
            row += c == background ? '.' : c == foreground ? '#' : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

// A white 32-bit canvas of the given size.
inline std::unique_ptr<Bitmap> WhiteCanvas(int width, int height, int bpp = 32) {
    auto bmp = Bitmap::Create(width, height, bpp);
    bmp->Clear(0xFFFFFF);
    return bmp;
}

} // namespace plat::gdi::test
