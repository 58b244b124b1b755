#include "demod/ui/toolkit/RC_Image.h"

#include "platform/gdi/Colour.h"

#include <algorithm>
#include <cstring>

std::vector<std::uint8_t> RC_UnpackImageData(const std::uint8_t* data, std::size_t size, std::size_t outSize) {
    std::vector<std::uint8_t> out(outSize, 0);
    if (size < 3) return out;
    const std::uint8_t m1 = data[0], m2 = data[1], m3 = data[2];
    std::size_t in = 3;
    std::size_t pos = 0;
    const auto run = [&](std::uint64_t count, std::uint8_t value) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, outSize - pos));
        std::memset(out.data() + pos, value, n);
        pos += n;
    };
    while (in < size && pos < outSize) {
        const std::uint8_t b = data[in++];
        std::size_t countBytes = b == m1 ? 1 : b == m2 ? 2 : b == m3 ? 4 : 0;
        if (countBytes == 0) {
            out[pos++] = b;
            continue;
        }
        if (in + countBytes + 1 > size) break; // a cut-off run ends the stream
        std::uint64_t count = 0;
        for (std::size_t i = 0; i < countBytes; ++i) count |= std::uint64_t{data[in + i]} << (8 * i);
        in += countBytes;
        run(count, data[in++]);
    }
    return out;
}

std::unique_ptr<plat::gdi::Bitmap> RC_Image::ToBitmap() const {
    const int bits = bitsPerPixel < 0 ? -bitsPerPixel : bitsPerPixel;
    auto bitmap = plat::gdi::Bitmap::Create(width, height, bits);
    if (!bitmap) return nullptr;
    const std::size_t pitch = static_cast<std::size_t>(bitmap->Pitch());
    const std::size_t total = pitch * static_cast<std::size_t>(height);
    std::vector<std::uint8_t> unpacked;
    const std::uint8_t* rows = data.data();
    std::size_t available = data.size();
    if (bitsPerPixel < 0) {
        unpacked = RC_UnpackImageData(data.data(), data.size(), total);
        rows = unpacked.data();
        available = unpacked.size();
    }
    for (int y = 0; y < height; ++y) {
        const std::size_t offset = pitch * static_cast<std::size_t>(y);
        if (offset >= available) break;
        std::memcpy(bitmap->Row(y), rows + offset, std::min(pitch, available - offset));
    }
    if (bits <= 8 && !palette.empty()) {
        // Palette entries are stored as blue, green, red bytes: 0x00RRGGBB words.
        std::vector<plat::gdi::ColorRef> colours;
        for (std::uint32_t p : palette) colours.push_back(plat::gdi::SwapRedBlue(p & 0xFFFFFFu));
        bitmap->SetPalette(colours);
    }
    return bitmap;
}
