#include "platform/gdi/TextDecoding.h"

namespace plat::gdi {

std::u32string DecodeText(std::string_view bytes) {
    std::u32string out;
    out.reserve(bytes.size());
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    for (std::size_t i = 0; i < bytes.size();) {
        const unsigned char b = at(i);
        int extra = 0;
        char32_t cp = b;
        char32_t minimum = 0;
        if (b >= 0xC2 && b <= 0xDF) extra = 1, cp = b & 0x1Fu, minimum = 0x80;
        else if (b >= 0xE0 && b <= 0xEF) extra = 2, cp = b & 0x0Fu, minimum = 0x800;
        else if (b >= 0xF0 && b <= 0xF4) extra = 3, cp = b & 0x07u, minimum = 0x10000;
        bool valid = extra > 0;
        if (valid) {
            for (int k = 1; k <= extra; ++k) {
                if (i + static_cast<std::size_t>(k) >= bytes.size() ||
                    (at(i + static_cast<std::size_t>(k)) & 0xC0u) != 0x80u) {
                    valid = false;
                    break;
                }
                cp = (cp << 6) | (at(i + static_cast<std::size_t>(k)) & 0x3Fu);
            }
            valid = valid && cp >= minimum && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
        }
        if (valid) {
            out.push_back(cp);
            i += static_cast<std::size_t>(extra) + 1;
        } else {
            out.push_back(b); // ASCII, or a Latin-1 byte
            ++i;
        }
    }
    return out;
}

} // namespace plat::gdi
