#include "platform/gdi/Bitmap.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace plat::gdi {
namespace {

constexpr std::int64_t kMaxImageBytes = std::numeric_limits<std::int32_t>::max();

bool IsValidDepth(int bpp) {
    return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
}

// The sixteen colours of the classic 4-bit palette, in their usual order.
constexpr ColorRef kSixteen[16] = {
    Rgb(0, 0, 0),       Rgb(128, 0, 0),   Rgb(0, 128, 0),   Rgb(128, 128, 0),
    Rgb(0, 0, 128),     Rgb(128, 0, 128), Rgb(0, 128, 128), Rgb(192, 192, 192),
    Rgb(128, 128, 128), Rgb(255, 0, 0),   Rgb(0, 255, 0),   Rgb(255, 255, 0),
    Rgb(0, 0, 255),     Rgb(255, 0, 255), Rgb(0, 255, 255), Rgb(255, 255, 255)};

int ColourDistance(ColorRef a, ColorRef b) {
    const int dr = RedOf(a) - RedOf(b);
    const int dg = GreenOf(a) - GreenOf(b);
    const int db = BlueOf(a) - BlueOf(b);
    return dr * dr + dg * dg + db * db;
}

} // namespace

std::int64_t Bitmap::MinimumPitch(int width, int bitsPerPixel) {
    if (width < 0 || !IsValidDepth(bitsPerPixel)) return -1;
    const std::int64_t pitch = (std::int64_t{width} * bitsPerPixel + 31) / 32 * 4;
    return pitch > kMaxImageBytes ? -1 : pitch;
}

Bitmap::Bitmap(int width, int height, int bpp, int pitch)
    : width_(width), height_(height), bpp_(bpp), pitch_(pitch),
      mask_(bpp >= 24 ? 0x00FFFFFFu : bpp == 16 ? 0x7FFFu : (1u << bpp) - 1u) {}

std::unique_ptr<Bitmap> Bitmap::Create(int width, int height, int bitsPerPixel) {
    const std::int64_t pitch = MinimumPitch(width, bitsPerPixel);
    if (pitch < 0 || height < 0) return nullptr;
    if (height != 0 && pitch > kMaxImageBytes / height) return nullptr;
    std::unique_ptr<Bitmap> bmp(new Bitmap(width, height, bitsPerPixel, static_cast<int>(pitch)));
    bmp->storage_.assign(static_cast<std::size_t>(pitch * height), 0);
    bmp->bits_ = bmp->storage_.data();
    bmp->SetDefaultPalette();
    return bmp;
}

std::unique_ptr<Bitmap> Bitmap::Wrap(void* bits, int width, int height, int bitsPerPixel,
                                     int pitch) {
    const std::int64_t minPitch = MinimumPitch(width, bitsPerPixel);
    if (minPitch < 0 || height < 0 || pitch < minPitch || pitch % 4 != 0) return nullptr;
    if (height != 0 && pitch > kMaxImageBytes / height) return nullptr;
    if (bits == nullptr && width != 0 && height != 0) return nullptr;
    std::unique_ptr<Bitmap> bmp(new Bitmap(width, height, bitsPerPixel, pitch));
    bmp->bits_ = static_cast<std::uint8_t*>(bits);
    bmp->SetDefaultPalette();
    return bmp;
}

std::unique_ptr<Bitmap> Bitmap::Clone() const {
    std::unique_ptr<Bitmap> copy(new Bitmap(width_, height_, bpp_, pitch_));
    copy->storage_.assign(bits_, bits_ + static_cast<std::size_t>(pitch_) * height_);
    copy->bits_ = copy->storage_.data();
    copy->palette_ = palette_;
    return copy;
}

void Bitmap::SetDefaultPalette() {
    palette_.clear();
    if (bpp_ == 1) {
        palette_ = {Rgb(0, 0, 0), Rgb(255, 255, 255)};
    } else if (bpp_ == 4) {
        palette_.assign(std::begin(kSixteen), std::end(kSixteen));
    } else if (bpp_ == 8) {
        // The sixteen colours, a 6 x 6 x 6 colour cube, then a grey ramp.
        palette_.assign(std::begin(kSixteen), std::end(kSixteen));
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    palette_.push_back(Rgb(static_cast<std::uint8_t>(r * 51),
                                           static_cast<std::uint8_t>(g * 51),
                                           static_cast<std::uint8_t>(b * 51)));
        for (int i = 0; palette_.size() < 256; ++i) {
            const auto v = static_cast<std::uint8_t>(25 + i * 10); // ends at white
            palette_.push_back(Rgb(v, v, v));
        }
    }
    lastColour_ = kInvalidColor;
}

void Bitmap::SetPalette(std::span<const ColorRef> colours) {
    const std::size_t n = std::min(colours.size(), palette_.size());
    std::copy_n(colours.begin(), n, palette_.begin());
    lastColour_ = kInvalidColor;
}

std::uint32_t Bitmap::ToNative(ColorRef colour) const {
    colour &= 0x00FFFFFFu;
    switch (bpp_) {
    case 32:
    case 24:
        return SwapRedBlue(colour);
    case 16:
        return (std::uint32_t{RedOf(colour)} >> 3 << 10) |
               (std::uint32_t{GreenOf(colour)} >> 3 << 5) | (std::uint32_t{BlueOf(colour)} >> 3);
    default:
        break;
    }
    if (colour == lastColour_) return lastIndex_;
    std::uint32_t best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (std::size_t i = 0; i < palette_.size() && bestDistance != 0; ++i) {
        const int d = ColourDistance(colour, palette_[i]);
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<std::uint32_t>(i);
        }
    }
    lastColour_ = colour;
    lastIndex_ = best;
    return best;
}

ColorRef Bitmap::ToColour(std::uint32_t native) const {
    switch (bpp_) {
    case 32:
    case 24:
        return SwapRedBlue(native & 0x00FFFFFFu);
    case 16: {
        // Expand 5 bits to 8 by repeating the top bits, so white stays white.
        const auto expand = [](std::uint32_t v) {
            return static_cast<std::uint8_t>((v << 3) | (v >> 2));
        };
        return Rgb(expand((native >> 10) & 31), expand((native >> 5) & 31), expand(native & 31));
    }
    default:
        return native < palette_.size() ? palette_[native] : 0;
    }
}

std::uint32_t Bitmap::GetNative(int x, int y) const {
    const std::uint8_t* row = Row(y);
    switch (bpp_) {
    case 32: {
        std::uint32_t v;
        std::memcpy(&v, row + x * 4, 4);
        return v & 0x00FFFFFFu;
    }
    case 24: {
        const std::uint8_t* p = row + x * 3;
        return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
    }
    case 16:
        return std::uint32_t{row[x * 2]} | (std::uint32_t{row[x * 2 + 1]} << 8);
    case 8:
        return row[x];
    case 4:
        return (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4);
    default:
        return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    }
}

void Bitmap::SetNative(int x, int y, std::uint32_t value) {
    std::uint8_t* row = Row(y);
    switch (bpp_) {
    case 32: {
        const std::uint32_t v = value & 0x00FFFFFFu;
        std::memcpy(row + x * 4, &v, 4);
        return;
    }
    case 24: {
        std::uint8_t* p = row + x * 3;
        p[0] = static_cast<std::uint8_t>(value);
        p[1] = static_cast<std::uint8_t>(value >> 8);
        p[2] = static_cast<std::uint8_t>(value >> 16);
        return;
    }
    case 16:
        row[x * 2] = static_cast<std::uint8_t>(value);
        row[x * 2 + 1] = static_cast<std::uint8_t>((value >> 8) & 0x7F);
        return;
    case 8:
        row[x] = static_cast<std::uint8_t>(value);
        return;
    case 4: {
        std::uint8_t& b = row[x >> 1];
        const auto v = static_cast<std::uint8_t>(value & 0x0F);
        b = (x & 1) ? static_cast<std::uint8_t>((b & 0xF0) | v)
                    : static_cast<std::uint8_t>((b & 0x0F) | (v << 4));
        return;
    }
    default: {
        std::uint8_t& b = row[x >> 3];
        const auto bit = static_cast<std::uint8_t>(0x80u >> (x & 7));
        b = (value & 1) ? static_cast<std::uint8_t>(b | bit) : static_cast<std::uint8_t>(b & ~bit);
        return;
    }
    }
}

void Bitmap::FillNative(int y, int x0, int x1, std::uint32_t value) {
    std::uint8_t* row = Row(y);
    switch (bpp_) {
    case 32: {
        // Rows start 4-byte aligned (pitch is a multiple of 4), so whole words can be written.
        std::fill_n(reinterpret_cast<std::uint32_t*>(row) + x0, x1 - x0, value & 0x00FFFFFFu);
        return;
    }
    case 8:
        std::memset(row + x0, static_cast<int>(value & 0xFF), static_cast<std::size_t>(x1 - x0));
        return;
    default:
        for (int x = x0; x < x1; ++x) SetNative(x, y, value);
        return;
    }
}

void Bitmap::Clear(ColorRef colour) {
    const std::uint32_t v = ToNative(colour);
    for (int y = 0; y < height_; ++y)
        if (width_ > 0) FillNative(y, 0, width_, v);
}

ColorRef Bitmap::GetPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return kInvalidColor;
    return ToColour(GetNative(x, y));
}

void Bitmap::SetPixel(int x, int y, ColorRef colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    SetNative(x, y, ToNative(colour));
}

} // namespace plat::gdi
