#pragma once
// A device-independent pixel surface of 1, 4, 8, 16, 24 or 32 bits per pixel, rows top-down,
// each row padded to a multiple of 4 bytes. Drawing works on "native" pixel values: the palette
// index at 1, 4 and 8 bits, x555 at 16 bits, 0x00RRGGBB at 24 and 32 bits (memory order blue,
// green, red[, unused]), so raster operations act on the stored bits as the classic system does.

#include "platform/gdi/Colour.h"
#include "platform/gdi/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace plat::gdi {

class Bitmap {
public:
    // Null for a depth other than 1, 4, 8, 16, 24, 32, a negative size, or a size whose
    // pitch x height does not fit a signed 32-bit byte count. Zero sizes give an empty bitmap.
    static std::unique_ptr<Bitmap> Create(int width, int height, int bitsPerPixel);
    // A bitmap over memory the caller owns and keeps alive; pitch may exceed the minimum.
    static std::unique_ptr<Bitmap> Wrap(void* bits, int width, int height, int bitsPerPixel,
                                        int pitch);
    // Bytes per row for a width and depth, or -1 when it overflows.
    static std::int64_t MinimumPitch(int width, int bitsPerPixel);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int BitsPerPixel() const { return bpp_; }
    int Pitch() const { return pitch_; }
    Rect Bounds() const { return {0, 0, width_, height_}; }
    bool IsEmpty() const { return width_ == 0 || height_ == 0; }

    std::uint8_t* Bits() { return bits_; }
    const std::uint8_t* Bits() const { return bits_; }
    std::uint8_t* Row(int y) { return bits_ + static_cast<std::ptrdiff_t>(y) * pitch_; }
    const std::uint8_t* Row(int y) const {
        return bits_ + static_cast<std::ptrdiff_t>(y) * pitch_;
    }

    // Palette of the depths up to 8 bits (2, 16 or 256 entries; empty above 8 bits).
    std::span<const ColorRef> Palette() const { return palette_; }
    // Replaces the leading entries; extra entries are ignored.
    void SetPalette(std::span<const ColorRef> colours);

    // Checked pixel access in colours; reads outside give kInvalidColor, writes do nothing.
    ColorRef GetPixel(int x, int y) const;
    void SetPixel(int x, int y, ColorRef colour);

    // Native values (see above). The unchecked forms require 0 <= x < width, 0 <= y < height.
    std::uint32_t ToNative(ColorRef colour) const;
    ColorRef ToColour(std::uint32_t native) const;
    std::uint32_t NativeMask() const { return mask_; }
    std::uint32_t GetNative(int x, int y) const;
    void SetNative(int x, int y, std::uint32_t value);
    // Writes value to x0 <= x < x1 of row y (unchecked, x0 < x1).
    void FillNative(int y, int x0, int x1, std::uint32_t value);
    // Sets every pixel to a colour.
    void Clear(ColorRef colour);

    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    // A deep copy with its own pixels and palette.
    std::unique_ptr<Bitmap> Clone() const;

private:
    Bitmap(int width, int height, int bpp, int pitch);
    void SetDefaultPalette();

    int width_;
    int height_;
    int bpp_;
    int pitch_;
    std::uint32_t mask_;
    std::vector<std::uint8_t> storage_;
    std::uint8_t* bits_ = nullptr;
    std::vector<ColorRef> palette_;
    // Palette lookups repeat the same colour run after run.
    mutable ColorRef lastColour_ = kInvalidColor;
    mutable std::uint32_t lastIndex_ = 0;
};

} // namespace plat::gdi
