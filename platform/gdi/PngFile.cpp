#include "platform/gdi/PngFile.h"

#include "platform/sys/AtomicFile.h"
#include "platform/sys/DebugOutput.h"

#include <png.h>
#include <unistd.h>

#include <csetjmp>
#include <cstdio>
#include <vector>

namespace plat::gdi {
namespace {

bool WritePng(const Bitmap& bitmap, std::FILE* file) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    std::vector<png_byte> row(static_cast<std::size_t>(bitmap.Width()) * 3 + 1);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(bitmap.Width()),
                 static_cast<png_uint_32>(bitmap.Height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < bitmap.Height(); ++y) {
        for (int x = 0; x < bitmap.Width(); ++x) {
            const ColorRef c = bitmap.GetPixel(x, y);
            row[static_cast<std::size_t>(x) * 3] = RedOf(c);
            row[static_cast<std::size_t>(x) * 3 + 1] = GreenOf(c);
            row[static_cast<std::size_t>(x) * 3 + 2] = BlueOf(c);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool SavePng(const Bitmap& bitmap, const std::string& path) {
    if (bitmap.IsEmpty()) return false;
    // Only a plain file is replaced, the one at the end of the name's links.
    const sys::ReplaceTarget target = sys::TargetToReplace(path);
    if (!target.refusal.empty()) {
        sys::OutputDebugText(target.refusal);
        return false;
    }
    const std::string temp = target.path + ".tmp";
    ::unlink(temp.c_str());
    std::FILE* file = std::fopen(temp.c_str(), "wbx");
    if (!file) return false;
    bool ok = WritePng(bitmap, file);
    ok = (std::fflush(file) == 0) && ok;
    ok = (std::fclose(file) == 0) && ok;
    if (!ok || std::rename(temp.c_str(), target.path.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

} // namespace plat::gdi
