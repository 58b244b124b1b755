#include "platform/win/PngFile.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace plat::win {
namespace {

// libpng reports errors by long jump; all state that needs cleaning up lives outside the jump.
bool WriteRows(std::FILE* file, const gdi::Bitmap& bitmap) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    std::vector<png_byte> row(static_cast<std::size_t>(bitmap.Width()) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(bitmap.Width()), static_cast<png_uint_32>(bitmap.Height()), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < bitmap.Height(); ++y) {
        for (int x = 0; x < bitmap.Width(); ++x) {
            const gdi::ColorRef c = bitmap.GetPixel(x, y);
            row[static_cast<std::size_t>(x) * 3 + 0] = gdi::RedOf(c);
            row[static_cast<std::size_t>(x) * 3 + 1] = gdi::GreenOf(c);
            row[static_cast<std::size_t>(x) * 3 + 2] = gdi::BlueOf(c);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool WritePng(const gdi::Bitmap& bitmap, const std::string& path) {
    if (bitmap.IsEmpty()) return false;
    const std::string temp = path + ".tmp";
    std::FILE* file = std::fopen(temp.c_str(), "wb");
    if (!file) return false;
    const bool written = WriteRows(file, bitmap);
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

} // namespace plat::win
